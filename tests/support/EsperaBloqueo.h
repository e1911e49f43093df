#pragma once

#include "support/HastaQue.h"

#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

#include <QScopeGuard>
#include <algorithm>

namespace pruebas {

// The server's id of the session behind conexion, to watch it from another one.
inline qint64 sesion(host::Conexion& conexion) {
    return conexion.consulta(QStringLiteral("SELECT CONNECTION_ID()"))->entero(0);
}

// The first value of a query on the server's table of transactions, read fresh. The server
// refreshes that table only when nobody read it for 0.1 s, whoever read it: two tests
// looking every 0.15 s each could keep it from ever changing. Every test's read takes its
// turn under one named lock and comes 0.12 s after the one before. A server that refuses
// named locks (a cluster) is read without them.
inline qint64 leeTransacciones(host::Conexion& observador, const QString& sql,
                               const QVariantList& valores) {
    bool turno = false;
    try {
        turno = observador.consulta(QStringLiteral("SELECT GET_LOCK('pruebas_innodb_trx', 60)"))
                    ->entero(0) == 1;
    } catch (const host::ErrorBdD& e) {
        if (e.conexionPerdida())
            throw;
    }
    if (!turno)
        return observador.consulta(sql, valores)->entero(0);
    // Let go even when the read fails: the other tests would wait for the turn in vain.
    const auto suelta = qScopeGuard([&observador] {
        try {
            observador.ejecuta(QStringLiteral("DO RELEASE_LOCK('pruebas_innodb_trx')"));
        } catch (const host::ErrorBdD&) {
            // A lost connection lets go of it by itself.
        }
    });
    observador.ejecuta(QStringLiteral("DO SLEEP(0.12)"));
    return observador.consulta(sql, valores)->entero(0);
}

// True while that session waits for a row lock another session holds, as the server shows it.
inline bool enEsperaDeBloqueo(host::Conexion& observador, qint64 sesion) {
    return leeTransacciones(observador,
                            QStringLiteral("SELECT COUNT(*) FROM information_schema.INNODB_TRX "
                                           "WHERE trx_mysql_thread_id=? AND trx_state='LOCK WAIT'"),
                            {sesion}) > 0;
}

// Waits until that session waits for a row lock: the moment a test of two sessions at once
// lets go of its lock, instead of a pause that may be too short on a busy machine.
inline ::testing::AssertionResult esperaBloqueada(host::Conexion& observador, qint64 sesion,
                                                  std::chrono::milliseconds plazo = 60s) {
    // Each look waits its turn (leeTransacciones).
    auto r = hastaQue([&] { return enEsperaDeBloqueo(observador, sesion); }, plazo,
                      QStringLiteral("la espera de un bloqueo de la sesión %1").arg(sesion), 10ms);
    if (!r) {
        // What the server showed instead, for whoever reads the failure.
        auto rs =
            observador.consulta(QStringLiteral("SELECT CONCAT(trx_mysql_thread_id, ':', trx_state) "
                                               "FROM information_schema.INNODB_TRX"));
        for (; !rs->eof(); rs->MoveNext())
            r << " [" << rs->texto(0).toStdString() << "]";
    }
    return r;
}

// How long the session has been in its present statement (or idle), in milliseconds, as
// the server's list of sessions shows it live.
inline double tiempoEnEstado(host::Conexion& observador, qint64 sesion) {
    auto rs = observador.consulta(
        QStringLiteral("SELECT TIME_MS FROM information_schema.PROCESSLIST WHERE ID=?"), {sesion});
    return rs->eof() ? 0 : rs->valor(0).toDouble();
}

// Waits until a session that waits for a lock has given up that wait and gone on to a later
// statement (its lock wait timed out and the transaction is being tried again): the try
// before surely failed. A new statement is told by its time starting again from zero.
inline ::testing::AssertionResult esperaOtroIntento(host::Conexion& observador, qint64 sesion,
                                                    std::chrono::milliseconds plazo = 60s) {
    if (auto r = esperaBloqueada(observador, sesion, plazo); !r)
        return r;
    double antes = tiempoEnEstado(observador, sesion);
    return hastaQue(
        [&] {
            const double ahora = tiempoEnEstado(observador, sesion);
            const bool otro = ahora < antes;
            antes = std::max(antes, ahora);
            return otro;
        },
        plazo, QStringLiteral("otro intento de la sesión %1").arg(sesion), 10ms);
}

// True while a session whose statement names texto (a database, say) waits for a row lock:
// for a run whose connections the test does not hold.
inline bool algunaEnEsperaDeBloqueo(host::Conexion& observador, const QString& texto) {
    return leeTransacciones(
               observador,
               QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST p "
                              "JOIN information_schema.INNODB_TRX t ON "
                              "t.trx_mysql_thread_id=p.ID WHERE t.trx_state='LOCK WAIT' "
                              "AND p.INFO LIKE CONCAT('%', ?, '%')"),
               {texto}) > 0;
}

} // namespace pruebas
