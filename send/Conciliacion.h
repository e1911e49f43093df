#pragma once

#include "journal/TiposBitacora.h"
#include "shell/ResultadoOperacion.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class QTextStream;

namespace host {
class BasesDD;
class Conexion;
} // namespace host

namespace envio {

// What became of one order of an export at its destination.
enum class Llegada {
    Llego,     // imported once
    NoLlego,   // not in the destination's register
    Repetido,  // imported more than once (again with --repetir)
    SinHuella, // the export kept no fingerprint of it (made by an earlier version)
    Deshecho,  // imported, then taken back by an undo there: it is not there now
};

struct PedidoConciliado {
    qint64 idOrigen = 0;
    QString pedidoOrigen; // "B-1520"
    Llegada llegada = Llegada::NoLlego;
    int veces = 0;
    QDateTime cuando;   // start of the import that first brought it in (invalid: unknown)
    qint64 idNuevo = 0; // what that import made of it (0: unknown)
    QString pedidoNuevo;
    qint64 deshacer = 0; // Deshecho: the undo's run in the destination's journal
    QDateTime deshecho;  // and its start
};

// ok once both journals could be read; completo() tells whether every order arrived once.
struct ResultadoConciliacion : ResultadoOperacion {
    bitacora::Corrida corrida;
    QString destino; // the database compared with, as the user is told it
    QVector<PedidoConciliado> pedidos;
    qint64 llegaron = 0, noLlegaron = 0, repetidos = 0, sinHuella = 0, deshechos = 0;
    bool completo() const {
        return ok && noLlegaron == 0 && repetidos == 0 && sinHuella == 0 && deshechos == 0 &&
               !pedidos.isEmpty();
    }
};

// Compares export run corrida of exportacion's journal with the register of imported orders
// of destino's database (named nombreDestino to the user): each order written, by the
// fingerprint the import computes, arrived, not arrived, arrived twice, or arrived and was
// undone there since.
ResultadoConciliacion Concilia(host::Conexion& exportacion, qint64 corrida, host::Conexion& destino,
                               const QString& nombreDestino);

// The same for run corrida of base (on bases' server), against the destination the run names
// (destinoCorrida, the journal's "Destino sucursal (servidor …)", looked up in archivoIni),
// or, for an export to a folder, the import database of the same server (baseImportar).
ResultadoConciliacion ConciliaCorrida(const host::BasesDD& bases, const QString& base,
                                      qint64 corrida, const QString& destinoCorrida,
                                      const QString& archivoIni, const QString& baseImportar);

// One line per order, then the totals.
void EscribeConciliacion(const ResultadoConciliacion& r, QTextStream& salida);
// Each line of that report in turn (the window lists them).
QStringList LineasConciliacion(const ResultadoConciliacion& r);

} // namespace envio
