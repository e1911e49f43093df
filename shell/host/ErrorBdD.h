#pragma once

#include <QString>
#include <stdexcept>

namespace host {

// A database failure, with a Spanish text fit to show the user.
class ErrorBdD : public std::runtime_error {
public:
    ErrorBdD(const QString& mensaje, unsigned codigo = 0)
        : std::runtime_error(mensaje.toStdString()), mensaje_(mensaje), codigo_(codigo) {}

    const QString& mensaje() const { return mensaje_; }
    // The server's error number (0 when the failure is our own).
    unsigned codigo() const { return codigo_; }
    // True when the connection itself was lost (server gone, network cut).
    bool conexionPerdida() const { return codigo_ == 2006 || codigo_ == 2013 || codigo_ == 2055; }

private:
    QString mensaje_;
    unsigned codigo_;
};

} // namespace host
