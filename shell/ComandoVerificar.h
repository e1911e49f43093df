#pragma once

#include "shell/OpcionesOrden.h"

#include <QStringList>
#include <QTextStream>

struct Programa;

namespace comandos {

// Opens the main, export and import databases and writes one line for each: what it
// reached on success (to salida), why it could not on failure (to errores). 0 when all
// three opened, 1 otherwise.
int verificar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
              QTextStream& errores);
// It has none of its own.
const QList<Opcion>& opcionesVerificar();

} // namespace comandos
