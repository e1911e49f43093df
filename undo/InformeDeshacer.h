#pragma once

#include "undo/Deshacer.h"

namespace deshacer {

// The words of an undo: its message and its report.
class InformeDeshacer {
public:
    // What the undo did (or would do, or why it did nothing), for the user.
    static QString mensaje(const ResultadoDeshacer& r);
};

} // namespace deshacer
