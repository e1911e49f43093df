#include "journal/AvisoBitacora.h"

#include "shell/Programa.h"

namespace bitacora {

void avisaSinBitacora(Programa& programa, const QString& aviso) {
    if (aviso.isEmpty() || !programa.avisos || programa.avisosBitacora.contains(aviso))
        return;
    programa.avisosBitacora.insert(aviso);
    programa.avisos->MsgBox(aviso, Avisos::Icono::Exclamacion, QStringLiteral("Atención"));
}

void avisaSinBitacora(QTextStream& errores, const QString& aviso) {
    if (aviso.isEmpty())
        return;
    QString linea = aviso;
    linea.replace(QLatin1Char('\n'), QLatin1Char(' '));
    errores << QStringLiteral("Aviso: ") << linea << Qt::endl;
}

} // namespace bitacora
