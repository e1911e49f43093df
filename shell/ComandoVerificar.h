#pragma once

#include "shell/OpcionesOrden.h"

namespace comandos {

// "verificar": opens the main, export and import databases and writes one line for each:
// what it reached on success (to salida), why it could not on failure (to errores). 0 when
// all three opened, 1 otherwise. It has no options of its own.
Ejecucion verificar;
Opciones opcionesVerificar;

} // namespace comandos
