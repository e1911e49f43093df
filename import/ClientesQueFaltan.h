#pragma once

#include <QStringList>
#include <vector>

namespace host {
class Conexion;
}

namespace importacion {

// Of the customer keys given, which ones clientes lacks (1) and which it holds (0). Looked
// up by Clave, in bulk, with a locking read inside the caller's transaction, whatever the
// table's indexes: a customer found is never inserted again, and one not found cannot be
// added by another session before the transaction ends. A key written otherwise than the
// row the table takes as equal to it ("c1" for "C1") counts as held; when the table has a
// unique key on Clave, that key turns such a row away at its insert, so it is not asked
// for. Throws host::ErrorBdD.
std::vector<char> ClientesQueFaltan(host::Conexion& conexion, const QStringList& claves,
                                    bool claveUnica);

// Whether clientes has a unique key on Clave alone.
bool ClaveUnicaEnClientes(host::Conexion& conexion);

} // namespace importacion
