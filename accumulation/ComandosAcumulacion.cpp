#include "shell/Comandos.h"

namespace comandos {

int buscar(Programa&, const QStringList&, QTextStream&, QTextStream& errores) {
    errores << QStringLiteral("La orden \"buscar\" todavía no está disponible.") << Qt::endl;
    return 1;
}

int acumular(Programa&, const QStringList&, QTextStream&, QTextStream& errores) {
    errores << QStringLiteral("La orden \"acumular\" todavía no está disponible.") << Qt::endl;
    return 1;
}

} // namespace comandos
