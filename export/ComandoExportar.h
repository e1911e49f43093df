#pragma once

#include "shell/OpcionesOrden.h"

namespace comandos {

// "exportar": writes the transfer file and copies it to a folder.
Ejecucion exportar;
Opciones opcionesExportar;

} // namespace comandos
