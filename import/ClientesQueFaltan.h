#pragma once

#include <QStringList>
#include <vector>

namespace host {
class Conexion;
}

namespace importacion {

// Of the customer keys given, which ones clientes lacks (1) and which it holds (0), as the
// table compares its keys ("c1" finds "C1" where the table takes them as equal). Looked up
// by Clave, in bulk, with a locking read inside the caller's transaction, whatever the
// table's indexes: a customer found is never inserted again, and one not found cannot be
// added by another session before the transaction ends. Throws host::ErrorBdD.
std::vector<char> ClientesQueFaltan(host::Conexion& conexion, const QStringList& claves);

} // namespace importacion
