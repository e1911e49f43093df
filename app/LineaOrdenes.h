#pragma once

#include <QString>
#include <QStringList>

// The command line: acumulapedidos [OPTIONS] [COMMAND [OPTIONS...]]. The program's options
// (--ini, --help, --version) and Qt's may come before or after the command.
struct LineaOrdenes {
    QString archivoIni;     // empty: the one beside the executable
    QString orden;          // empty: open the windows
    QStringList argumentos; // what follows the command
    bool ayuda = false;     // --help: show the help (of the command, when there is one)
    bool version = false;   // --version
    QString error;          // not empty when the line cannot be understood

    // argumentos: the program's arguments without the program's own name.
    static LineaOrdenes interpreta(const QStringList& argumentos);
    // How to call the program, in a few lines: for the end of an error.
    QString uso() const;
    // The help: the program's, or the command's when there is one.
    QString textoAyuda() const;
    // "acumulapedidos 1.0.0".
    static QString textoVersion();
};
