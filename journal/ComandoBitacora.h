#pragma once

#include "shell/OpcionesOrden.h"

namespace comandos {

// "bitacora": the runs of the operations journals.
Ejecucion leeBitacora;
Opciones opcionesBitacora;

} // namespace comandos
