#pragma once

#include <QStringList>
#include <QTextStream>

struct Programa;

namespace comandos {

// Opens the main, export and import databases and writes one line for each: what it
// reached on success (to salida), why it could not on failure (to errores). 0 when all
// three opened, 1 otherwise.
int verificar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
              QTextStream& errores);

} // namespace comandos
