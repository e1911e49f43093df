#pragma once

#include "data/Avance.h"

#include <QString>
#include <QStringList>
#include <functional>

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

// progreso counts the orders written, once the whole file has been checked; cancelar is
// asked before each order, while checking and while writing.
struct LlamadasImportacion : transferencia::Avance {
    // Each order as it is written. Nothing is kept until the whole file is in: an order
    // told here is gone again when the result is not ok.
    std::function<void(const PedidoImportado&)> pedido;
};

struct ResultadoImportacion {
    bool ok = false;
    bool cancelado = false;
    QString mensaje; // what happened, in Spanish, fit for a message box
    qint64 pedidos = 0;
    qint64 renglones = 0;
    qint64 clientesNuevos = 0;
    qint64 renglonesOmitidos = 0; // line records in front of the first header
    QStringList avisos;
};

// Imports the file: every value is checked first, then everything is written in one
// transaction, so a refused file or a failure halfway leaves the database as it was.
// The counts are those of what was stored (0 when nothing was).
ResultadoImportacion SubePedidos(host::Conexion& conexion, const QString& archivo,
                                 const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas = {});
// The same on a connection of its own to baseImportar.
ResultadoImportacion SubePedidos(const host::BasesDD& bases, const QString& baseImportar,
                                 const QString& archivo, const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas = {});

// The next folio of a series from its counter "PE-" + serie in sistema, which it advances
// (creating it when missing). The series is trimmed in place. Inside a transaction the
// counter stays locked until it ends.
qint32 ObtenFolio(QString& serie, host::Conexion& conexion);

} // namespace importacion
