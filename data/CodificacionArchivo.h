#pragma once

#include <QByteArrayView>
#include <QString>

class QIODevice;

namespace transferencia {

// How the bytes of a transfer file are turned into text. The format's own is the one-byte
// Windows code page; a file saved by an editor as UTF-8 is read as UTF-8 instead.
class CodificacionArchivo {
public:
    enum Tipo { Ansi, Utf8 };

    // Reads the device from where it is to its end. UTF-8 when the file starts with the
    // UTF-8 byte-order mark, or when all of it is valid UTF-8 and it holds at least one
    // character of more than one byte; the code page otherwise (a file of plain ASCII reads
    // the same either way). Throws ErrorTransferencia when the file cannot be read or starts
    // with the byte-order mark of UTF-16.
    static CodificacionArchivo detecta(QIODevice& archivo);

    Tipo tipo() const { return tipo_; }
    bool conMarca() const { return marca_; }
    // The notice for the user when the file is read as UTF-8 (empty otherwise); linea is
    // the first line holding a character of more than one byte (0 when unknown).
    QString aviso(int linea) const;

    static bool esMarca(QByteArrayView inicio);
    // True when the bytes are complete, valid UTF-8 (no overlong forms, no surrogates).
    static bool esUtf8(QByteArrayView bytes);

private:
    Tipo tipo_ = Ansi;
    bool marca_ = false;
};

} // namespace transferencia
