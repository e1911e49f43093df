#include "send/VerificaDestino.h"

#include "shell/Cantidad.h"
#include "shell/host/Conexion.h"
#include "shell/host/ErrorBdD.h"
#include "shell/host/Recordset.h"

#include <QDir>
#include <mysql.h>

namespace envio {

namespace {

// The tables the import reads and writes.
const QStringList& tablasImportacion() {
    static const QStringList tablas = {QStringLiteral("pedidos"), QStringLiteral("pedidosdetalle"),
                                       QStringLiteral("clientes"), QStringLiteral("productos"),
                                       QStringLiteral("sistema")};
    return tablas;
}

} // namespace

std::unique_ptr<host::Conexion> ConectaDestino(const Destino& destino) {
    if (!destino.error.isEmpty())
        throw host::ErrorBdD(destino.error);
    try {
        return host::Conexion::abrir(destino.parametros());
    } catch (const host::ErrorBdD& e) {
        const QString de = QStringLiteral("Destino \"%1\": ").arg(destino.nombre);
        // The server's own wording points at the installation's settings; a destination's
        // live in its section.
        if (e.codigo() == 1045)
            throw host::ErrorBdD(de + QStringLiteral("el servidor %1:%2 no aceptó al usuario "
                                                     "\"%3\" con su contraseña: revise Usuario "
                                                     "y Password en la sección [Destino %4] "
                                                     "del archivo de configuración.")
                                          .arg(destino.servidor)
                                          .arg(destino.puerto)
                                          .arg(destino.usuario, destino.nombre),
                                 e.codigo());
        throw host::ErrorBdD(de + e.mensaje(), e.codigo());
    }
}

ResultadoOperacion VerificaDestino(const Destino& destino) {
    ResultadoOperacion r;
    try {
        auto conexion = ConectaDestino(destino);
        auto rs = conexion->consulta(
            QStringLiteral("SELECT LOWER(TABLE_NAME) FROM information_schema.TABLES WHERE "
                           "TABLE_SCHEMA=DATABASE()"));
        QStringList halladas;
        for (; !rs->eof(); rs->MoveNext())
            halladas << rs->texto(0);
        QStringList faltan;
        for (const QString& t : tablasImportacion())
            if (!halladas.contains(t))
                faltan << t;
        if (!faltan.isEmpty()) {
            r.mensaje = QStringLiteral("Destino \"%1\": la base de datos \"%2\" no tiene %3 %4: "
                                       "no es una base de datos de empresa, o el usuario \"%5\" "
                                       "no puede verlas.")
                            .arg(destino.nombre, destino.base,
                                 faltan.size() == 1 ? QStringLiteral("la tabla")
                                                    : QStringLiteral("las tablas"),
                                 faltan.join(QStringLiteral(", ")), destino.usuario);
            return r;
        }
        const char* cifra = mysql_get_ssl_cipher(conexion->manejador());
        auto version = conexion->consulta(QStringLiteral("SELECT VERSION()"));
        r.ok = true;
        r.mensaje =
            QStringLiteral("Destino \"%1\" (servidor %2, puerto %3, base \"%4\", "
                           "usuario \"%5\"): conectada, %6, %7 (versión del servidor "
                           "%8).")
                .arg(destino.nombre, destino.servidor)
                .arg(destino.puerto)
                .arg(destino.base, destino.usuario,
                     cifra ? QStringLiteral("cifrada (%1), certificado verificado")
                                 .arg(QString::fromLatin1(cifra))
                           : QStringLiteral("sin cifrar"),
                     cantidad(halladas.size(), QStringLiteral("tabla"), QStringLiteral("tablas")),
                     version->texto(0));
        return r;
    } catch (const host::ErrorBdD& e) {
        r.mensaje = e.mensaje();
        return r;
    }
}

} // namespace envio
