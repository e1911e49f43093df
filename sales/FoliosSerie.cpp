#include "sales/FoliosSerie.h"

#include "shell/host/Recordset.h"
#include "shell/host/libNucleo.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace acumulacion {

FoliosSerie::FoliosSerie(host::Conexion& conexion, const QString& tipoVta, const QString& serie)
    : conexion_(conexion), serie_(serie), clave_(tipoVta + serie) {
    // The counter is looked for first, whatever the table's keys: a table without a key on
    // Dato would take a second row for it. The locking read holds what it read and the gap
    // where the row would go (on a table without that key, every row and the end of the
    // table), so a run that finds no counter keeps others from adding it until it ends. Two
    // runs that both find none collide when both insert it: one is undone (a deadlock) and
    // is tried again, and then finds the row.
    if (lee())
        return;
    conexion_.ejecuta(QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES (?, '0') "
                                     "ON DUPLICATE KEY UPDATE Dato=Dato"),
                      {clave_});
    lee();
}

bool FoliosSerie::lee() {
    auto rs = conexion_.consulta(
        QStringLiteral("SELECT Dato, Contenido FROM sistema WHERE Dato=? FOR UPDATE"), {clave_});
    if (rs->eof())
        return false;
    clave_ = rs->texto(0);
    // Read as the accumulation tab reads it to propose the next folio. Rows left twice by a
    // table without a key count by the highest: folios below it may have been given out.
    for (contador_ = 0; !rs->eof(); rs->MoveNext()) {
        const double valor = rs->esNulo(1) ? 0 : host::libNucleo::nxVal(rs->texto(1));
        contador_ = std::max(contador_, qint64(std::clamp(std::floor(valor), 0.0, 9e18)));
    }
    return true;
}

QVector<qint32> FoliosSerie::libres(qint64 desde, int cuantos) {
    constexpr qint64 maximo = std::numeric_limits<qint32>::max();
    QVector<qint32> folios;
    folios.reserve(cuantos);
    qint64 candidato = desde;
    auto toma = [&](qint64 limite) {
        while (candidato < limite && folios.size() < cuantos) {
            if (candidato > maximo)
                throw host::ErrorBdD(
                    QStringLiteral("No quedan folios libres en la serie \"%1\" a partir de %2.")
                        .arg(serie_)
                        .arg(desde));
            folios.push_back(qint32(candidato++));
        }
    };
    // The taken folios at or above the candidate, a window at a time, walked in order.
    while (folios.size() < cuantos) {
        const int ventana = cuantos - int(folios.size()) + 64;
        auto rs = conexion_.consulta(
            QStringLiteral("SELECT DISTINCT Factura FROM pedidos WHERE Serie=? AND Factura>=? "
                           "ORDER BY Factura LIMIT ?"),
            {serie_, candidato, ventana});
        int leidos = 0;
        for (; !rs->eof() && folios.size() < cuantos; rs->MoveNext()) {
            ++leidos;
            const qint64 tomado = rs->entero(0);
            toma(tomado);
            if (candidato == tomado)
                ++candidato;
        }
        if (leidos < ventana)
            toma(std::numeric_limits<qint64>::max());
    }
    return folios;
}

void FoliosSerie::guarda(qint32 folio) {
    if (folio <= contador_)
        return;
    conexion_.ejecuta(QStringLiteral("UPDATE sistema SET Contenido=? WHERE Dato=?"),
                      {QString::number(folio), clave_});
    contador_ = folio;
}

} // namespace acumulacion
