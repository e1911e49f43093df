#include "import/InsercionEnBloque.h"

#include "shell/host/Conexion.h"

namespace importacion {

InsercionEnBloque::InsercionEnBloque(QByteArray inicio, int columnas, QByteArray fin, bool enBloque)
    : inicio_(std::move(inicio)), fin_(std::move(fin)),
      enBloque_(inicio_ + '(' + QByteArray("?,").repeated(columnas - 1) + "?)" + fin_, columnas),
      usaBloque_(enBloque) {}

void InsercionEnBloque::inserta(host::Conexion& c, const QVector<QVector<QVariant>>& filas) {
    if (filas.isEmpty() || (usaBloque_ && enBloque_.ejecuta(c, filas)))
        return;
    QByteArray sql = inicio_;
    for (qsizetype f = 0; f < filas.size(); ++f) {
        sql += f ? ",(" : "(";
        const QVector<QVariant>& fila = filas[f];
        for (qsizetype i = 0; i < fila.size(); ++i) {
            if (i)
                sql += ',';
            c.agregaLiteral(sql, fila[i]);
        }
        sql += ')';
    }
    sql += fin_;
    c.ejecutaCrudo(sql);
}

} // namespace importacion
