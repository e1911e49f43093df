#pragma once

#include "journal/Bitacora.h"

#include <QStringList>
#include <optional>

struct Programa;

namespace host {
class BasesDD;
class Conexion;
} // namespace host

// Reading the operations journals of the databases the program works on, for the command
// and the window.
namespace bitacora {

// The databases whose journals are read: the current, export and import databases, each
// once, in that order; names left empty in the configuration are left out.
QStringList BasesConBitacora(const Programa& programa);

// Runs read from the journals (LectorBitacora): a page of the list.
struct Lectura {
    QVector<Corrida> corridas; // every database's runs together, newest first
    QStringList fallos;        // the databases that could not be read, and why (Spanish)
    bool hayMas = false;       // runs left after these
};

// The orders of a run, from the journal of the database that holds it.
QVector<PedidoAnotado> LeePedidos(const host::BasesDD& bases, const Corrida& corrida);
// The same over a connection to that database.
QVector<PedidoAnotado> LeePedidos(host::Conexion& conexion, const Corrida& corrida);

// "acumulacion", "exportacion" or "importacion" (accents and capitals allowed).
std::optional<Operacion> operacionDeTexto(const QString& texto);

// The outcome as the user reads it: "Hecha", "Falló", "Cancelada", "En curso", or
// "Interrumpida" for a run whose program or server stopped before it recorded its end.
QString textoDesenlace(const Corrida& corrida);
// "05/03/2026 10:00:01"; empty for an invalid moment.
QString textoMomento(const QDateTime& momento);
// "juan en pc1 (base de datos: root@localhost)".
QString textoUsuarios(const Corrida& corrida);
// Where an order came from: "Pedido B-1520 (Id 45) de empresa2", "Línea 12 de pedidos.txt".
QString textoOrigen(const PedidoAnotado& pedido);
// Where it went: "A-100 (Id 301)", or the file it was written to.
QString textoDestino(const PedidoAnotado& pedido);

} // namespace bitacora
