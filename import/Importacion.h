#pragma once

#include "data/Avance.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace host {
class BasesDD;
class Conexion;
} // namespace host

// Reading a transfer file into the import database.
namespace importacion {

// An order as the import database received it.
struct PedidoImportado {
    qint64 id = 0;
    QString serie;
    qint32 folio = 0;
    int linea = 0; // line of its header in the file
    // "Id 12, folio A-7" ("folio 7" for the series without name).
    QString texto() const;
};

// progreso counts the orders written, once the whole file has been checked (from 0 again
// when the writing is retried); cancelar is asked before each order, while checking and
// while writing.
struct LlamadasImportacion : transferencia::Avance {};

struct ResultadoImportacion {
    bool ok = false;
    bool cancelado = false;
    QString mensaje; // what happened, in Spanish, fit for a message box
    qint64 pedidos = 0;
    qint64 renglones = 0;
    qint64 clientesNuevos = 0;
    qint64 renglonesOmitidos = 0; // line records in front of the first header
    QStringList avisos;
    // Each order stored, in file order; filled only once the import is confirmed.
    QVector<PedidoImportado> importados;
};

// Imports the file: every value is checked first, then everything is written in one
// transaction, so a refused file or a failure halfway leaves the database as it was. The
// writing reads the file again and is undone when its bytes are not those checked; it is
// tried again, whole, when the server breaks it off for a deadlock or a lock wait.
// The counts are those of what was stored (0 when nothing was).
ResultadoImportacion SubePedidos(host::Conexion& conexion, const QString& archivo,
                                 const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas = {});
// The same on a connection of its own to baseImportar.
ResultadoImportacion SubePedidos(const host::BasesDD& bases, const QString& baseImportar,
                                 const QString& archivo, const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas = {});

// The next folio of a series: the first above its counter "PE-" + serie in sistema that no
// order of the series has; the counter is advanced to it (and created when missing). The
// series is trimmed in place. Inside a transaction the counter stays locked until it ends.
qint32 ObtenFolio(QString& serie, host::Conexion& conexion);

} // namespace importacion
