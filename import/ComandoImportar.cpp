#include "shell/Comandos.h"

namespace comandos {

int importar(Programa&, const QStringList&, QTextStream&, QTextStream& errores) {
    errores << QStringLiteral("La orden \"importar\" todavía no está disponible.") << Qt::endl;
    return 1;
}

} // namespace comandos
