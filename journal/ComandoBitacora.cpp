#include "journal/LecturaBitacora.h"
#include "shell/Comandos.h"

namespace comandos {

namespace {

// Reads the arguments; gives the error text, or empty.
QString leeFiltro(const QStringList& argumentos, bitacora::Filtro& filtro) {
    OpcionesOrden opciones(argumentos, opcionesBitacora());
    filtro.desde = opciones.fechaSiHay(QStringLiteral("desde"));
    filtro.hasta = opciones.fechaSiHay(QStringLiteral("hasta"));
    if (!opciones.error().isEmpty())
        return opciones.error();
    if (opciones.tiene(QStringLiteral("operacion"))) {
        const QString valor = opciones.valor(QStringLiteral("operacion"));
        filtro.operacion = bitacora::operacionDeTexto(valor);
        if (!filtro.operacion)
            return QStringLiteral("La operación \"%1\" no es válida; use acumulacion, "
                                  "exportacion o importacion.")
                .arg(valor);
    }
    return {};
}

// A text of several lines, its later lines indented under the first. Runs noted by earlier
// versions broke their lines with a bare CR.
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

const QList<Opcion>& opcionesBitacora() {
    static const QList<Opcion> lista = {
        opcionFecha(QStringLiteral("desde"),
                    QStringLiteral("sólo las operaciones empezadas ese día o después")),
        opcionFecha(QStringLiteral("hasta"),
                    QStringLiteral("sólo las operaciones empezadas ese día o antes")),
        {QStringLiteral("operacion"), QStringLiteral("acumulacion|exportacion|importacion"),
         QStringLiteral("sólo las operaciones de esa clase")},
    };
    return lista;
}

int leeBitacora(Programa& programa, const QStringList& argumentos, QTextStream& salida,
                QTextStream& errores) {
    bitacora::Filtro filtro;
    const QString error = leeFiltro(argumentos, filtro);
    if (!error.isEmpty()) {
        errores << error << Qt::endl
                << OpcionesOrden::uso(QStringLiteral("bitacora"), opcionesBitacora()) << Qt::endl;
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
