#pragma once

#include "shell/host/Conexion.h"

#include <QDate>
#include <QStringList>

// Stand-in databases of the host system, with deterministic demo data, for the demo,
// the tests and the benchmarks.
namespace demo {

struct Parametros {
    int empresas = 3;        // company databases besides the current one
    int pedidos = 40;        // orders per company
    int renglones = 4;       // lines per order
    double pendientes = 0.5; // share of lines with a pending quantity
    double sinCliente = 0.1; // share of orders whose customer has no row in clientes
    int clientes = 60;
    int productos = 120;
    quint32 semilla = 7;
    QDate desde = QDate(2026, 1, 1);
    QDate hasta = QDate(2026, 12, 31);
    QString prefijo = QStringLiteral("empresa");
};

// The company database's CREATE TABLE statements, and the general database's.
QStringList sentenciasEmpresa();
QStringList sentenciasGeneral();

// Drops the database when it exists and creates it empty with the company tables.
void creaBaseEmpresa(host::Conexion& conexion, const QString& base);
// Drops and creates the general database "generalkorvan" (or another name, for tests).
void creaGeneral(host::Conexion& conexion, const QString& base = QStringLiteral("generalkorvan"));
// Adds a company to generalkorvan.empresas; gives its Id.
qint64 registraEmpresa(host::Conexion& conexion, const QString& baseEmpresa,
                       const QString& nombre = {},
                       const QString& general = QStringLiteral("generalkorvan"));

// Fills an existing (empty) company database: products, customers, counters, settings and
// orders with their lines. numero makes each company's data different; the same
// parameters and numero always give the same rows.
void llenaEmpresa(host::Conexion& conexion, const QString& base, const Parametros& p, int numero);

// The whole demo: generalkorvan, the current company "<prefijo>1" and p.empresas more
// ("<prefijo>2"...), all registered in empresas and filled. Gives the databases' names.
QStringList generaDemo(host::Conexion& conexion, const Parametros& p);

} // namespace demo
