#pragma once

#include "shell/OpcionesOrden.h"

#include <QStringList>
#include <QTextStream>

struct Programa;

namespace comandos {

// "buscar" lists the pending orders of the other companies; "acumular" brings them in.
int buscar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
           QTextStream& errores);
const QList<Opcion>& opcionesBuscar();
int acumular(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores);
const QList<Opcion>& opcionesAcumular();

} // namespace comandos
