#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// What an operation did, told to the user as a title, a summary and a table of lines (one
// per order, say), so it can be read, copied, saved or printed after the message that ends
// the operation has gone.
struct Informe {
    QString titulo;
    QString resumen;                // may hold several lines ("\n")
    QStringList columnas;           // the table's headings
    QVector<QStringList> renglones; // one text per column
    QString archivo;                // the file name proposed when saving (titulo + ".txt" if empty)

    // The table as tab-separated lines, headings first, each line ended by "\n": what a
    // spreadsheet or an editor takes when pasted. Tabs and line breaks inside a cell become
    // blanks, so the table keeps its shape.
    QString tabla() const;
    // Title, summary and the table in aligned columns, each line ended by "\n".
    QString texto() const;
    // The file name proposed for saving.
    QString nombreArchivo() const;
    // Writes texto() to the file as UTF-8 with the platform's line ends, replacing it whole
    // (never leaving it cut). Empty on success, else why it failed, in Spanish.
    QString guarda(const QString& ruta) const;
};
