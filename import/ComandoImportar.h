#pragma once

#include "shell/OpcionesOrden.h"

namespace comandos {

// "importar": reads a transfer file into the import database.
Ejecucion importar;
Opciones opcionesImportar;

} // namespace comandos
