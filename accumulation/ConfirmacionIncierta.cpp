#include "accumulation/ConfirmacionIncierta.h"

#include "shell/Cantidad.h"
#include "shell/host/ListaIds.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QThread>

namespace acumulacion {

using host::Conexion;
using host::ErrorBdD;

namespace {

// A server that is coming back gets a few seconds; one that is gone, no more.
std::unique_ptr<Conexion> reconecta(const host::BasesDD& bases) {
    for (int intento = 1;; ++intento) {
        try {
            return bases.abre(bases.cMiBase);
        } catch (const ErrorBdD&) {
            if (intento == 3)
                throw;
            QThread::msleep(1000);
        }
    }
}

// Ends the lost session if the server still runs it and waits until it is gone: until then
// its transaction may still be committing or rolling back.
bool terminaSesion(Conexion& conexion, qint64 sesion) {
    try {
        conexion.ejecuta(QStringLiteral("KILL CONNECTION ?"), {sesion});
    } catch (const ErrorBdD& e) {
        if (e.codigo() != 1094) // unknown thread: already gone
            throw;
    }
    QDeadlineTimer limite(30000);
    while (conexion
               .consulta(QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                                        "WHERE ID=?"),
                         {sesion})
               ->entero(0) > 0) {
        if (limite.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

} // namespace

EstadoConfirmacion CompruebaGrupo(const host::BasesDD& bases, const EmpresaOrigen& empresa,
                                  const ConfirmacionIncierta& incierta, QString& detalle) {
    if (incierta.grupo.isEmpty())
        return EstadoConfirmacion::NoGuardado;
    try {
        auto conexion = reconecta(bases);
        if (!terminaSesion(*conexion, incierta.sesion)) {
            detalle = QStringLiteral("el servidor aún no termina la sesión que se perdió.");
            return EstadoConfirmacion::Desconocido;
        }
        QVector<qint64> nuevos, origenes;
        for (const FolioDado& d : incierta.grupo) {
            nuevos << d.idNuevo;
            origenes << d.idOrigen;
        }
        // Each new order with the Id, series and folio it was given.
        QHash<qint64, QPair<QString, qint64>> hallados;
        for (auto rs = conexion->consulta(
                 QStringLiteral("SELECT Id, Serie, Factura FROM pedidos WHERE Id IN (%1)")
                     .arg(host::listaIds(nuevos)));
             !rs->eof(); rs->MoveNext())
            hallados.insert(rs->entero(0), {rs->texto(1), rs->entero(2)});
        int guardados = 0;
        for (const FolioDado& d : incierta.grupo)
            if (hallados.value(d.idNuevo) == qMakePair(d.serie, qint64(d.folio)))
                ++guardados;
        const qint64 pendientes =
            conexion
                ->consulta(
                    QStringLiteral("SELECT COUNT(*) FROM %1.pedidosdetalle WHERE "
                                   "Pedido<>0 AND Id IN (%2)")
                        .arg(Conexion::identificador(empresa.base), host::listaIds(origenes)))
                ->entero(0);
        if (guardados == 0)
            return EstadoConfirmacion::NoGuardado;
        if (guardados == incierta.grupo.size() && pendientes == 0)
            return EstadoConfirmacion::Guardado;
        detalle =
            QStringLiteral("de %1 se %2 %3, y en la base de datos \"%4\" %5 %6 "
                           "pendientes.")
                .arg(cantidad(incierta.grupo.size(), QStringLiteral("pedido nuevo"),
                              QStringLiteral("pedidos nuevos")),
                     guardados == 1 ? QStringLiteral("halló") : QStringLiteral("hallaron"),
                     QString::number(guardados), empresa.base,
                     cantidad(pendientes, QStringLiteral("renglón"), QStringLiteral("renglones")),
                     pendientes == 1 ? QStringLiteral("sigue") : QStringLiteral("siguen"));
    } catch (const ErrorBdD& e) {
        detalle = e.mensaje();
    }
    return EstadoConfirmacion::Desconocido;
}

} // namespace acumulacion
