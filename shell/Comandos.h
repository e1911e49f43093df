#pragma once

#include "shell/Programa.h"

#include <QStringList>
#include <QTextStream>

// The commands the program runs without windows. Each takes the arguments that follow the
// command's name, writes its results to salida and its errors, in Spanish, to errores, and
// gives the exit status (0 success, 1 failure).
namespace comandos {

int buscar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
           QTextStream& errores);
int acumular(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores);
int exportar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores);
int importar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores);
// "bitacora": the runs of the operations journals.
int leeBitacora(Programa& programa, const QStringList& argumentos, QTextStream& salida,
                QTextStream& errores);

} // namespace comandos
