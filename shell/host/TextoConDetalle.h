#pragma once

#include <QString>

namespace host {

// A message for the user with its technical part kept apart: the driver's or system's own
// text and the statement that failed. Messages travel as one text (results, the journal);
// the technical part is written into it with the marks below, so a window can put it behind
// "Detalles" and a command on a line of its own, and a text without marks is all main text.
struct TextoConDetalle {
    QString principal; // Spanish: what happened and what to do
    QString detalle;   // the technical parts, one a line; empty when there are none

    // "mensaje (detalle: texto)": how a component's own text is added to a message.
    static QString conDetalle(const QString& mensaje, const QString& detalle);
    // The failed statement, on a line of its own ("\nInstrucción: SELECT …"), cut to
    // largo characters, its own line ends made blanks so the mark ends with its line.
    static QString instruccion(const QString& sql, qsizetype largo = 300);

    // Splits a text written with those marks, wherever they are in it (a message quoted
    // inside another keeps its detail too).
    static TextoConDetalle separa(const QString& texto);

    // For commands: the main text, then "Detalle: …" on the next line when there is one.
    static QString enDosLineas(const QString& texto);
};

} // namespace host
