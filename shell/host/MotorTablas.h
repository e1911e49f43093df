#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace host {

class Conexion;

// A table whose engine keeps no transactions (MyISAM, Aria, MEMORY…): what a statement wrote
// to it stays when the transaction is rolled back.
struct TablaSinTransacciones {
    QString base;
    QString tabla;
    QString motor;
};

// Of the tables named that exist in base, those whose engine keeps no transactions, read in
// one query. Views and tables the server cannot open are left to the statements that use them.
QVector<TablaSinTransacciones> TablasSinTransacciones(Conexion& conexion, const QString& base,
                                                      const QStringList& tablas);

// How MotivoSinTransacciones words it: a message of its own, with each conversion on a line;
// or, on one line starting in lower case, the reason a database is left out of a run.
enum class Redaccion { Mensaje, Motivo };

// What the user reads about them: which tables, why a run may not write to them, and the
// statements that convert them. Empty when there are none.
QString MotivoSinTransacciones(const QVector<TablaSinTransacciones>& tablas,
                               Redaccion redaccion = Redaccion::Mensaje);

// Throws ErrorBdD with that text when any of the tables named keeps no transactions.
void ExigeTransacciones(Conexion& conexion, const QString& base, const QStringList& tablas);

} // namespace host
