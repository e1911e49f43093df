#pragma once

#include "shell/host/Error.h"

namespace transferencia {

// A transfer file that cannot be written or read.
class ErrorTransferencia : public host::Error {
public:
    explicit ErrorTransferencia(const QString& mensaje, int linea = 0)
        : host::Error(mensaje), linea_(linea) {}
    // Line of the file where the faulty record starts (0 when not about a record).
    int linea() const { return linea_; }

private:
    int linea_;
};

} // namespace transferencia
