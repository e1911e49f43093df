#include "accumulation/ComandosAcumulacion.h"
#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/clsAcumular.h"
#include "journal/AvisoBitacora.h"
#include "shell/InterrupcionOrden.h"
#include "shell/Programa.h"
#include "shell/host/Fechas.h"
#include "shell/host/TextoConDetalle.h"

#include <QTextStream>
#include <limits>

namespace comandos {

namespace {

// The folio of --folio: a whole number that fits the folio column.
qint32 folio(OpcionesOrden& opciones) {
    if (!opciones.error().isEmpty())
        return 0;
    if (!opciones.tiene(QStringLiteral("folio"))) {
        opciones.falla(QStringLiteral("Falta la opción --folio N."));
        return 0;
    }
    bool ok = false;
    const QString texto = opciones.valor(QStringLiteral("folio"));
    const qint64 n = texto.trimmed().toLongLong(&ok);
    if (!ok || n < 0 || n > std::numeric_limits<qint32>::max()) {
        opciones.falla(QStringLiteral("El folio \"%1\" no es un número entero entre 0 y %2.")
                           .arg(texto)
                           .arg(std::numeric_limits<qint32>::max()));
        return 0;
    }
    return qint32(n);
}

int falla(QTextStream& errores, const QString& mensaje) {
    errores << host::TextoConDetalle::enDosLineas(mensaje) << Qt::endl;
    return 1;
}

// The companies a run left out and the columns it did not copy, one line each; they do not
// change the exit status.
void avisaOmitidas(QTextStream& errores, const acumulacion::Resultado& r) {
    for (const acumulacion::EmpresaOmitida& o : r.omitidas)
        errores
            << QStringLiteral("Aviso: se omitió la empresa \"%1\": %2.").arg(o.empresa, o.motivo)
            << Qt::endl;
    for (const QString& a : r.avisos)
        errores << QStringLiteral("Aviso: %1.").arg(a) << Qt::endl;
}

} // namespace

const QList<Opcion>& opcionesBuscar() {
    static const QList<Opcion> lista = {
        opcionFecha(QStringLiteral("desde"),
                    QStringLiteral("primer día de los pedidos (dd/mm/aaaa o aaaa-mm-dd)"), true),
        opcionFecha(QStringLiteral("hasta"), QStringLiteral("último día de los pedidos"), true),
    };
    return lista;
}

const QList<Opcion>& opcionesAcumular() {
    static const QList<Opcion> lista =
        opcionesBuscar() +
        QList<Opcion>{{QStringLiteral("folio"), QStringLiteral("N"),
                       QStringLiteral("primer folio de los pedidos generados (si ya está dado, "
                                      "se usa el siguiente libre)"),
                       true},
                      {QStringLiteral("serie"), QStringLiteral("S"),
                       QStringLiteral("serie de los pedidos generados (sin ella, la que propone "
                                      "la ventana)")}};
    return lista;
}

int buscar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
           QTextStream& errores) {
    OpcionesOrden opciones(argumentos, opcionesBuscar());
    const QDate desde = opciones.fecha(QStringLiteral("desde"), true);
    const QDate hasta = opciones.fecha(QStringLiteral("hasta"), true);
    if (!opciones.error().isEmpty())
        return falla(errores, opciones.error());

    const InterrupcionOrden interrupcion;
    acumulacion::Retrollamadas avisos;
    avisos.renglon = [&](const QString& renglon) { salida << renglon << Qt::endl; };
    avisos.cancelar = &InterrupcionOrden::pedida;
    const auto r = acumulacion::clsAcumular(*programa.bases).BuscarPedidos(desde, hasta, avisos);
    avisaOmitidas(errores, r);
    if (!r.ok)
        return falla(errores, r.mensaje);
    // An empty output alone would not tell a search that found nothing from one that did not run.
    if (!r.encontrados)
        errores << QStringLiteral("No se encontraron pedidos pendientes del %1 al %2.")
                       .arg(desde.toString(QStringLiteral("dd/MM/yyyy")),
                            hasta.toString(QStringLiteral("dd/MM/yyyy")))
                << Qt::endl;
    return 0;
}

int acumular(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores) {
    OpcionesOrden opciones(argumentos, opcionesAcumular());
    const QDate desde = opciones.fecha(QStringLiteral("desde"), true);
    const QDate hasta = opciones.fecha(QStringLiteral("hasta"), true);
    const qint32 primerFolio = folio(opciones);
    if (!opciones.error().isEmpty())
        return falla(errores, opciones.error());

    const InterrupcionOrden interrupcion;
    QString serie = opciones.valor(QStringLiteral("serie")).trimmed();
    if (!opciones.tiene(QStringLiteral("serie"))) {
        // The series the accumulation tab would have selected.
        try {
            auto conexion = programa.bases->abre(programa.bases->cMiBase);
            serie = acumulacion::SerieInicial(*conexion);
        } catch (const host::Error& e) {
            return falla(errores, e.mensaje());
        }
    }

    acumulacion::Retrollamadas avisos;
    avisos.cancelar = &InterrupcionOrden::pedida;
    avisos.folio = [&](const acumulacion::FolioDado& d) {
        salida << QStringLiteral("Folio ") << acumulacion::textoPedido(d.serie, d.folio)
               << QStringLiteral(": pedido ") << d.pedidoOrigen << QStringLiteral(" de ") << d.base
               << Qt::endl;
    };
    const auto r = acumulacion::clsAcumular(*programa.bases)
                       .GeneraPedido(desde, hasta, serie, primerFolio, avisos);
    bitacora::avisaSinBitacora(errores, r.avisoBitacora);
    avisaOmitidas(errores, r);
    if (!r.ok)
        return falla(errores, r.mensaje);
    salida << r.mensaje << Qt::endl;
    return 0;
}

} // namespace comandos
