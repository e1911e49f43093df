#include "shell/AvisosConsola.h"

namespace {

// Messages separate their lines with a bare carriage return, which on a terminal would
// overwrite the line instead of starting a new one.
QString textoConsola(QString texto) {
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texto.replace(u'\r', u'\n');
    return texto;
}

QString nombreRespuesta(int respuesta) {
    switch (respuesta) {
    case Avisos::RespuestaCancelar:
        return QStringLiteral("Cancelar");
    case Avisos::RespuestaAbortar:
        return QStringLiteral("Anular");
    case Avisos::RespuestaNo:
        return QStringLiteral("No");
    default:
        return QStringLiteral("Aceptar");
    }
}

} // namespace

int AvisosConsola::muestra(const QString& prompt, int botones, const QString& titulo) {
    errores_ << textoConsola(titulo) << QStringLiteral(": ") << textoConsola(prompt) << Qt::endl;
    const int respuesta = respuestaSegura(botones);
    if (botonesDe(botones) != Aceptar)
        errores_ << QStringLiteral("(sin ventanas no se pregunta; respuesta: %1)")
                        .arg(nombreRespuesta(respuesta))
                 << Qt::endl;
    return respuesta;
}
