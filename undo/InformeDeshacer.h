#pragma once

#include "undo/Deshacer.h"

namespace deshacer {

// The words of an undo: its message and its report.
class InformeDeshacer {
public:
    // What the undo did (or would do, or why it did nothing), for the user.
    static QString mensaje(const ResultadoDeshacer& r);
    // The orders left, counted by why: "3 pedidos que cambiaron después de la corrida y 1 que
    // no se pudo comprobar".
    static QString dejados(const ResultadoDeshacer& r);
};

} // namespace deshacer
