#pragma once

#include "shell/ResultadoOperacion.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace acumulacion {

// One order brought into the current database.
struct FolioDado {
    QString serie;        // series of the new order (trimmed)
    qint32 folio = 0;     // folio given to it
    QString base;         // source company database, lower case as listed
    qint64 idOrigen = 0;  // the source order's Id
    QString pedidoOrigen; // the source order as the user knows it: "B-1520" or "1520"
    qint64 idNuevo = 0;   // the new order's Id in the current database
    int renglones = 0;    // pending lines copied
};

// Where a run stands: company n of m and, inside it, order n of m.
struct Avance {
    int empresa = 0;
    int empresas = 0;
    QString base;
    int pedido = 0;
    int pedidos = 0;
};

// What a caller (a window on a worker thread, or a command) hears while a run goes on.
// Every member may be left empty. They are called on the thread that runs the operation.
struct Retrollamadas {
    std::function<void(const QString&)> renglon; // search: each result line, as found
    std::function<void(const FolioDado&)> folio; // generation: each order once it is stored
    std::function<void(const Avance&)> avance;   // progress
    std::function<bool()> cancelar;              // true to stop; asked between orders only
};

// A listed company that a run left out, and why.
struct EmpresaOmitida {
    QString empresa; // its name as listed in empresas
    QString motivo;  // Spanish, fit to show the user; starts in lower case
};

// A search or a generation; avisoBitacora only for a generation.
struct Resultado : ResultadoOperacion {
    bool encontrados = false; // search: at least one order listed
    QStringList renglones;    // search: the result lines, in order
    int pedidosMovidos = 0;   // generation: orders completely moved
    int renglonesCopiados = 0;
    qint32 ultimoFolio = 0;           // generation: last folio given out (0 when none)
    QVector<EmpresaOmitida> omitidas; // companies left out, in the order of the list
    // Columns of a company's tables that the current database lacks and that are therefore
    // not copied: one Spanish sentence per company, starting in lower case.
    QStringList avisos;
    // search: companies with at least one order listed
    int empresasEncontradas = 0;
    // generation: the companies' names by database name in lower case, where
    // generalkorvan.empresas has them (NombresEmpresas)
    QHash<QString, QString> nombresEmpresas;
};

// The message followed by the companies left out and the columns not copied, each under a
// heading; the message alone when there are none. What the user reads at the end of a
// generation.
QString ConOmitidas(const QString& mensaje, const Resultado& r);
// The companies left out, one per line under the heading; empty when there are none.
QString ListaOmitidas(const QString& titulo, const Resultado& r);

} // namespace acumulacion
