#include "journal/LecturaBitacora.h"

#include "shell/Programa.h"
#include "shell/host/BasesDD.h"
#include "shell/host/Conexion.h"
#include "shell/host/Fechas.h"

namespace bitacora {

QStringList BasesConBitacora(const Programa& programa) {
    QStringList nombres;
    for (const QString& base :
         {programa.bases->cMiBase, programa.baseExportar, programa.baseImportar}) {
        const QString nombre = base.trimmed();
        if (!nombre.isEmpty() && !nombres.contains(nombre))
            nombres << nombre;
    }
    return nombres;
}

QVector<PedidoAnotado> LeePedidos(const host::BasesDD& bases, const Corrida& corrida) {
    auto conexion = bases.abre(corrida.base);
    return LeePedidos(*conexion, corrida);
}

QVector<PedidoAnotado> LeePedidos(host::Conexion& conexion, const Corrida& corrida) {
    QVector<PedidoAnotado> pedidos = Bitacora::pedidos(conexion, corrida.id);
    // An export's orders all went to the run's file, which only the run records.
    if (corrida.operacion == Operacion::Exportacion)
        for (PedidoAnotado& p : pedidos)
            if (p.archivo.isEmpty())
                p.archivo = corrida.parametros.archivo;
    return pedidos;
}

std::optional<Operacion> operacionDeTexto(const QString& texto) {
    QString t = texto.trimmed().toLower();
    t.replace(QChar(u'ó'), QLatin1Char('o'));
    return operacionDeCodigo(t);
}

QString textoDesenlace(const Corrida& corrida) {
    return corrida.interrumpida ? QStringLiteral("Interrumpida") : texto(corrida.desenlace);
}

QString textoMomento(const QDateTime& momento) {
    if (!momento.isValid())
        return {};
    return host::Fechas::aTextoCorto(momento.date()) + QLatin1Char(' ') +
           momento.time().toString(QStringLiteral("HH:mm:ss"));
}

QString textoUsuarios(const Corrida& corrida) {
    QString texto =
        corrida.usuarioSistema.isEmpty() ? QStringLiteral("(sin usuario)") : corrida.usuarioSistema;
    if (!corrida.equipo.isEmpty())
        texto += QStringLiteral(" en ") + corrida.equipo;
    if (!corrida.usuarioBdD.isEmpty())
        texto += QStringLiteral(" (base de datos: %1)").arg(corrida.usuarioBdD);
    return texto;
}

QString textoOrigen(const PedidoAnotado& p) {
    QStringList partes;
    if (!p.pedidoOrigen.isEmpty() || p.idOrigen != 0) {
        QString pedido = QStringLiteral("Pedido ") + p.pedidoOrigen;
        if (p.idOrigen != 0)
            pedido += QStringLiteral(" (Id %1)").arg(p.idOrigen);
        if (!p.baseOrigen.isEmpty())
            pedido += QStringLiteral(" de ") + p.baseOrigen;
        partes << pedido.simplified();
    }
    // An import's order is known by where it stands in its file.
    if (p.linea > 0) {
        QString linea = QStringLiteral("Línea %1 de %2").arg(p.linea).arg(p.archivo);
        if (!p.huella.isEmpty())
            linea += QStringLiteral(" (huella %1…)").arg(p.huella.left(12));
        partes << linea;
    }
    return partes.join(QStringLiteral(", "));
}

QString textoDestino(const PedidoAnotado& p) {
    if (p.idNuevo != 0 || !p.pedidoNuevo.isEmpty())
        return QStringLiteral("%1 (Id %2)").arg(p.pedidoNuevo).arg(p.idNuevo);
    return p.archivo;
}

} // namespace bitacora
