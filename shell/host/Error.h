#pragma once

#include <QString>
#include <stdexcept>

namespace host {

// A failure inside the core, with a Spanish text fit to show the user. Its kinds say where
// it came from: ErrorBdD (the database), ErrorArchivo (a settings file), ErrorTransferencia
// (a transfer file), Cancelado (the user stopped the operation) and Desvio (a step left
// early inside one module). The functions the windows and commands call catch them and
// answer with a result struct; a catch that treats every kind alike catches this base.
// Nothing else is thrown on purpose.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& mensaje)
        : std::runtime_error(mensaje.toStdString()), mensaje_(mensaje) {}

    const QString& mensaje() const { return mensaje_; }

private:
    QString mensaje_;
};

// Thrown to leave a step early and caught again inside the module that threw it: a file
// that changed under the reader, a reader told to stop, an order at fault, a COMMIT whose
// answer was lost. Each kind carries its own data. One that reached a window or a command
// would be our fault: its text then says that the operation failed, never that it passed.
class Desvio : public Error {
public:
    Desvio() : Error(QStringLiteral("Error inesperado en la operación.")) {}
};

} // namespace host
