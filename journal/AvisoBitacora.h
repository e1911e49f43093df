#pragma once

#include <QString>
#include <QTextStream>

struct Programa;

namespace bitacora {

// Tells the user that an operation ran without its journal (aviso: the reason, as
// Bitacora::aviso() gives it) through the program's message box, once per program session
// for each such reason. Nothing when aviso is empty.
void avisaSinBitacora(Programa& programa, const QString& aviso);

// The same for a command: one "Aviso: …" line on errores.
void avisaSinBitacora(QTextStream& errores, const QString& aviso);

} // namespace bitacora
