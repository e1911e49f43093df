#pragma once

#include "journal/TiposBitacora.h"
#include "shell/ResultadoOperacion.h"
#include "shell/host/Avance.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <utility>

namespace host {
class BasesDD;
class Conexion;
} // namespace host

// Taking a run back: an import or an accumulation undone from its journal, in one
// transaction, leaving alone every order someone changed since.
namespace deshacer {

struct OpcionesDeshacer {
    qint64 corrida = 0;
    // The database whose journal holds the run; empty: the one that holds run corrida as an
    // accumulation (the current database) or an import (the import database).
    QString base;
    bool revisar = false; // run it whole and roll it back: shows what it would do
    bool parcial = false; // undo the orders nobody changed, leave the others
};

// An order the undo removes; for an accumulation, the source order it goes back to.
struct PedidoQuitado {
    qint64 id = 0;
    QString pedido; // "A-100"
    qint64 renglones = 0;
    QString baseOrigen;
    qint64 idOrigen = 0;
    QString pedidoOrigen;
};

// Why an order is left: it (or its source order) changed since the run, or the undo could
// not check that it did not (its source database unreadable, the run recorded too little).
enum class PorQueSeDeja { Cambio, SinComprobar };

// An order the undo leaves as it is, and why.
struct PedidoDejado {
    qint64 id = 0;
    QString pedido;
    QString motivo;
    PorQueSeDeja porQue = PorQueSeDeja::Cambio;
};

// The change of PorVender of one product of one database.
struct CambioExistencia {
    QString base;
    QString producto;
    QString antes, despues;
};

// progreso counts the orders checked and then those undone; cancelar is asked between
// steps and rolls everything back.
struct LlamadasDeshacer : transferencia::Avance {};

struct ResultadoDeshacer : ResultadoOperacion {
    qint64 corrida = 0;  // the run undone
    qint64 deshacer = 0; // the undo's own journal entry (0: none, as in a preview)
    bitacora::Operacion operacion = bitacora::Operacion::Importacion;
    QString base;
    bool revision = false;
    // Orders were changed since the run and the undo was not asked to leave them: nothing
    // was written (a preview still lists what leaving them would undo).
    bool rechazado = false;
    bool nadaQueDeshacer = false; // every order was undone before
    QVector<PedidoQuitado> quitados;
    QVector<PedidoDejado> dejados;
    QVector<CambioExistencia> existencias;
    QStringList clientes; // removed
    // Created by the run but changed since (completed by someone, or used by the sales
    // system): kept.
    QStringList clientesCambiados;
    QStringList clientesUsados; // created by the run, and used by other orders: kept
    qint64 renglones = 0;
    qint64 yaDeshechos = 0; // orders earlier undos took
    QStringList avisos;

    // The report: what is (or would be) removed, left, changed, and the totals; one line each.
    QStringList informe() const;
    // The customers kept, changed ones first, each with why.
    QVector<std::pair<QString, QString>> clientesDejados() const;
};

// Undoes run opciones.corrida of the journal of opciones.base (or of the database found as
// OpcionesDeshacer says). Never throws.
ResultadoDeshacer DeshaceCorrida(const host::BasesDD& bases, const QStringList& basesBitacora,
                                 const OpcionesDeshacer& opciones,
                                 const LlamadasDeshacer& llamadas = {});
// The same on a connection to the database whose journal holds the run.
ResultadoDeshacer DeshaceCorrida(host::Conexion& conexion, const OpcionesDeshacer& opciones,
                                 const LlamadasDeshacer& llamadas = {});

} // namespace deshacer
