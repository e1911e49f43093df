#include "shell/Comandos.h"

namespace comandos {

int exportar(Programa&, const QStringList&, QTextStream&, QTextStream& errores) {
    errores << QStringLiteral("La orden \"exportar\" todavía no está disponible.") << Qt::endl;
    return 1;
}

} // namespace comandos
