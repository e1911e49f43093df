#pragma once

#include "accumulation/ComandosAcumulacion.h"
#include "export/ComandoExportar.h"
#include "import/ComandoImportar.h"
#include "journal/ComandoBitacora.h"
#include "send/ComandosEnvio.h"
#include "shell/ComandoVerificar.h"
#include "shell/OpcionesOrden.h"
#include "shell/Programa.h"
#include "undo/ComandoDeshacer.h"

#include <QStringList>
#include <QTextStream>

// The commands the program runs without windows. Each takes the arguments that follow the
// command's name, writes its results to salida and its errors, in Spanish, to errores, and
// gives the exit status (0 success, 1 failure). Each job declares its own; this table is the
// only place that knows them all.
namespace comandos {

// A command as the command line knows it.
struct Orden {
    QString nombre;
    QString resumen; // one line for the program's help
    Opciones* opciones;
    Ejecucion* ejecuta;
};
const QList<Orden>& ordenes();
// The command of that name; nullptr when there is none.
const Orden* orden(const QString& nombre);

} // namespace comandos
