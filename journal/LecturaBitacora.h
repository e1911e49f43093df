#pragma once

#include "journal/Bitacora.h"
#include "journal/TextosBitacora.h"

#include <QHash>
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
    // The companies' names by database name in lower case (NombresEmpresas), with the first
    // page only.
    QHash<QString, QString> empresas;
};

// The orders of a run, from the journal of the database that holds it.
QVector<PedidoAnotado> LeePedidos(const host::BasesDD& bases, const Corrida& corrida);
// The same over a connection to that database.
QVector<PedidoAnotado> LeePedidos(host::Conexion& conexion, const Corrida& corrida);

} // namespace bitacora
