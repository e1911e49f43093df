#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace host {

// Windows-1252, the one-byte code page of the transfer file. Qt only reaches it through ICU,
// which a plain Qt build may lack, so the table lives here; the transfer file and the INI
// files read by hand both use it (it differs from Latin-1 only in
// 0x80-0x9F).
class CodificacionAnsi {
public:
    // Appends the bytes of texto to destino; every character the code page cannot hold is
    // written as "?". Gives how many characters were replaced.
    static int codifica(QStringView texto, QByteArray& destino);
    // The same from UTF-8 bytes (as the server sends text), without building a QString.
    static int codificaUtf8(QByteArrayView utf8, QByteArray& destino);
    // The same into raw memory with room for texto.size() (or utf8.size()) bytes, which
    // is always enough; gives how many bytes were written and adds the replaced ones to fuera.
    static qsizetype codifica(QStringView texto, char* destino, int& fuera);
    static qsizetype codificaUtf8(QByteArrayView utf8, char* destino, int& fuera);
    // The byte for one code point, or 0 when the code page has none (0 itself maps to 0).
    static char byteDe(char32_t caracter, bool& cabe);
    // Bytes read from a file, as text.
    static QString decodifica(QByteArrayView bytes);
    // The same into destino, reusing its memory when it can.
    static void decodifica(QByteArrayView bytes, QString& destino);
};

} // namespace host
