#include "shell/host/Utilerias.h"

#include <QByteArray>

namespace host {

namespace {

const QString kMarca = QStringLiteral("KX1:");
const QByteArray kClave("acumulapedidos");

// XOR with a key that also shifts with the position, so repeated letters do not repeat
// in the output; applying it twice gives the input back.
QByteArray mezcla(QByteArray bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(bytes.at(i) ^ kClave.at(i % kClave.size()) ^ char((i * 29) & 0xFF));
    return bytes;
}

} // namespace

QString Utilerias::Encripta(const QString& texto) {
    return kMarca + QString::fromLatin1(mezcla(texto.toUtf8()).toBase64());
}

QString Utilerias::DesEncripta(const QString& texto) {
    const QString t = texto.trimmed();
    if (!t.startsWith(kMarca))
        return texto;
    const auto decodificado = QByteArray::fromBase64Encoding(
        t.mid(kMarca.size()).toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decodificado)
        return texto;
    return QString::fromUtf8(mezcla(decodificado.decoded));
}

} // namespace host
