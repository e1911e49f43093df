#include "shell/host/TablaInsercion.h"

#include "shell/host/Conexion.h"

namespace host {

TablaInsercion::TablaInsercion(Conexion& conexion, const QString& tabla)
    : conexion_(conexion), tabla_(tabla) {
    auto rs = conexion_.consulta(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(tabla));
    columnas_ = rs->listaColumnas();
}

int TablaInsercion::posicion(const QString& nombre) const {
    for (int i = 0; i < columnas_.size(); ++i)
        if (columnas_[i].nombre.compare(nombre, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const Columna& TablaInsercion::columna(const QString& nombre) const {
    const int i = posicion(nombre);
    if (i < 0)
        throw ErrorBdD(
            QStringLiteral("La tabla %1 no tiene la columna \"%2\".").arg(tabla_, nombre));
    return columnas_.at(i);
}

void TablaInsercion::AddNew() {
    fila_ = QVector<QVariant>(columnas_.size());
    asignado_ = QVector<bool>(columnas_.size(), false);
    nueva_ = true;
}

void TablaInsercion::asigna(int posicion, const QVariant& valor) {
    if (!nueva_)
        throw ErrorBdD(QStringLiteral("No se inició una fila nueva en %1.").arg(tabla_));
    if (posicion < 0 || posicion >= columnas_.size())
        throw ErrorBdD(
            QStringLiteral("La tabla %1 no tiene la columna %2.").arg(tabla_).arg(posicion));
    fila_[posicion] = valor;
    asignado_[posicion] = true;
}

void TablaInsercion::asigna(const QString& nombre, const QVariant& valor) {
    const int i = posicion(nombre);
    if (i < 0)
        throw ErrorBdD(
            QStringLiteral("La tabla %1 no tiene la columna \"%2\".").arg(tabla_, nombre));
    asigna(i, valor);
}

QByteArray TablaInsercion::inicioInsercion(const QVector<int>& posiciones) const {
    QByteArray sql = "INSERT INTO " + tabla_.toUtf8() + " (";
    for (int k = 0; k < posiciones.size(); ++k) {
        if (k)
            sql += ',';
        sql += Conexion::identificador(columnas_.at(posiciones[k]).nombre).toUtf8();
    }
    sql += ") VALUES ";
    return sql;
}

void TablaInsercion::Update() {
    if (!nueva_)
        throw ErrorBdD(QStringLiteral("No se inició una fila nueva en %1.").arg(tabla_));
    QVector<int> posiciones;
    for (int i = 0; i < columnas_.size(); ++i)
        if (asignado_[i])
            posiciones.push_back(i);
    QByteArray sql = inicioInsercion(posiciones);
    sql += '(';
    for (int k = 0; k < posiciones.size(); ++k) {
        if (k)
            sql += ',';
        conexion_.agregaLiteral(sql, fila_[posiciones[k]]);
    }
    sql += ')';
    conexion_.ejecutaCrudo(sql);
    nueva_ = false;
}

} // namespace host
