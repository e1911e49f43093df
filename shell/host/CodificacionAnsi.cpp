#include "shell/host/CodificacionAnsi.h"

namespace host {

namespace {

// 0x80-0x9F. The five bytes the code page leaves undefined map to the C1 control of the
// same number, as Windows does, so that they survive a round trip.
constexpr char16_t tabla80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

char CodificacionAnsi::byteDe(char32_t c, bool& cabe) {
    cabe = true;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    if (c <= 0xFFFF) {
        for (int i = 0; i < 32; ++i)
            if (tabla80[i] == c)
                return char(0x80 + i);
    }
    cabe = false;
    return '?';
}

qsizetype CodificacionAnsi::codifica(QStringView texto, char* destino, int& fuera) {
    char* d = destino;
    const qsizetype n = texto.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = texto[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && texto[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), texto[++i].unicode());
        bool cabe = true;
        *d++ = byteDe(c, cabe);
        fuera += cabe ? 0 : 1;
    }
    return d - destino;
}

qsizetype CodificacionAnsi::codificaUtf8(QByteArrayView utf8, char* destino, int& fuera) {
    char* d = destino;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const qsizetype n = utf8.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            *d++ = char(b);
            ++i;
            continue;
        }
        int largo = 0;
        char32_t c = 0;
        if ((b & 0xE0) == 0xC0) {
            largo = 2;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            largo = 3;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            largo = 4;
            c = b & 0x07;
        }
        bool valido = largo > 0 && i + largo <= n;
        for (int k = 1; valido && k < largo; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                valido = false;
            else
                c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (!valido) {
            // Not UTF-8: one replaced character per stray byte.
            *d++ = '?';
            ++fuera;
            ++i;
            continue;
        }
        bool cabe = true;
        *d++ = byteDe(c, cabe);
        fuera += cabe ? 0 : 1;
        i += largo;
    }
    return d - destino;
}

namespace {

// Appends through the raw form, which never writes more bytes than its input's length.
template <typename Texto>
int agregaA(QByteArray& destino, Texto texto, qsizetype (*codifica)(Texto, char*, int&)) {
    const qsizetype antes = destino.size();
    destino.resize(antes + texto.size());
    int fuera = 0;
    destino.truncate(antes + codifica(texto, destino.data() + antes, fuera));
    return fuera;
}

} // namespace

int CodificacionAnsi::codifica(QStringView texto, QByteArray& destino) {
    return agregaA<QStringView>(destino, texto, &CodificacionAnsi::codifica);
}

int CodificacionAnsi::codificaUtf8(QByteArrayView utf8, QByteArray& destino) {
    return agregaA<QByteArrayView>(destino, utf8, &CodificacionAnsi::codificaUtf8);
}

QString CodificacionAnsi::decodifica(QByteArrayView bytes) {
    QString texto;
    decodifica(bytes, texto);
    return texto;
}

void CodificacionAnsi::decodifica(QByteArrayView bytes, QString& destino) {
    // A text still shared with a value taken from it gets new memory instead of a copy.
    if (destino.isDetached())
        destino.resize(bytes.size());
    else
        destino = QString(bytes.size(), Qt::Uninitialized);
    QChar* d = destino.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(tabla80[b - 0x80]) : QChar(b);
    }
}

} // namespace host
