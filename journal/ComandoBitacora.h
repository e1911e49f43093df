#pragma once

#include "shell/OpcionesOrden.h"

#include <QStringList>
#include <QTextStream>

struct Programa;

namespace comandos {

// "bitacora": the runs of the operations journals.
int leeBitacora(Programa& programa, const QStringList& argumentos, QTextStream& salida,
                QTextStream& errores);
const QList<Opcion>& opcionesBitacora();

} // namespace comandos
