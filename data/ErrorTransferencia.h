#pragma once

#include <QString>
#include <stdexcept>

namespace transferencia {

// A transfer file that cannot be written or read, with a Spanish text fit to show the user.
class ErrorTransferencia : public std::runtime_error {
public:
    explicit ErrorTransferencia(const QString& mensaje, int linea = 0)
        : std::runtime_error(mensaje.toStdString()), mensaje_(mensaje), linea_(linea) {}
    const QString& mensaje() const { return mensaje_; }
    // Line of the file where the faulty record starts (0 when not about a record).
    int linea() const { return linea_; }

private:
    QString mensaje_;
    int linea_;
};

} // namespace transferencia
