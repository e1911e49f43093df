#pragma once

#include "support/HastaQue.h"

#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

namespace pruebas {

// The server's id of the session behind conexion, to watch it from another one.
inline qint64 sesion(host::Conexion& conexion) {
    return conexion.consulta(QStringLiteral("SELECT CONNECTION_ID()"))->entero(0);
}

// True while that session waits for a row lock another session holds, as the server shows it.
inline bool enEsperaDeBloqueo(host::Conexion& observador, qint64 sesion) {
    return observador
               .consulta(QStringLiteral("SELECT COUNT(*) FROM information_schema.INNODB_TRX WHERE "
                                        "trx_mysql_thread_id=? AND trx_state='LOCK WAIT'"),
                         {sesion})
               ->entero(0) > 0;
}

// Waits until that session waits for a row lock: the moment a test of two sessions at once
// lets go of its lock, instead of a pause that may be too short on a busy machine.
inline ::testing::AssertionResult esperaBloqueada(host::Conexion& observador, qint64 sesion,
                                                  std::chrono::milliseconds plazo = 60s) {
    return hastaQue([&] { return enEsperaDeBloqueo(observador, sesion); }, plazo,
                    QStringLiteral("la espera de un bloqueo de la sesión %1").arg(sesion));
}

// Waits until a session that waits for a lock gives up that wait (its lock wait timed out)
// and waits again in a later try: the try before it surely failed.
inline ::testing::AssertionResult esperaOtroIntento(host::Conexion& observador, qint64 sesion,
                                                    std::chrono::milliseconds plazo = 60s) {
    if (auto r = esperaBloqueada(observador, sesion, plazo); !r)
        return r;
    if (auto r = hastaQue([&] { return !enEsperaDeBloqueo(observador, sesion); }, plazo,
                          QStringLiteral("el fin de la espera de la sesión %1").arg(sesion));
        !r)
        return r;
    return esperaBloqueada(observador, sesion, plazo);
}

} // namespace pruebas
