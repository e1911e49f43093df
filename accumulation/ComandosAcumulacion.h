#pragma once

#include "shell/OpcionesOrden.h"

namespace comandos {

// "buscar" lists the pending orders of the other companies; "acumular" brings them in.
Ejecucion buscar, acumular;
Opciones opcionesBuscar, opcionesAcumular;

} // namespace comandos
