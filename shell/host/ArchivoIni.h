#pragma once

#include <QString>
#include <QStringList>

namespace host {

// An INI file as people edit it by hand: sections and keys may carry blanks and accents
// and are looked up without regard to case; comments, blank lines and any other lines are
// kept as they are when a value is rewritten. Read as UTF-8, or as Windows-1252 when the
// bytes are not valid UTF-8; written as UTF-8 and atomically (a crash leaves the old file).
class ArchivoIni {
public:
    explicit ArchivoIni(QString ruta);

    // Reads the file; a missing file is empty and not an error. False (ultimoError() says
    // why) when the file exists but cannot be read.
    bool carga();
    // The key's value, blanks trimmed and one pair of enclosing double quotes removed;
    // empty when the section or the key is absent.
    QString lee(const QString& seccion, const QString& clave) const;
    // Sets the key in memory, keeping the line's own spelling of the key; adds the key at
    // the end of its section, or the section at the end of the file, when absent. False
    // when the section or key cannot be written as an INI line.
    bool escribe(const QString& seccion, const QString& clave, const QString& valor);
    // Replaces the file with the lines in memory.
    bool guarda();

    const QString& ruta() const { return ruta_; }
    const QString& ultimoError() const { return ultimoError_; }

    // One value read from a file (empty on any failure).
    static QString leeValor(const QString& ruta, const QString& seccion, const QString& clave);
    // Reads, sets and saves one value; on failure gives false and, when error is given, why.
    static bool escribeValor(const QString& ruta, const QString& seccion, const QString& clave,
                             const QString& valor, QString* error = nullptr);

    // The text of an INI file's bytes: UTF-8 (a leading byte-order mark dropped), or
    // Windows-1252 when the bytes are not valid UTF-8.
    static QString decodifica(const QByteArray& bytes);

private:
    // Lines [inicio, fin) of a section's body; inicio = -1 when the section is absent.
    struct Tramo {
        int inicio = -1;
        int fin = -1;
    };
    Tramo buscaSeccion(const QString& seccion) const;
    int buscaClave(const Tramo& tramo, const QString& clave) const;

    QString ruta_;
    QStringList lineas_;
    bool crlf_ = false; // the file's own line ends are kept on rewrite
    bool bom_ = false;
    QString ultimoError_;
};

} // namespace host
