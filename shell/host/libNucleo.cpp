#include "shell/host/libNucleo.h"

#include "shell/host/ArchivoIni.h"

namespace host {

QString libNucleo::LeeIni(const QString& seccion, const QString& clave,
                          const QString& archivo) const {
    return ArchivoIni::leeValor(archivo, seccion, clave);
}

void libNucleo::EscribeIni(const QString& seccion, const QString& clave, const QString& valor,
                           const QString& archivo) {
    ArchivoIni::escribeValor(archivo, seccion, clave, valor);
}

double libNucleo::nxVal(const QString& texto) {
    qsizetype i = 0;
    while (i < texto.size() && (texto.at(i) == u' ' || texto.at(i) == u'\t'))
        ++i;
    const qsizetype inicio = i;
    if (i < texto.size() && (texto.at(i) == u'-' || texto.at(i) == u'+'))
        ++i;
    bool punto = false;
    bool digitos = false;
    for (; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (c >= u'0' && c <= u'9')
            digitos = true;
        else if (c == u'.' && !punto)
            punto = true;
        else
            break;
    }
    if (!digitos)
        return 0;
    return texto.mid(inicio, i - inicio).toDouble();
}

} // namespace host
