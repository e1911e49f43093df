#pragma once

#include <QString>

// What every operation (accumulation, export, import) answers at its edge: ok only once the
// run did all it was asked; a run that stopped is not ok, and cancelado tells a cancel from a
// failure. mensaje says which, in Spanish, fit for a message box; avisoBitacora why no
// journal was kept of the run (empty when one was).
struct ResultadoOperacion {
    bool ok = false;
    bool cancelado = false;
    QString mensaje;
    QString avisoBitacora;
};
