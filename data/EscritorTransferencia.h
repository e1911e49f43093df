#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QStringView>
#include <memory>

class QIODevice;

namespace transferencia {

class Sha256;

// Writes transfer file records field by field: commas between fields, CR LF after each
// record, Windows-1252 bytes. Buffered; termina() pushes the rest to the device.
class EscritorTransferencia {
public:
    explicit EscritorTransferencia(QIODevice& destino);
    ~EscritorTransferencia();
    EscritorTransferencia(const EscritorTransferencia&) = delete;
    EscritorTransferencia& operator=(const EscritorTransferencia&) = delete;

    // A quoted text. Every double quote becomes an apostrophe, since the format cannot
    // carry one inside a text. Gives how many characters Windows-1252 could not hold
    // (each written as "?").
    int texto(QStringView valor);
    int textoUtf8(QByteArrayView utf8);
    // A number exactly as given ("12.50", "-3"), without quotes.
    void numero(QByteArrayView cifras);
    void entero(qint64 valor);
    void logico(bool valor);        // #TRUE# / #FALSE#
    void nulo();                    // #NULL#
    void fecha(const QDate& fecha); // #yyyy-mm-dd#
    // #yyyy-mm-dd hh:mm:ss#, or #yyyy-mm-dd# at midnight.
    void fechaHora(const QDateTime& fechaHora);
    // A date or date and time as the server writes it ("2026-01-05", "2026-01-05 09:30:00"),
    // marked as #yyyy-mm-dd# or #yyyy-mm-dd hh:mm:ss# (no time at midnight).
    void fechaServidor(QByteArrayView texto);
    // "dd/mmm/yyyy" as a quoted text (the two dates of the header).
    void fechaTexto(const QDate& fecha);
    void finRegistro();

    // From now on each record ended is added to an order's fingerprint, as the import
    // computes it from the file: the record's bytes with a line feed for its CR LF.
    void calculaHuellas();
    // The fingerprint of the records ended since the last call (in hex), and starts again.
    QString tomaHuella();

    // Writes what is still buffered; throws ErrorTransferencia with the device's reason.
    void termina();
    qint64 registros() const { return registros_; }

private:
    // Room for n more bytes at the end of what is written.
    char* espacio(qsizetype n);
    void agrega(QByteArrayView bytes);
    void separa();
    template <typename Codifica> int entreComillas(qsizetype maximo, Codifica codifica);
    void vaciaSiLleno();
    QIODevice& destino_;
    QByteArray bufer_;    // written through raw pointers: many tiny appends
    qsizetype usado_ = 0; // bytes of bufer_ in use
    bool primerCampo_ = true;
    qint64 registros_ = 0;
    qsizetype inicioRegistro_ = 0; // where in bufer_ the record being written starts
    std::unique_ptr<Sha256> huella_;
};

} // namespace transferencia
