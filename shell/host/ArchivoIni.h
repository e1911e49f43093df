#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace host {

// An INI file as people edit it by hand, which may belong to another program: sections and
// keys may carry blanks and accents and are looked up without regard to case. Setting a
// value changes only the bytes of that value's line (or adds a line); every other byte, the
// file's encoding, its line ends, its owner and its permissions stay as they were.
class ArchivoIni {
public:
    // How the file's text is written. A file whose bytes are not valid UTF-8 is Windows-1252;
    // one with a byte-order mark or valid non-ASCII UTF-8 is UTF-8; a new or plain-ASCII file
    // takes the encoding its owner expects.
    enum class Codificacion { Utf8, Windows1252 };

    // Larger files are refused: no INI file is that big, and reading one would only fill
    // the memory.
    static constexpr qint64 kTamanoMaximo = 1024 * 1024;

    explicit ArchivoIni(QString ruta, Codificacion siNoSeSabe = Codificacion::Utf8);

    // Reads the file; a missing file is empty and not an error. Throws ErrorArchivo when the
    // file exists but cannot be read or is larger than kTamanoMaximo.
    void carga();
    // The key's value with the blanks at both ends removed, and then one pair of double
    // quotes around the whole value; empty when the section or the key is absent. Of a key
    // written twice in its section, the first.
    QString lee(const QString& seccion, const QString& clave) const;
    // The names of the file's sections, in file order, as the file spells them.
    QStringList secciones() const;
    // Sets the key in memory, keeping the line's own spelling of the key; adds the key at
    // the end of its section, or the section at the end of the file, when absent. Throws
    // ErrorArchivo, changing nothing, when the section or key cannot be written as an INI
    // line, or when the file's encoding cannot hold the text.
    void escribe(const QString& seccion, const QString& clave, const QString& valor);
    // Writes the changes to the file (see ReemplazoArchivo); nothing is written when there
    // are none. Throws ErrorArchivo when the file cannot be written.
    void guarda();

    const QString& ruta() const { return ruta_; }
    Codificacion codificacion() const { return codificacion_; }

    // One value read from a file (empty on any failure).
    static QString leeValor(const QString& ruta, const QString& seccion, const QString& clave);
    // Reads, sets and saves one value; throws ErrorArchivo when it cannot, and then a file
    // that could not be read is left untouched.
    static void escribeValor(const QString& ruta, const QString& seccion, const QString& clave,
                             const QString& valor, Codificacion siNoSeSabe = Codificacion::Utf8);

    // The text of an INI file's bytes: UTF-8 (a leading byte-order mark dropped), or
    // Windows-1252 when the bytes are not valid UTF-8.
    static QString decodifica(const QByteArray& bytes);

private:
    struct Linea {
        QString texto;
        QByteArray bytes; // as read, or as the changed text encodes
        QByteArray fin;   // "\r\n", "\n", or empty for a last line without one
    };
    // Lines [inicio, fin) of a section's body; inicio = -1 when the section is absent.
    struct Tramo {
        int inicio = -1;
        int fin = -1;
    };
    Tramo buscaSeccion(const QString& seccion) const;
    int buscaClave(const Tramo& tramo, const QString& clave) const;
    QByteArray leeBytes() const;
    void exigeQueQuepa(const QString& texto, const QString& clave) const;
    QByteArray codifica(const QString& texto) const;
    void inserta(int posicion, const QString& texto);
    QByteArray contenido() const;

    QString ruta_;
    QList<Linea> lineas_;
    QByteArray bom_;
    QByteArray leido_;     // the file as read, to know whether anything changed
    QByteArray finNuevas_; // line end of added lines: the one the file uses most
    Codificacion siNoSeSabe_;
    Codificacion codificacion_;
    bool existe_ = false;
};

} // namespace host
