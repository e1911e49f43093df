#pragma once

#include <QHash>
#include <QString>

namespace host {
class Conexion;
} // namespace host

namespace acumulacion {

// The names of the companies in generalkorvan.empresas, by database name in lower case. Not
// every installation's table has a Nombre column: without it, or when the table cannot be
// read, there are none, and lists and reports show the database names alone.
QHash<QString, QString> NombresEmpresas(host::Conexion& conexion);

// "empresa2 (Comercial del Norte)"; the database alone when its company's name is not known,
// empty, or the database's own name.
QString conEmpresa(const QString& base, const QHash<QString, QString>& nombres);

} // namespace acumulacion
