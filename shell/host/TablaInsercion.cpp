#include "shell/host/TablaInsercion.h"

#include "shell/host/Conexion.h"

#include <utility>

namespace host {

TablaInsercion::TablaInsercion(Conexion& conexion, const QString& tabla) : tabla_(tabla) {
    auto rs = conexion.consulta(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(tabla));
    columnas_ = rs->listaColumnas();
}

TablaInsercion::TablaInsercion(QString tabla, QVector<Columna> columnas)
    : tabla_(std::move(tabla)), columnas_(std::move(columnas)) {}

std::vector<std::unique_ptr<TablaInsercion>> TablaInsercion::abre(Conexion& conexion,
                                                                  const QStringList& tablas) {
    // A column of no table parts one table's columns from the next: a view's may come from
    // several tables, so their own names cannot tell.
    const QString corte = QStringLiteral("acumulapedidos_corte");
    QStringList columnas;
    for (const QString& t : tablas)
        columnas << t + QStringLiteral(".*");
    auto rs = conexion.consulta(QStringLiteral("SELECT %1 FROM %2 LIMIT 0")
                                    .arg(columnas.join(QStringLiteral(", NULL AS %1, ").arg(corte)),
                                         tablas.join(QStringLiteral(", "))));
    std::vector<std::unique_ptr<TablaInsercion>> salida;
    QVector<Columna> deTabla;
    for (const Columna& c : rs->listaColumnas()) {
        if (c.tabla.isEmpty() && c.nombre == corte) {
            salida.push_back(std::make_unique<TablaInsercion>(tablas[qsizetype(salida.size())],
                                                              std::exchange(deTabla, {})));
            continue;
        }
        deTabla << c;
    }
    salida.push_back(
        std::make_unique<TablaInsercion>(tablas[qsizetype(salida.size())], std::move(deTabla)));
    return salida;
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
