#include "journal/InformeCorrida.h"

#include "journal/TextosBitacora.h"
#include "sales/NombresEmpresas.h"
#include "shell/Cantidad.h"

#include <QStringList>

namespace bitacora {

using acumulacion::conEmpresa;

namespace {

QString titulo(Operacion operacion) {
    switch (operacion) {
    case Operacion::Acumulacion:
        return QStringLiteral("Informe de la acumulación");
    case Operacion::Exportacion:
        return QStringLiteral("Informe de la exportación");
    case Operacion::Importacion:
        return QStringLiteral("Informe de la importación");
    case Operacion::Deshacer:
        return QStringLiteral("Informe de lo deshecho");
    }
    return {};
}

QString prefijoArchivo(Operacion operacion) {
    return codigo(operacion);
}

QString id(qint64 n) {
    return n != 0 ? QString::number(n) : QString();
}

QString resumen(const Corrida& c, qsizetype leidos, const QHash<QString, QString>& empresas) {
    QStringList lineas;
    lineas << QStringLiteral("%1 en %2: %3.")
                  .arg(texto(c.operacion), conEmpresa(c.base, empresas), textoDesenlace(c));
    QString cuando = QStringLiteral("Corrida %1, del %2").arg(c.id).arg(textoMomento(c.inicio));
    if (c.fin.isValid())
        cuando += QStringLiteral(" al %1").arg(textoMomento(c.fin));
    lineas << cuando + QStringLiteral("; ") + textoUsuarios(c) + QLatin1Char('.');
    if (const QString p = c.parametros.texto(); !p.isEmpty())
        lineas << p + QLatin1Char('.');
    QStringList cuentas{
        cantidad(c.cuentas.pedidos, QStringLiteral("pedido"), QStringLiteral("pedidos")),
        cantidad(c.cuentas.renglones, QStringLiteral("renglón"), QStringLiteral("renglones"))};
    if (c.operacion == Operacion::Importacion)
        cuentas << cantidad(c.cuentas.clientes, QStringLiteral("cliente nuevo"),
                            QStringLiteral("clientes nuevos"));
    lineas << QStringLiteral("Según la bitácora: %1.").arg(cuentas.join(QStringLiteral(", ")));
    // The counts stored at the end and the orders listed differ when the run was cut short.
    if (leidos != c.cuentas.pedidos)
        lineas << QStringLiteral("La bitácora anota %1 de esta corrida.")
                      .arg(cantidad(leidos, QStringLiteral("pedido"), QStringLiteral("pedidos")));
    if (!c.mensaje.isEmpty())
        lineas << c.mensaje;
    return lineas.join(QLatin1Char('\n'));
}

} // namespace

Informe InformeCorrida(const Corrida& c, const QVector<PedidoAnotado>& pedidos,
                       const QHash<QString, QString>& empresas) {
    Informe informe;
    informe.titulo = titulo(c.operacion);
    informe.resumen = resumen(c, pedidos.size(), empresas);
    switch (c.operacion) {
    case Operacion::Acumulacion:
    case Operacion::Deshacer:
        // An undo lists the orders it removed, and for an accumulation the source order each
        // went back to.
        informe.columnas = {c.operacion == Operacion::Deshacer ? QStringLiteral("Folio quitado")
                                                               : QStringLiteral("Folio"),
                            QStringLiteral("Id"), QStringLiteral("Empresa de origen"),
                            QStringLiteral("Pedido de origen"), QStringLiteral("Id de origen")};
        for (const PedidoAnotado& p : pedidos)
            informe.renglones.push_back({p.pedidoNuevo, id(p.idNuevo),
                                         conEmpresa(p.baseOrigen, empresas), p.pedidoOrigen,
                                         id(p.idOrigen)});
        break;
    case Operacion::Exportacion:
        informe.columnas = {QStringLiteral("Pedido"), QStringLiteral("Id"),
                            QStringLiteral("Archivo")};
        for (const PedidoAnotado& p : pedidos)
            informe.renglones.push_back({p.pedidoOrigen, id(p.idOrigen), p.archivo});
        break;
    case Operacion::Importacion:
        informe.columnas = {QStringLiteral("Folio"), QStringLiteral("Id"),
                            QStringLiteral("Línea del archivo"), QStringLiteral("Archivo")};
        for (const PedidoAnotado& p : pedidos)
            informe.renglones.push_back({p.pedidoNuevo, id(p.idNuevo),
                                         p.linea > 0 ? QString::number(p.linea) : QString(),
                                         p.archivo});
        break;
    }
    informe.archivo = QStringLiteral("%1-corrida%2-%3.txt")
                          .arg(prefijoArchivo(c.operacion))
                          .arg(c.id)
                          .arg(c.inicio.toString(QStringLiteral("yyyyMMdd-HHmm")));
    return informe;
}

} // namespace bitacora
