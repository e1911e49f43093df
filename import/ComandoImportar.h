#pragma once

#include "import/Importacion.h"
#include "shell/OpcionesOrden.h"

class QTextStream;

namespace comandos {

// "importar": reads a transfer file into the import database.
Ejecucion importar;
Opciones opcionesImportar;

// What importar prints of an import's result (the report of a preview, the orders stored, the
// warnings, the orders that made it refuse the file), shared with the commands that import a
// file of their own. Gives the command's exit status.
int escribeImportacion(const importacion::ResultadoImportacion& r, QTextStream& salida,
                       QTextStream& errores);

} // namespace comandos
