#pragma once

#include <QString>
#include <QStringList>

// The command line: acumulapedidos [--ini FILE] [COMMAND ARGS...]
struct LineaOrdenes {
    QString archivoIni;     // empty: the one beside the executable
    QString orden;          // empty: open the windows
    QStringList argumentos; // what follows the command
    QString error;          // not empty when the line cannot be understood

    // argumentos: the program's arguments without the program's own name.
    static LineaOrdenes interpreta(const QStringList& argumentos);
    // How to call the program, in Spanish.
    static QString uso();
};
