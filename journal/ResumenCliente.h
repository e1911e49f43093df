#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace host {
class Conexion;
} // namespace host

namespace bitacora {

// The digest of a customer's row as stored: every column of the table, worked out by the
// server itself (SHA2 of each value's bytes), so the rows need not travel. An import keeps it
// for each customer it creates; an undo compares, so a customer that someone completed or
// that the sales system used since (its last sale, a changed price) is kept instead of
// removed with the orders. A column added to the table meanwhile changes every digest: those
// customers are kept too.
class ResumenCliente {
public:
    // The expression of a row's digest (64 hexadecimal digits) over the columns tabla (a
    // table of conexion's server, qualified or not) has now. Throws host::ErrorBdD.
    ResumenCliente(host::Conexion& conexion, const QString& tabla);

    // The digests of these customers, keyed by their Clave in lower case, as the table
    // compares keys; read with locking reads (kept to the end of the caller's transaction).
    // A customer not found has none. Throws host::ErrorBdD.
    QHash<QString, QString> lee(const QStringList& claves) const;
    // Writes, in the journal's customers' rows of run corrida, each of these customers with
    // its digest as stored now. Throws host::ErrorBdD.
    void anota(qint64 corrida, const QStringList& claves) const;

private:
    host::Conexion& conexion_;
    QString tabla_, expresion_;
};

} // namespace bitacora
