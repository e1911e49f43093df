#pragma once

#include <QString>

namespace host {

// INI access and the small text and date utilities every part uses.
class libNucleo {
public:
    // The key's value in the INI file; empty when the file, section or key is absent.
    QString LeeIni(const QString& seccion, const QString& clave, const QString& archivo) const;
    // Writes the key (creating the file, section or key when missing), changing nothing else
    // in the file (see ArchivoIni). Throws ErrorArchivo when the file cannot be written.
    void EscribeIni(const QString& seccion, const QString& clave, const QString& valor,
                    const QString& archivo);

    // The number the text begins with, 0 when none: blanks skipped, an optional sign, digits
    // with at most one decimal point ("12abc" -> 12, "-3.5x" -> -3.5, "abc" -> 0). No
    // exponent and no thousands separator: "1e3" -> 1, "1,5" -> 1.
    static double nxVal(const QString& texto);

    // Date fields: input mask (Qt's, blanks shown as "_"), display format (Qt's date
    // format) and the text an empty field shows.
    static QString MascaraFecha() { return QStringLiteral("99/99/9999;_"); }
    static QString FormatoFecha() { return QStringLiteral("dd/MM/yyyy"); }
    static QString FechaVacia() { return QStringLiteral("__/__/____"); }
};

} // namespace host
