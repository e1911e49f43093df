#pragma once

#include "shell/host/Error.h"

#include <QtGlobal>
#include <functional>

namespace transferencia {

// Thrown inside an export or import when the user cancels it; the operation's edge catches it
// (before the other kinds of host::Error) and reports the cancel in its result, in its own
// words.
class Cancelado : public host::Error {
public:
    Cancelado() : host::Error(QStringLiteral("Se canceló la operación.")) {}
};

// What a long export or import tells its caller while it runs.
struct Avance {
    // n of total orders done.
    std::function<void(qint64 n, qint64 total)> progreso;
    // Asked between orders; true stops the operation and leaves nothing behind.
    std::function<bool()> cancelar;

    void informa(qint64 n, qint64 total) const {
        if (progreso)
            progreso(n, total);
    }
    bool cancelado() const { return cancelar && cancelar(); }
};

} // namespace transferencia
