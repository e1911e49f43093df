#include "data/CodificacionArchivo.h"

#include "data/ErrorTransferencia.h"
#include "shell/host/FalloSistema.h"

#include <QIODevice>
#include <cerrno>
#include <cstring>

namespace transferencia {

namespace {

// UTF-8 checked as it streams by, a sequence possibly split between two reads.
class ValidadorUtf8 {
public:
    void agrega(const unsigned char* p, qsizetype n) {
        qsizetype i = 0;
        while (i < n && valido_) {
            if (faltan_ == 0) {
                // Runs of ASCII eight bytes at a time.
                while (i + 8 <= n) {
                    quint64 ocho;
                    std::memcpy(&ocho, p + i, 8);
                    if (ocho & 0x8080808080808080ULL)
                        break;
                    i += 8;
                }
                if (i >= n)
                    break;
            }
            const unsigned char b = p[i++];
            if (faltan_ > 0) {
                if (b < minimo_ || b > maximo_) {
                    valido_ = false;
                    break;
                }
                minimo_ = 0x80;
                maximo_ = 0xBF;
                --faltan_;
            } else if (b >= 0x80) {
                inicia(b);
            }
        }
    }
    bool valido() const { return valido_ && faltan_ == 0; }
    bool sigueValido() const { return valido_; }
    bool multibyte() const { return multibyte_; }

private:
    // The lead byte of a sequence: how many bytes follow and the range of the first one.
    void inicia(unsigned char b) {
        multibyte_ = true;
        if (b >= 0xC2 && b <= 0xDF) {
            faltan_ = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            faltan_ = 2;
            if (b == 0xE0)
                minimo_ = 0xA0; // overlong
            if (b == 0xED)
                maximo_ = 0x9F; // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            faltan_ = 3;
            if (b == 0xF0)
                minimo_ = 0x90; // overlong
            if (b == 0xF4)
                maximo_ = 0x8F; // above U+10FFFF
        } else {
            valido_ = false;
        }
    }

    int faltan_ = 0;
    unsigned char minimo_ = 0x80, maximo_ = 0xBF;
    bool valido_ = true;
    bool multibyte_ = false;
};

} // namespace

bool CodificacionArchivo::esMarca(QByteArrayView inicio) {
    return inicio.startsWith(QByteArrayView("\xEF\xBB\xBF"));
}

bool CodificacionArchivo::esUtf8(QByteArrayView bytes) {
    ValidadorUtf8 v;
    v.agrega(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return v.valido();
}

CodificacionArchivo CodificacionArchivo::detecta(QIODevice& archivo) {
    CodificacionArchivo c;
    ValidadorUtf8 v;
    QByteArray bufer(1 << 16, Qt::Uninitialized);
    bool primero = true;
    for (;;) {
        const qint64 leidos = archivo.read(bufer.data(), bufer.size());
        if (leidos < 0)
            throw ErrorTransferencia(
                host::FalloSistema::deDispositivo(archivo, QFileDevice::ReadError, errno).texto());
        const QByteArrayView inicio(bufer.constData(), primero ? leidos : 0);
        // Read byte by byte, UTF-16 would only give records out of step.
        if (inicio.startsWith("\xFF\xFE") || inicio.startsWith("\xFE\xFF"))
            throw ErrorTransferencia(QStringLiteral(
                "El archivo está escrito en UTF-16 (Unicode), que no se puede leer. Guárdelo "
                "como UTF-8 o como ANSI (Windows-1252) e impórtelo otra vez."));
        if (esMarca(inicio)) {
            c.tipo_ = Utf8;
            c.marca_ = true;
            return c;
        }
        primero = false;
        if (leidos == 0)
            break;
        v.agrega(reinterpret_cast<const unsigned char*>(bufer.constData()), leidos);
        // One byte that is not UTF-8 settles it: the rest need not be read.
        if (!v.sigueValido())
            return c;
    }
    if (v.valido() && v.multibyte())
        c.tipo_ = Utf8;
    return c;
}

QString CodificacionArchivo::aviso(int linea) const {
    if (tipo_ != Utf8)
        return {};
    if (marca_)
        return QStringLiteral("El archivo empieza con la marca de UTF-8: se leyó como texto "
                              "UTF-8 y no como ANSI (Windows-1252).");
    return QStringLiteral("El archivo está escrito en UTF-8 (sus acentos y símbolos lo son, el "
                          "primero en la línea %1): se leyó como texto UTF-8 y no como ANSI "
                          "(Windows-1252). Revise que los nombres se vean bien.")
        .arg(linea);
}

} // namespace transferencia
