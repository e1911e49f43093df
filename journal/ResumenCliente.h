#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace host {
class Conexion;
} // namespace host

namespace bitacora {

// The digest of a customer's row as stored: every column of the table, with its name, as
// the server gives it. An import keeps it for each customer it creates; an undo compares, so
// a customer that someone completed or that the sales system used since (its last sale, a
// changed price) is kept instead of removed with the orders. A column added to the table
// meanwhile changes every digest: those customers are kept too.
class ResumenCliente {
public:
    // The digests (64 hexadecimal digits) of these customers of tabla (a qualified name),
    // keyed by their Clave in lower case, as the table compares keys; read with locking
    // reads when bloquea (kept to the end of the caller's transaction). A customer not found
    // has none. Throws host::ErrorBdD.
    static QHash<QString, QString> lee(host::Conexion& conexion, const QString& tabla,
                                       const QStringList& claves, bool bloquea);
};

} // namespace bitacora
