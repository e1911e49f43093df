#pragma once

#include "sales/TextoPedido.h"
#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

// Small reads of the accumulation: what the accumulation tab shows before a run (series,
// folio proposal, customer name) and what the search and the generation share.
namespace acumulacion {

// The key prefix of the order folio counters in sistema.
inline const QString prefijoFolio = QStringLiteral("PE-");

// Whether orders use series: configura's "SeriesEnPed" taken as true or false.
bool SeriesEnPedidos(host::Conexion& conexion);
// The active series, in order of their counter keys: each "PE-" counter whose activity flag
// (the key with "+A" after its first two characters: PE-B → PE+A-B) holds "Sí".
QStringList SeriesActivas(host::Conexion& conexion);
// The series the tab selects first: the first active one, or the empty series.
QString SerieInicial(host::Conexion& conexion);
// The folio proposed for a series: its counter plus one (an absent counter counts as 0).
qint32 FolioPropuesto(host::Conexion& conexion, const QString& serie);
// Throws ErrorBdD, saying which column is too narrow, when the series (trimmed) does not fit
// pedidos.Serie of the connection's database, or its counter's key ("PE-" + series) does not
// fit sistema.Dato: each measured as its column measures, in characters for CHAR and VARCHAR,
// in bytes for binary and TEXT columns.
void CompruebaSerie(host::Conexion& conexion, const QString& serie);
// The name of the customer with that key (trimmed); empty when there is none.
QString NombreCliente(host::Conexion& conexion, const QString& clave);

// A company database the accumulation draws from.
struct EmpresaOrigen {
    QString listada; // the name as stored in empresas
    QString nombre;  // the same in lower case: opened first, and shown in the result lines
    QString base;    // the database actually opened (set by AbreEmpresa)
    // The columns of its pedidos and pedidosdetalle copied into the current database's,
    // besides those the run gives (set by CopiaColumnas::compara).
    QStringList columnasEncabezado, columnasRenglon;
};

// The companies of generalkorvan.empresas in ascending Id, the current database left out
// (both names compared in lower case).
QVector<EmpresaOrigen> EmpresasOrigen(host::Conexion& conexion, const QString& baseActual);

// The tables a search reads in each company, and those a generation also changes.
QStringList TablasBusqueda();
QStringList TablasGeneracion();
// The tables a generation writes: in each source company, and in the current database.
QStringList TablasEscritasOrigen();
QStringList TablasEscritasActual();

// Makes the company's database the default of the connection: the name in lower case, or
// the stored name when only that one exists, and sets empresa.base to the name opened. Gives
// why it cannot be used (empty when it can): the database is missing or the user may not use
// it. A lost connection still throws.
QString AbreEmpresa(host::Conexion& conexion, EmpresaOrigen& empresa);

// Why the tables cannot be read in the connection's default database, base (empty when they
// can): some are missing, or the user may not read them.
QString RevisaTablas(host::Conexion& conexion, const QString& base, const QStringList& tablas);
// The error is about a table: missing, or not allowed.
bool ErrorDeTabla(const host::ErrorBdD& e);

// The orders of the connection's default database dated within [desde, hasta] (inclusive)
// that have at least one line with a pending quantity, once each, by Id. Columns: Id, Serie,
// Factura, Total (Subtotal + IVA + ImpuestoAd; NULL when any of them is).
std::unique_ptr<host::Recordset> PedidosPendientes(host::Conexion& conexion, const QDate& desde,
                                                   const QDate& hasta);

// "a", "a y b", "a, b y c".
QString enumera(const QStringList& nombres);

} // namespace acumulacion
