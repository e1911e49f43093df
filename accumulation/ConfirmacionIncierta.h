#pragma once

#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/TiposAcumulacion.h"
#include "shell/host/BasesDD.h"

#include <QVector>

namespace acumulacion {

// A group of orders whose COMMIT was sent, or may have been, but whose answer never came
// back: the server may have stored the group or not.
struct ConfirmacionIncierta {
    QVector<FolioDado> grupo; // what the group stores when it is stored
    qint64 sesion = 0;        // the server's id of the session that was lost
    QString causa;            // the error that was heard instead of the answer
};

enum class Desenlace { Guardado, NoGuardado, Desconocido };

// Finds out, on a new connection to bases.cMiBase, whether the group was stored. The lost
// session is ended first when the server still has it, and awaited, so that a COMMIT still
// under way is finished or undone before looking. Then the group's new orders are looked
// for in the current database and its lines in the source. detalle says why when the
// outcome cannot be known.
Desenlace CompruebaGrupo(const host::BasesDD& bases, const EmpresaOrigen& empresa,
                         const ConfirmacionIncierta& incierta, QString& detalle);

} // namespace acumulacion
