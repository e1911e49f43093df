#include "accumulation/FoliosSerie.h"

#include "shell/host/Recordset.h"
#include "shell/host/libNucleo.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace acumulacion {

FoliosSerie::FoliosSerie(host::Conexion& conexion, const QString& tipoVta, const QString& serie)
    : conexion_(conexion), serie_(serie), clave_(tipoVta + serie) {
    // Creating a missing counter row this way takes its exclusive lock at once; a plain
    // locking read of an absent row would let two runs through and then deadlock on insert.
    conexion_.ejecuta(QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES (?, '0') "
                                     "ON DUPLICATE KEY UPDATE Dato=Dato"),
                      {clave_});
    auto rs = conexion_.consulta(
        QStringLiteral("SELECT Dato, Contenido FROM sistema WHERE Dato=? FOR UPDATE"), {clave_});
    if (!rs->eof()) {
        clave_ = rs->texto(0);
        // Read as the accumulation tab reads it to propose the next folio.
        const double valor = rs->esNulo(1) ? 0 : host::libNucleo::nxVal(rs->texto(1));
        contador_ = qint64(std::clamp(std::floor(valor), 0.0, 9e18));
    }
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
