#include "sales/FoliosSerie.h"

#include "shell/host/Recordset.h"
#include "shell/host/libNucleo.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace acumulacion {

FoliosSerie::FoliosSerie(host::Conexion& conexion, const QString& tipoVta, const QString& serie)
    : FoliosSerie(conexion, tipoVta, serie, SinLeer{}) {
    // The counter is looked for first, whatever the table's keys: a table without a key on
    // Dato would take a second row for it. The locking read holds what it read and the gap
    // where the row would go (on a table without that key, every row and the end of the
    // table), so a run that finds no counter keeps others from adding it until it ends. Two
    // runs that both find none collide when both insert it: one is undone (a deadlock) and
    // is tried again, and then finds the row.
    if (!lee())
        crea();
}

FoliosSerie::FoliosSerie(host::Conexion& conexion, const QString& tipoVta, const QString& serie,
                         SinLeer)
    : conexion_(conexion), serie_(serie), clave_(tipoVta + serie) {}

std::vector<std::unique_ptr<FoliosSerie>>
FoliosSerie::abre(host::Conexion& conexion, const QString& tipoVta, const QStringList& series) {
    std::vector<std::unique_ptr<FoliosSerie>> salida;
    if (series.isEmpty())
        return salida;
    // One locking read for every key; the server itself tells which key each row is (the
    // table's collation may take "a" and "A" as one), comparing as the WHERE does.
    QStringList cuales, marcas;
    QVariantList valores, claves;
    for (const QString& serie : series) {
        salida.push_back(
            std::unique_ptr<FoliosSerie>(new FoliosSerie(conexion, tipoVta, serie, SinLeer{})));
        cuales << QStringLiteral("Dato=?");
        marcas << QStringLiteral("?");
        valores << salida.back()->clave_;
    }
    auto rs = conexion.consulta(
        QStringLiteral("SELECT Dato, Contenido, %1 FROM sistema WHERE Dato IN (%2) FOR UPDATE")
            .arg(cuales.join(QStringLiteral(", ")), marcas.join(QLatin1Char(','))),
        valores + valores);
    std::vector<bool> hallada(salida.size(), false);
    for (; !rs->eof(); rs->MoveNext())
        for (std::size_t k = 0; k < salida.size(); ++k) {
            if (rs->entero(int(k) + 2) == 0)
                continue;
            if (!hallada[k])
                salida[k]->clave_ = rs->texto(0);
            hallada[k] = true;
            salida[k]->toma(rs->esNulo(1) ? QVariant() : QVariant(rs->texto(1)));
        }
    rs.reset();
    for (std::size_t k = 0; k < salida.size(); ++k)
        if (!hallada[k])
            salida[k]->crea();
    return salida;
}

void FoliosSerie::crea() {
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
    contador_ = 0;
    for (; !rs->eof(); rs->MoveNext())
        toma(rs->esNulo(1) ? QVariant() : QVariant(rs->texto(1)));
    return true;
}

// Read as the accumulation tab reads it to propose the next folio. Rows left twice by a
// table without a key count by the highest: folios below it may have been given out.
void FoliosSerie::toma(const QVariant& contenido) {
    const double valor = contenido.isNull() ? 0 : host::libNucleo::nxVal(contenido.toString());
    contador_ = std::max(contador_, qint64(std::clamp(std::floor(valor), 0.0, 9e18)));
}

QVector<qint32> FoliosSerie::libres(qint64 desde, int cuantos) {
    QVector<Libres> pedidos{{this, desde, cuantos, {}}};
    libres(conexion_, pedidos);
    return pedidos[0].folios;
}

void FoliosSerie::libres(host::Conexion& conexion, QVector<Libres>& pedidos) {
    constexpr qint64 maximo = std::numeric_limits<qint32>::max();
    QVector<qint64> candidatos;
    for (Libres& p : pedidos) {
        p.folios.clear();
        p.folios.reserve(p.cuantos);
        candidatos << p.desde;
    }
    auto toma = [&](qsizetype k, qint64 limite) {
        Libres& p = pedidos[k];
        qint64& candidato = candidatos[k];
        while (candidato < limite && p.folios.size() < p.cuantos) {
            if (candidato > maximo)
                throw host::ErrorBdD(
                    QStringLiteral("No quedan folios libres en la serie \"%1\" a partir de %2.")
                        .arg(p.serie->serie_)
                        .arg(p.desde));
            p.folios.push_back(qint32(candidato++));
        }
    };
    // The taken folios at or above each candidate, a window at a time, walked in order; the
    // windows of every series still short go in one statement.
    for (;;) {
        QStringList partes;
        QVariantList valores;
        QVector<qsizetype> cuales;
        QVector<int> ventanas;
        for (qsizetype k = 0; k < pedidos.size(); ++k) {
            if (pedidos[k].folios.size() >= pedidos[k].cuantos)
                continue;
            const int ventana = pedidos[k].cuantos - int(pedidos[k].folios.size()) + 64;
            partes << QStringLiteral("(SELECT DISTINCT %1 AS Cual, Factura FROM pedidos WHERE "
                                     "Serie=? AND Factura>=? ORDER BY Factura LIMIT ?)")
                          .arg(cuales.size());
            valores << pedidos[k].serie->serie_ << candidatos[k] << ventana;
            cuales << k;
            ventanas << ventana;
        }
        if (cuales.isEmpty())
            return;
        // The order of a union's rows is the outer ORDER BY's alone.
        auto rs = conexion.consulta(
            partes.size() == 1
                ? partes[0]
                : QStringLiteral("SELECT Cual, Factura FROM (%1) u ORDER BY Cual, Factura")
                      .arg(partes.join(QStringLiteral(" UNION ALL "))),
            valores);
        QVector<int> leidos(cuales.size(), 0);
        for (; !rs->eof(); rs->MoveNext()) {
            const auto i = qsizetype(rs->entero(0));
            const qsizetype k = cuales[i];
            if (pedidos[k].folios.size() >= pedidos[k].cuantos)
                continue;
            ++leidos[i];
            const qint64 tomado = rs->entero(1);
            toma(k, tomado);
            if (candidatos[k] == tomado)
                ++candidatos[k];
        }
        for (qsizetype i = 0; i < cuales.size(); ++i)
            if (leidos[i] < ventanas[i])
                toma(cuales[i], std::numeric_limits<qint64>::max());
    }
}

void FoliosSerie::guarda(qint32 folio) {
    guarda(conexion_, {{this, folio}});
}

void FoliosSerie::guarda(host::Conexion& conexion, const QVector<Guardado>& guardados) {
    QVariantList casos, claves;
    QStringList cuando, marcas;
    for (const Guardado& g : guardados) {
        if (g.folio <= g.serie->contador_)
            continue;
        cuando << QStringLiteral("WHEN ? THEN ?");
        casos << g.serie->clave_ << QString::number(g.folio);
        marcas << QStringLiteral("?");
        claves << g.serie->clave_;
    }
    if (claves.isEmpty())
        return;
    conexion.ejecuta(QStringLiteral("UPDATE sistema SET Contenido=CASE Dato %1 END WHERE Dato IN "
                                    "(%2)")
                         .arg(cuando.join(QLatin1Char(' ')), marcas.join(QLatin1Char(','))),
                     casos + claves);
    for (const Guardado& g : guardados)
        g.serie->contador_ = std::max<qint64>(g.serie->contador_, g.folio);
}

} // namespace acumulacion
