#pragma once

#include "shell/host/Error.h"

namespace host {

// A database failure.
class ErrorBdD : public Error {
public:
    ErrorBdD(const QString& mensaje, unsigned codigo = 0) : Error(mensaje), codigo_(codigo) {}

    // The server's error number (0 when the failure is our own).
    unsigned codigo() const { return codigo_; }
    // True when the connection itself was lost (server gone, network cut).
    // 5013 and 5014: the link failed under a statement's reading or writing (as a bulk
    // statement run directly reports a server that went).
    bool conexionPerdida() const {
        return codigo_ == 2006 || codigo_ == 2013 || codigo_ == 2055 || codigo_ == 5013 ||
               codigo_ == 5014;
    }

private:
    unsigned codigo_;
};

} // namespace host
