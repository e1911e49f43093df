#pragma once

#include "shell/host/Recordset.h"

#include <QString>
#include <QVariant>
#include <QVector>

namespace host {

class Conexion;

// A recordset opened on a table with a condition that selects nothing ("Id=-9"):
// it only knows the table's columns, in the table's order, and adds rows.
class TablaInsercion {
public:
    TablaInsercion(Conexion& conexion, const QString& tabla);

    const QString& tabla() const { return tabla_; }
    const QVector<Columna>& columnas() const { return columnas_; }
    int posicion(const QString& nombre) const;
    const Columna& columna(const QString& nombre) const;

    // AddNew / column values / Update.
    void AddNew();
    void asigna(int posicion, const QVariant& valor);
    void asigna(const QString& nombre, const QVariant& valor);
    void Update();

    // "INSERT INTO tabla (the given columns) VALUES " (for multi-row statements).
    QByteArray inicioInsercion(const QVector<int>& posiciones) const;

private:
    Conexion& conexion_;
    QString tabla_;
    QVector<Columna> columnas_;
    QVector<QVariant> fila_;
    QVector<bool> asignado_;
    bool nueva_ = false;
};

} // namespace host
