#pragma once

#include "shell/OpcionesOrden.h"

class QTextStream;
struct Programa;

namespace comandos {

// "exportar": writes the transfer file and copies it to a folder.
Ejecucion exportar;
Opciones opcionesExportar;

// Whether the export's database is configured; when not, says so on errores.
bool hayBaseExportar(const Programa& programa, QTextStream& errores);

} // namespace comandos
