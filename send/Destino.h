#pragma once

#include "shell/host/Conexion.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// Sending orders straight to another company's server.
namespace envio {

// A company database on another server that orders can be sent to: a section
// "[Destino NOMBRE]" of the program's INI file.
struct Destino {
    QString nombre;
    QString servidor;
    unsigned puerto = 3306;
    QString base;
    QString usuario;
    QString password; // in clear, as the connection needs it
    bool cifrado = true;
    QString certificadoCA; // absolute path of the PEM file (empty: none named)
    // Why the section cannot be used, in Spanish; empty when it can.
    QString error;

    // The server is this machine: the link never leaves it, so it may go without TLS.
    bool local() const;
    // The connection to the destination's database: with TLS verified against the CA file
    // whenever one is named and encryption is on.
    host::ParametrosConexion parametros() const;
    // The warning a connection without TLS to another machine gives each time; empty when
    // the link is encrypted or stays on this machine.
    QString avisoSinCifrado() const;
    // "sucursal (servidor 10.0.0.5:3306, base empresa2)", for messages and the journal.
    QString texto() const;
};

// The destinations of the INI file.
class Destinos {
public:
    static QString prefijoSeccion() { return QStringLiteral("Destino "); }

    // Every [Destino NOMBRE] section, in file order. A password typed in clear is stored
    // back enciphered, changing nothing else in the file; when it cannot be, avisos says why
    // and the destination is still usable.
    static QVector<Destino> lee(const QString& archivoIni, QStringList* avisos = nullptr);
    // The destination of that name (compared without regard to case), or none.
    static std::optional<Destino> busca(const QString& archivoIni, const QString& nombre,
                                        QStringList* avisos = nullptr);
};

} // namespace envio
