#pragma once

#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/TiposAcumulacion.h"
#include "shell/host/BasesDD.h"
#include "shell/host/Error.h"

#include <QVector>

namespace acumulacion {

// A group of orders whose COMMIT was sent, or may have been, but whose answer never came
// back: the server may have stored the group or not.
struct ConfirmacionIncierta : host::Desvio {
    ConfirmacionIncierta(QVector<FolioDado> g, qint64 s, QString c)
        : grupo(std::move(g)), sesion(s), causa(std::move(c)) {}
    QVector<FolioDado> grupo; // what the group stores when it is stored
    qint64 sesion = 0;        // the server's id of the session that was lost
    QString causa;            // the error that was heard instead of the answer
};

enum class EstadoConfirmacion { Guardado, NoGuardado, Desconocido };

// Finds out, on a new connection to bases.cMiBase, whether the group was stored. The lost
// session is ended first when the server still has it, and awaited, so that a COMMIT still
// under way is finished or undone before looking. Then the group's new orders are looked
// for in the current database and its lines in the source. detalle says why when the
// outcome cannot be known.
EstadoConfirmacion CompruebaGrupo(const host::BasesDD& bases, const EmpresaOrigen& empresa,
                                  const ConfirmacionIncierta& incierta, QString& detalle);

} // namespace acumulacion
