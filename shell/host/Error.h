#pragma once

#include <QString>
#include <stdexcept>

namespace host {

// A failure inside the core, with a Spanish text fit to show the user. Its kinds say where
// it came from: ErrorBdD (the database), ErrorArchivo (a settings file), ErrorTransferencia
// (a transfer file) and Cancelado (the user stopped the operation). The functions the
// windows and commands call catch them and answer with a result struct; a catch that treats
// every kind alike catches this base.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& mensaje)
        : std::runtime_error(mensaje.toStdString()), mensaje_(mensaje) {}

    const QString& mensaje() const { return mensaje_; }

private:
    QString mensaje_;
};

} // namespace host
