#pragma once

#include "shell/OpcionesOrden.h"

#include <QStringList>
#include <QTextStream>

struct Programa;

namespace comandos {

// "importar": reads a transfer file into the import database.
int importar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores);
const QList<Opcion>& opcionesImportar();

} // namespace comandos
