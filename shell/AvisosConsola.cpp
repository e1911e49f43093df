#include "shell/AvisosConsola.h"

namespace {

QString nombreRespuesta(Avisos::Respuesta respuesta) {
    switch (respuesta) {
    case Avisos::Respuesta::Cancelar:
        return QStringLiteral("Cancelar");
    case Avisos::Respuesta::Abortar:
        return QStringLiteral("Anular");
    case Avisos::Respuesta::No:
        return QStringLiteral("No");
    default:
        return QStringLiteral("Aceptar");
    }
}

} // namespace

Avisos::Respuesta AvisosConsola::muestra(const QString& prompt, Estilo estilo,
                                         const QString& titulo) {
    errores_ << titulo << QStringLiteral(": ") << prompt << Qt::endl;
    const Respuesta respuesta = respuestaSegura(estilo.botones);
    if (estilo.botones != Botones::Aceptar)
        errores_ << QStringLiteral("(sin ventanas no se pregunta; respuesta: %1)")
                        .arg(nombreRespuesta(respuesta))
                 << Qt::endl;
    return respuesta;
}
