#include "journal/LecturaBitacora.h"
#include "shell/Comandos.h"
#include "shell/host/Fechas.h"

namespace comandos {

namespace {

const QString uso = QStringLiteral("Uso: acumulapedidos bitacora [--desde FECHA] [--hasta FECHA] "
                                   "[--operacion acumulacion|exportacion|importacion]");

// Reads the arguments ("--name value" or "--name=value"); gives the error text, or empty.
QString leeFiltro(const QStringList& argumentos, bitacora::Filtro& filtro) {
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        QString nombre = argumentos[i];
        QString valor;
        if (!nombre.startsWith(QLatin1String("--")))
            return QStringLiteral("Argumento no esperado: \"%1\".").arg(nombre);
        if (const qsizetype igual = nombre.indexOf(QLatin1Char('=')); igual >= 0) {
            valor = nombre.mid(igual + 1);
            nombre.truncate(igual);
        } else if (i + 1 < argumentos.size()) {
            valor = argumentos[++i];
        } else {
            return QStringLiteral("Falta el valor de la opción %1.").arg(nombre);
        }
        if (nombre == QLatin1String("--ini"))
            continue;
        if (nombre == QLatin1String("--desde") || nombre == QLatin1String("--hasta")) {
            const QDate f = host::Fechas::deTextoCorto(valor);
            if (!f.isValid())
                return QStringLiteral("La fecha \"%1\" de %2 no es válida; escríbala como "
                                      "dd/mm/aaaa o aaaa-mm-dd.")
                    .arg(valor, nombre);
            (nombre == QLatin1String("--desde") ? filtro.desde : filtro.hasta) = f;
        } else if (nombre == QLatin1String("--operacion")) {
            filtro.operacion = bitacora::operacionDeTexto(valor);
            if (!filtro.operacion)
                return QStringLiteral("La operación \"%1\" no es válida; use acumulacion, "
                                      "exportacion o importacion.")
                    .arg(valor);
        } else {
            return QStringLiteral("Opción desconocida: %1.").arg(nombre);
        }
    }
    return {};
}

// A text of several lines, its later lines indented under the first.
QString sangrado(const QString& texto) {
    QString t = texto;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.replace(QLatin1Char('\n'), QStringLiteral("\n    "));
}

void escribe(QTextStream& salida, const bitacora::Corrida& c,
             const QVector<bitacora::PedidoAnotado>& pedidos) {
    salida << QStringLiteral("%1 en %2 (corrida %3): %4")
                  .arg(bitacora::texto(c.operacion), c.base)
                  .arg(c.id)
                  .arg(bitacora::textoDesenlace(c))
           << Qt::endl;
    salida << QStringLiteral("  Inicio: %1   Fin: %2")
                  .arg(bitacora::textoMomento(c.inicio), c.fin.isValid()
                                                             ? bitacora::textoMomento(c.fin)
                                                             : QStringLiteral("(sin terminar)"))
           << Qt::endl;
    salida << QStringLiteral("  Usuario: ") << bitacora::textoUsuarios(c) << Qt::endl;
    const QString parametros = c.parametros.texto();
    if (!parametros.isEmpty())
        salida << QStringLiteral("  Parámetros: ") << parametros << Qt::endl;
    if (!c.mensaje.isEmpty())
        salida << QStringLiteral("  Mensaje: ") << sangrado(c.mensaje) << Qt::endl;
    salida << QStringLiteral("  Pedidos: %1   Renglones: %2")
                  .arg(c.cuentas.pedidos)
                  .arg(c.cuentas.renglones);
    if (c.operacion == bitacora::Operacion::Importacion)
        salida << QStringLiteral("   Clientes nuevos: %1").arg(c.cuentas.clientes);
    salida << Qt::endl;
    for (const bitacora::PedidoAnotado& p : pedidos)
        salida << QStringLiteral("    ") << bitacora::textoOrigen(p) << QStringLiteral(" → ")
               << bitacora::textoDestino(p) << Qt::endl;
}

} // namespace

int leeBitacora(Programa& programa, const QStringList& argumentos, QTextStream& salida,
                QTextStream& errores) {
    bitacora::Filtro filtro;
    const QString error = leeFiltro(argumentos, filtro);
    if (!error.isEmpty()) {
        errores << error << Qt::endl << uso << Qt::endl;
        return 1;
    }
    const bitacora::Lectura l =
        bitacora::LeeCorridas(*programa.bases, bitacora::BasesConBitacora(programa), filtro);
    for (const QString& fallo : l.fallos)
        errores << QStringLiteral("Aviso: ") << fallo << Qt::endl;
    bool primera = true;
    for (const bitacora::Corrida& c : l.corridas) {
        QVector<bitacora::PedidoAnotado> pedidos;
        try {
            pedidos = bitacora::LeePedidos(*programa.bases, c);
        } catch (const host::ErrorBdD& e) {
            errores << QStringLiteral("Aviso: no se pudieron leer los pedidos de la corrida %1 "
                                      "de \"%2\": %3")
                           .arg(c.id)
                           .arg(c.base, e.mensaje().section(QLatin1Char('\n'), 0, 0))
                    << Qt::endl;
        }
        if (!primera)
            salida << Qt::endl;
        primera = false;
        escribe(salida, c, pedidos);
    }
    return 0;
}

} // namespace comandos
