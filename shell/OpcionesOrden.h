#pragma once

#include <QDate>
#include <QList>
#include <QMultiHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// An option of the command line.
struct Opcion {
    QString nombre;           // without dashes: "desde"
    QString valor;            // the name of its value in the help ("FECHA"); empty: a switch
    QString ayuda;            // its meaning, in Spanish
    bool obligatoria = false; // for the help's synopsis; the command checks it
    bool repetible = false;   // may be given several times
};

struct Programa;
class QTextStream;

namespace comandos {
// What every command is: it takes the arguments that follow its name, writes its results to
// salida and its errors, in Spanish, to errores, and gives the exit status (0 success, 1
// failure). Each job declares its commands with it: "Ejecucion buscar;".
using Ejecucion = int(Programa& programa, const QStringList& argumentos, QTextStream& salida,
                      QTextStream& errores);
// The options of a command, for reading its arguments and for its help.
using Opciones = const QList<Opcion>&();
} // namespace comandos

// An option whose value is a date ("FECHA", read as dd/mm/aaaa or aaaa-mm-dd).
inline Opcion opcionFecha(const QString& nombre, const QString& ayuda, bool obligatoria = false) {
    return {nombre, QStringLiteral("FECHA"), ayuda, obligatoria};
}

// The command line's options, read the same way for the program and every command:
// "--name value" or "--name=value", switches without a value, and Qt's own window options
// ("-platform NAME", "-style NAME"...), which are let through to Qt. The program's options
// (--ini, --help, --version) and Qt's are admitted everywhere, before or after the command.
class OpcionesOrden {
public:
    // paraEnOrden: the first word that is no option ends the reading (the command's name,
    // the rest being its arguments); otherwise such a word is an error.
    OpcionesOrden(const QStringList& argumentos, const QList<Opcion>& admitidas,
                  bool paraEnOrden = false);

    // Empty when the line was understood; otherwise what is wrong, in Spanish.
    const QString& error() const { return error_; }
    bool tiene(const QString& nombre) const { return valores_.contains(nombre); }
    // The value given last.
    QString valor(const QString& nombre) const { return valores_.value(nombre); }
    // Every value given, in the order of the line.
    QStringList valores(const QString& nombre) const;
    // With paraEnOrden: the word that ended the reading and what follows it.
    const QStringList& resto() const { return resto_; }

    // A date option: invalid (and the error set) when it is missing or not a date. Optional
    // ones absent give an invalid date without error.
    QDate fecha(const QString& nombre, bool obligatoria);
    // An optional date option: nothing when absent or not a date (and then the error set).
    std::optional<QDate> fechaSiHay(const QString& nombre);
    // The values of a repeatable Id option, each a whole number; the error names the first
    // that is not one.
    QVector<qint64> ids(const QString& nombre);
    // A run number as the journal lists it (a positive whole number): 0 when absent, and 0
    // with the error set when it is not such a number.
    qint64 corrida(const QString& nombre);
    // Records a check of the command that failed, unless an error came first.
    void falla(const QString& mensaje);

    // The options every command admits besides its own.
    static const QList<Opcion>& comunes();
    // The options as the help lists them: one per line, the meaning aligned.
    static QString textoAyuda(const QList<Opcion>& opciones);
    // The synopsis of the options: "--desde FECHA [--id ID]...".
    static QString sinopsis(const QList<Opcion>& opciones);
    // How to call a command: "Uso: acumulapedidos [--ini ARCHIVO] exportar --archivo ...".
    static QString uso(const QString& orden, const QList<Opcion>& opciones);

private:
    QMultiHash<QString, QString> valores_;
    QStringList resto_;
    QString error_;
};
