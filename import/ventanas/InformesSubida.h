#pragma once

#include "import/Importacion.h"
#include "shell/Informe.h"

namespace importacion {

// The preview, line by line as the command prints it, so it can be read, copied, saved or
// printed while the user decides. archivo: where the orders come from.
Informe informeRevision(const ResultadoImportacion& r, const QString& archivo);
// What an import stored, order by order, for the user to keep.
Informe informeImportacion(const ResultadoImportacion& r, const QString& archivo);

} // namespace importacion
