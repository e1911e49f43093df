#pragma once

#include "send/Destino.h"
#include "shell/ResultadoOperacion.h"

#include <memory>

namespace host {
class Conexion;
}

namespace envio {

// Opens a connection to the destination's database. Throws host::ErrorBdD with what is
// wrong, in Spanish and naming the destination: its section, the certificate, a server that
// refuses or does not answer, the user or password, a missing database.
std::unique_ptr<host::Conexion> ConectaDestino(const Destino& destino);

// Connects to the destination and checks that its database has the tables an import
// writes. ok with a line that says how it is reached (encrypted or not) and what it holds;
// otherwise mensaje says what is wrong.
ResultadoOperacion VerificaDestino(const Destino& destino);

} // namespace envio
