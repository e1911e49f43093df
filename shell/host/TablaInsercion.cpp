#include "shell/host/TablaInsercion.h"

#include "shell/host/Conexion.h"

namespace host {

TablaInsercion::TablaInsercion(Conexion& conexion, const QString& tabla) : tabla_(tabla) {
    auto rs = conexion.consulta(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(tabla));
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

QByteArray TablaInsercion::inicioInsercion(const QVector<int>& posiciones) const {
    QStringList nombres;
    for (int p : posiciones)
        nombres << columnas_.at(p).nombre;
    return inicioInsercion(tabla_, nombres);
}

QByteArray TablaInsercion::inicioInsercion(const QString& tabla, const QStringList& columnas) {
    QByteArray sql = "INSERT INTO " + tabla.toUtf8() + " (";
    for (qsizetype k = 0; k < columnas.size(); ++k) {
        if (k)
            sql += ',';
        sql += Conexion::identificador(columnas[k]).toUtf8();
    }
    sql += ") VALUES ";
    return sql;
}

} // namespace host
