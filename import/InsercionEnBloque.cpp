#include "import/InsercionEnBloque.h"

#include "import/FilasEnBloque.h"
#include "shell/host/Conexion.h"

#include <vector>

namespace importacion {

InsercionEnBloque::InsercionEnBloque(QByteArray inicio, int columnas, QByteArray fin, bool enBloque)
    : inicio_(std::move(inicio)), fin_(std::move(fin)),
      enBloque_(inicio_ + '(' + QByteArray("?,").repeated(columnas - 1) + "?)" + fin_, columnas),
      usaBloque_(enBloque) {}

void InsercionEnBloque::inserta(host::Conexion& c, const FilasEnBloque& filas) {
    if (filas.isEmpty() || (usaBloque_ && enBloque_.ejecuta(c, filas)))
        return;
    // Every value goes as a quoted text, as the bulk path binds it, so both store the same.
    const int columnas = filas.columnas();
    std::vector<const char*> siguiente(std::size_t(columnas), nullptr);
    for (int k = 0; k < columnas; ++k)
        siguiente[std::size_t(k)] = filas.datos(k);
    QByteArray sql = inicio_;
    sql.reserve(inicio_.size() + filas.bytes() + filas.filas() * 3 + fin_.size());
    for (std::size_t f = 0; f < std::size_t(filas.filas()); ++f) {
        sql += f ? ",(" : "(";
        for (int k = 0; k < columnas; ++k) {
            if (k)
                sql += ',';
            if (filas.nulos(k)[f]) {
                sql += "NULL";
                continue;
            }
            const auto largo = qsizetype(filas.largos(k)[f]);
            const char*& texto = siguiente[std::size_t(k)];
            sql += '\'';
            sql += c.escapa(QByteArray::fromRawData(texto, largo));
            sql += '\'';
            texto += largo;
        }
        sql += ')';
    }
    sql += fin_;
    c.ejecutaCrudo(sql);
}

} // namespace importacion
