#pragma once

#include "data/CodificacionArchivo.h"
#include "data/Sha256.h"

#include <QByteArray>
#include <QString>
#include <QVector>

class QIODevice;

namespace transferencia {

struct Campo {
    QString valor;
    bool entreComillas = false; // written as a quoted text
};

struct Registro {
    bool encabezado = false; // first field exactly "M"; anything else is a line record
    int linea = 0;           // line of the file where the record starts
    QVector<Campo> campos;   // the marker first: 40 fields for a header, 21 for a line
};

// Text the reader drops: what follows the closing quote of a field up to its separator.
struct TextoDescartado {
    int linea = 0;
    QString texto;
};

// Reads transfer file records from a stream, with a buffer of fixed size:
//  - blanks and tabs in front of a field are skipped;
//  - a field that begins with a double quote runs to the next double quote (commas and line
//    ends included); whatever follows up to the next comma or line end is dropped;
//  - any other field runs to the next comma or line end, without its trailing blanks;
//  - a comma or a line end ends a field alike, so records are counted in fields, not lines;
//  - blank lines between records, in front of the first or behind the last are ignored;
//  - reading stops when the file ends at a record boundary.
// A line end is CR LF; a lone CR or LF is taken as one too. The bytes are read as the code
// page, or as UTF-8 (the byte-order mark skipped, invalid bytes refused).
class LectorTransferencia {
public:
    explicit LectorTransferencia(
        QIODevice& origen, CodificacionArchivo::Tipo codificacion = CodificacionArchivo::Ansi);
    LectorTransferencia(const LectorTransferencia&) = delete;
    LectorTransferencia& operator=(const LectorTransferencia&) = delete;

    // The next record; false at the end of the file. Throws ErrorTransferencia when the
    // file ends inside a record or cannot be read.
    bool siguiente(Registro& registro);
    // Line of the file the reader is on (from 1).
    int linea() const { return linea_; }
    // SHA-256 of every byte read so far: of the whole file once siguiente() gave false.
    QByteArray digesto() { return digesto_.resultado(); }
    // First line with a character of more than one byte, when read as UTF-8 (0: none).
    int primeraLineaMultibyte() const { return primeraMultibyte_; }

    // When on, crudo() holds the last record as read, before its bytes become text: each
    // field's bytes (a quoted one between its quotes), separated by commas, ended by a line
    // end. Blanks in front of fields, the style of line ends and text dropped after quotes
    // do not show in it, and neither does how the file's encoding is read.
    void guardaCrudo(bool guarda) { guardaCrudo_ = guarda; }
    const QByteArray& crudo() const { return crudo_; }

    // Text dropped so far (the first hundred, each cut to its first 200 bytes), and how many
    // there were.
    const QVector<TextoDescartado>& descartados() const { return descartados_; }
    qint64 totalDescartados() const { return totalDescartados_; }

private:
    // False when the file ends before the field (or inside its quotes).
    bool leeCampo(Campo& campo);
    bool soloQuedanBlancos();
    bool hayBytes();
    void saltaFinDeLinea();
    void decodificaUtf8(Campo& campo, int lineaCampo);
    void descarta(const QByteArray& bytes, int linea);

    QIODevice& origen_;
    QByteArray bufer_;
    qsizetype pos_ = 0;
    qsizetype fin_ = 0;
    bool agotado_ = false;
    int linea_ = 1;
    CodificacionArchivo::Tipo codificacion_;
    bool alInicio_ = true;
    bool conMarca_ = false;
    int primeraMultibyte_ = 0;
    Sha256 digesto_;
    bool comillasAbiertas_ = false; // the last field hit the end of the file inside quotes
    QByteArray campo_;
    bool guardaCrudo_ = false;
    QByteArray crudo_;
    QVector<TextoDescartado> descartados_;
    qint64 totalDescartados_ = 0;
};

} // namespace transferencia
