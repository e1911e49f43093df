#pragma once

#include "support/ServidorPruebas.h"

#include <functional>

// The replicated cluster of the galera tests: the test server's port is its first node's,
// the other nodes' ports follow it.
namespace pruebas::cluster {

// Skips the test when the tests were pointed at a server of someone else's.
bool disponible();
host::ParametrosConexion nodo(int n, const QString& base = {});
host::BasesDD basesNodo(int n, const QString& base);

// The line table of the host system has no primary key, and the cluster replicates row
// changes by key: the surrogate key an administrator adds, numbered by one node's UPDATE so
// that every node holds the same numbers (an ALTER that numbers the rows runs on each node
// and numbers them in each node's own order).
void agregaLlave(host::Conexion& conexion, const QString& base);

// Conflicts the cluster found so far, summed over the nodes that answer: transactions that
// failed certification and local ones undone by a replicated one.
qint64 conflictos();

using pruebas::aLaVez;

void mata(int n);
// Starts the nodes that are down and waits until all of them are back in the cluster.
void completa();

} // namespace pruebas::cluster
