#pragma once

#include "shell/ResultadoOperacion.h"
#include "shell/host/Avance.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

namespace host {
class BasesDD;
class Conexion;
} // namespace host

// Reading a transfer file into the import database.
namespace importacion {

// An order as the import database received it (or, in a preview, would receive it).
struct PedidoImportado {
    qint64 id = 0;
    QString serie;
    qint32 folio = 0;
    int linea = 0;     // line of its header in the file
    QString origen;    // the order as the file names it: its series and folio, "B-1520"
    int renglones = 0; // its lines
    // "Id 12, folio A-7" ("folio 7" for the series without name).
    QString texto() const;
};

// An order of the file that the import database already received: its fingerprint, the
// SHA-256 of its header and line records as the file holds them, is in the register of
// imported orders.
struct PedidoYaImportado {
    int linea = 0;
    QString origen;
    QString huella;
    QDateTime primera;      // start of the import that first brought it in (invalid: unknown)
    qint64 corrida = 0;     // that import's entry in the journal
    int veces = 0;          // how many times it was imported
    QString pedidoAnterior; // "Id 200, folio A-3" it got the first time (empty: unknown)
    bool omitido = false;   // skipped this time (imported again otherwise)
};

// What to do with the orders of the file that were imported before.
enum class Importados {
    Rechazar, // refuse the whole file, writing nothing
    Omitir,   // import only the others
    Repetir,  // import them all again
};

struct OpcionesImportacion {
    Importados importados = Importados::Rechazar;
    // A preview: the import runs whole and is undone at the end, so it tells exactly what
    // it would do; nothing is kept, the journal included. It also lists the customers it
    // would create and the changes of PorVender.
    bool revisar = false;
    // Where the file came from when it was sent from another server ("servidor X, base Y"):
    // the journal names it instead of the file.
    QString origen = {};
};

struct ClienteNuevo {
    QString clave;
    QString nombre;
};

// The change of productos.PorVender of one product.
struct CambioPorVender {
    QString producto;       // the code as the table holds it, or as the file writes it if absent
    bool existe = true;     // false: no product has that code, nothing changes
    QString antes, despues; // as the table holds them
    QString aumento;        // the sum of the file's quantities, exact
};

// Something of the file that is read and not stored.
struct Descarte {
    int linea = 0;
    QString que;   // what, in Spanish: "un renglón antes del primer pedido", ...
    QString texto; // the text dropped (empty for a whole record)
};

// progreso counts the orders written, once the whole file has been checked (from 0 again
// when the writing is retried); cancelar is asked before each order, while checking and
// while writing.
struct LlamadasImportacion : transferencia::Avance {};

// ok only once the import (or the preview) ran whole; a cancel leaves ok false and cancelado
// set.
struct ResultadoImportacion : ResultadoOperacion {
    qint64 pedidos = 0;
    qint64 renglones = 0;
    qint64 clientesNuevos = 0;
    qint64 renglonesOmitidos = 0; // line records in front of the first header
    QStringList avisos;
    // Each order stored, in file order; filled only once the import is confirmed (in a
    // preview, each order it would store).
    QVector<PedidoImportado> importados;

    bool revision = false; // a preview: nothing was kept
    // Orders of the file imported before, in file order. When they made the import refuse
    // the file (Importados::Rechazar), rechazadoPorImportados is set and nothing was written.
    QVector<PedidoYaImportado> yaImportados;
    bool rechazadoPorImportados = false;
    qint64 pedidosOmitidos = 0; // skipped as imported before
    qint64 renglonesDeOmitidos = 0;
    // Text the reader dropped (the first hundred; descartesTotal counts them all) and the
    // line records in front of the first header.
    QVector<Descarte> descartes;
    qint64 descartesTotal = 0;
    // Filled in a preview only.
    QVector<ClienteNuevo> clientes;
    QVector<CambioPorVender> existencias;

    // The journal's entry of the run (0 when none was written).
    qint64 corrida = 0;
    // The connection went at COMMIT and no new one could tell whether the import was stored.
    bool incierta = false;
};

// Imports the file: every value is checked first, then everything is written in one
// transaction, so a refused file or a failure halfway leaves the database as it was. The
// writing reads the file again and is undone when its bytes are not those checked; it is
// tried again, whole, when the server breaks it off for a deadlock or a lock wait.
// Inside that transaction, before anything is written, the orders already imported are
// looked up with a locking read, so two imports of one file at once never both pass.
// The run and each order stored are recorded in the journal of the import database, the
// orders in the same transaction.
// The counts are those of what was stored (0 when nothing was).
ResultadoImportacion SubePedidos(host::Conexion& conexion, const QString& archivo,
                                 const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas = {},
                                 const OpcionesImportacion& opciones = {});
// The same on a connection of its own to baseImportar.
ResultadoImportacion SubePedidos(const host::BasesDD& bases, const QString& baseImportar,
                                 const QString& archivo, const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas = {},
                                 const OpcionesImportacion& opciones = {});

} // namespace importacion
