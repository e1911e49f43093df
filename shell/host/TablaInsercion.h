#pragma once

#include "shell/host/Recordset.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <vector>

namespace host {

class Conexion;

// A recordset opened on a table with a condition that selects nothing ("Id=-9"):
// it only knows the table's columns, in the table's order, and starts the statements that
// add rows.
class TablaInsercion {
public:
    TablaInsercion(Conexion& conexion, const QString& tabla);
    TablaInsercion(QString tabla, QVector<Columna> columnas);
    // The tables' columns, read in one round trip, in the order of the names given.
    static std::vector<std::unique_ptr<TablaInsercion>> abre(Conexion& conexion,
                                                             const QStringList& tablas);

    const QString& tabla() const { return tabla_; }
    const QVector<Columna>& columnas() const { return columnas_; }
    int posicion(const QString& nombre) const;
    const Columna& columna(const QString& nombre) const;

    // "INSERT INTO tabla (the given columns) VALUES " (for multi-row statements).
    QByteArray inicioInsercion(const QVector<int>& posiciones) const;
    // The same for any table and columns named.
    static QByteArray inicioInsercion(const QString& tabla, const QStringList& columnas);

private:
    QString tabla_;
    QVector<Columna> columnas_;
};

} // namespace host
