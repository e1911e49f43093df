#pragma once

#include "shell/host/Conexion.h"
#include "shell/host/FalloSistema.h"

namespace host {

// A failure the database server or its client library reported, told as FalloSistema: what
// happened and what the user can do, with the library's own text as the detail.
namespace falloServidor {

// The connection could not be opened: codigo and detalle as the client library gave them.
FalloSistema alConectar(unsigned codigo, const QString& detalle, const ParametrosConexion& p);
// A statement failed on an open connection.
FalloSistema enInstruccion(unsigned codigo, const QString& detalle, const ParametrosConexion& p);

} // namespace falloServidor

} // namespace host
