#pragma once

#include "shell/OpcionesOrden.h"

#include <QStringList>
#include <QTextStream>

struct Programa;

namespace comandos {

// "exportar": writes the transfer file and copies it to a folder.
int exportar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores);
const QList<Opcion>& opcionesExportar();

} // namespace comandos
