#pragma once

#include "shell/OpcionesOrden.h"
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

// The options of each command, for reading its arguments and for its help.
const QList<Opcion>& opcionesBuscar();
const QList<Opcion>& opcionesAcumular();
const QList<Opcion>& opcionesExportar();
const QList<Opcion>& opcionesImportar();
const QList<Opcion>& opcionesBitacora();

// A command as the command line knows it.
struct Orden {
    QString nombre;
    QString resumen; // one line for the program's help
    const QList<Opcion>& (*opciones)();
    int (*ejecuta)(Programa&, const QStringList&, QTextStream&, QTextStream&);
};
const QList<Orden>& ordenes();
// The command of that name; nullptr when there is none.
const Orden* orden(const QString& nombre);

} // namespace comandos
