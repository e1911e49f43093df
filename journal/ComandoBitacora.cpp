#include "journal/LecturaBitacora.h"

#include "journal/ComandoBitacora.h"
#include "journal/LectorBitacora.h"
#include "shell/Programa.h"
#include "shell/host/Conexion.h"
#include "shell/host/Fechas.h"

namespace comandos {

namespace {

// Days the list shows when the line asks for no other.
constexpr int diasPorOmision = 31;
// Runs per page read from each journal: what the command holds at a time.
constexpr int corridasPorPagina = 1000;

// Reads the arguments; gives the error text, or empty.
QString leeFiltro(const QStringList& argumentos, bitacora::Seleccion& filtro, bool& todas) {
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
    todas = opciones.tiene(QStringLiteral("todas"));
    const bool fechas = filtro.desde || filtro.hasta;
    if (todas && fechas)
        return QStringLiteral("--todas no va con --desde ni con --hasta: elija.");
    if (opciones.tiene(QStringLiteral("corrida"))) {
        filtro.corrida = opciones.corrida(QStringLiteral("corrida"));
        if (!opciones.error().isEmpty())
            return opciones.error();
        if (todas || fechas || filtro.operacion)
            return QStringLiteral("--corrida muestra una sola corrida: no va con --todas, "
                                  "--desde, --hasta ni --operacion.");
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

// One run, and its orders when given. Lines end in '\n' rather than Qt::endl: a long list
// is flushed once per page, not once per line.
void escribe(QTextStream& salida, const bitacora::Corrida& c,
             const QVector<bitacora::PedidoAnotado>& pedidos = {}) {
    salida << QStringLiteral("%1 en %2 (corrida %3): %4")
                  .arg(bitacora::texto(c.operacion), c.base)
                  .arg(c.id)
                  .arg(bitacora::textoDesenlace(c))
           << '\n';
    salida << QStringLiteral("  Inicio: %1   Fin: %2")
                  .arg(bitacora::textoMomento(c.inicio), c.fin.isValid()
                                                             ? bitacora::textoMomento(c.fin)
                                                             : QStringLiteral("(sin terminar)"))
           << '\n';
    salida << QStringLiteral("  Usuario: ") << bitacora::textoUsuarios(c) << '\n';
    const QString parametros = c.parametros.texto();
    if (!parametros.isEmpty())
        salida << QStringLiteral("  Parámetros: ") << parametros << '\n';
    if (!c.mensaje.isEmpty())
        salida << QStringLiteral("  Mensaje: ") << sangrado(c.mensaje) << '\n';
    salida << QStringLiteral("  Pedidos: %1   Renglones: %2")
                  .arg(c.cuentas.pedidos)
                  .arg(c.cuentas.renglones);
    if (c.operacion == bitacora::Operacion::Importacion)
        salida << QStringLiteral("   Clientes nuevos: %1").arg(c.cuentas.clientes);
    salida << '\n';
    for (const bitacora::PedidoAnotado& p : pedidos)
        salida << QStringLiteral("    ") << bitacora::textoOrigen(p) << QStringLiteral(" → ")
               << bitacora::textoDestino(p) << '\n';
}

void avisa(QTextStream& errores, const QStringList& fallos) {
    for (const QString& fallo : fallos)
        errores << QStringLiteral("Aviso: ") << fallo << Qt::endl;
}

// The run asked for with --corrida, from each journal that has one, with its orders.
int muestraCorrida(bitacora::LectorBitacora& lector, const QStringList& bases, qint64 corrida,
                   QTextStream& salida, QTextStream& errores) {
    const bitacora::Lectura l = lector.siguientes(corridasPorPagina);
    avisa(errores, l.fallos);
    bool primera = true;
    for (const bitacora::Corrida& c : l.corridas) {
        QVector<bitacora::PedidoAnotado> pedidos;
        try {
            pedidos = lector.pedidos(c);
        } catch (const host::ErrorBdD& e) {
            errores << QStringLiteral("Aviso: no se pudieron leer los pedidos de la corrida %1 "
                                      "de \"%2\": %3")
                           .arg(c.id)
                           .arg(c.base, e.mensaje().section(QLatin1Char('\n'), 0, 0))
                    << Qt::endl;
        }
        if (!primera)
            salida << '\n';
        primera = false;
        escribe(salida, c, pedidos);
    }
    salida.flush();
    if (l.corridas.isEmpty()) {
        errores << QStringLiteral("No hay corrida %1 en la bitácora de %2.")
                       .arg(corrida)
                       .arg(bases.isEmpty() ? QStringLiteral("ninguna base de datos")
                                            : QStringLiteral("\"%1\"").arg(
                                                  bases.join(QStringLiteral("\", \""))))
                << Qt::endl;
        return 1;
    }
    return 0;
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
        {QStringLiteral("todas"), QString(),
         QStringLiteral("las operaciones de cualquier día (sin ella ni fechas, las de los "
                        "últimos %1 días)")
             .arg(diasPorOmision)},
        {QStringLiteral("corrida"), QStringLiteral("N"),
         QStringLiteral("sólo la corrida N (el número que muestra la lista), con sus "
                        "pedidos")},
    };
    return lista;
}

int leeBitacora(Programa& programa, const QStringList& argumentos, QTextStream& salida,
                QTextStream& errores) {
    bitacora::Seleccion filtro;
    bool todas = false;
    const QString error = leeFiltro(argumentos, filtro, todas);
    if (!error.isEmpty()) {
        errores << error << Qt::endl
                << OpcionesOrden::uso(QStringLiteral("bitacora"), opcionesBitacora()) << Qt::endl;
        return 1;
    }
    const QStringList bases = bitacora::BasesConBitacora(programa);
    if (!todas && !filtro.desde && !filtro.hasta && !filtro.corrida) {
        // A journal of years would take minutes to print: the recent runs, unless asked.
        filtro.desde = QDate::currentDate().addDays(1 - diasPorOmision);
        errores << QStringLiteral("Operaciones empezadas desde el %1 (los últimos %2 días); "
                                  "--todas las muestra todas.")
                       .arg(host::Fechas::aTextoCorto(*filtro.desde))
                       .arg(diasPorOmision)
                << Qt::endl;
    }
    bitacora::LectorBitacora lector(*programa.bases, bases, filtro);
    if (filtro.corrida)
        return muestraCorrida(lector, bases, *filtro.corrida, salida, errores);
    // Page by page: what is held does not grow with the journal.
    bool primera = true;
    while (!lector.terminado()) {
        const bitacora::Lectura l = lector.siguientes(corridasPorPagina);
        avisa(errores, l.fallos);
        for (const bitacora::Corrida& c : l.corridas) {
            if (!primera)
                salida << '\n';
            primera = false;
            escribe(salida, c);
        }
        salida.flush();
    }
    return 0;
}

} // namespace comandos
