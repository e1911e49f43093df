#pragma once

#include "shell/OpcionesOrden.h"

namespace comandos {

// "deshacer": takes back an import or an accumulation recorded in the journal.
Ejecucion deshacer;
Opciones opcionesDeshacer;

} // namespace comandos
