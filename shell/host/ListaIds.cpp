#include "shell/host/ListaIds.h"

#include <QStringList>
#include <algorithm>

namespace host {

namespace {

void ordena(std::vector<qint64>& ids) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

// Where the run of consecutive Ids that starts at k ends (its last index).
std::size_t finDelTramo(const std::vector<qint64>& ids, std::size_t k) {
    while (k + 1 < ids.size() && ids[k + 1] == ids[k] + 1)
        ++k;
    return k;
}

} // namespace

QString condicionIds(QStringView columna, std::vector<qint64> ids) {
    ordena(ids);
    QStringList tramos;
    std::vector<qint64> sueltos;
    for (std::size_t k = 0; k < ids.size();) {
        const std::size_t fin = finDelTramo(ids, k);
        if (fin == k)
            sueltos.push_back(ids[k]);
        else
            tramos << QStringLiteral("%1 BETWEEN %2 AND %3").arg(columna).arg(ids[k]).arg(ids[fin]);
        k = fin + 1;
    }
    if (!sueltos.empty())
        tramos << QStringLiteral("%1 IN (%2)").arg(columna, listaIds(sueltos));
    return tramos.isEmpty()
               ? QString()
               : QLatin1Char('(') + tramos.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

std::vector<std::vector<qint64>> partesIds(std::vector<qint64> ids, std::size_t tramos) {
    ordena(ids);
    std::vector<std::vector<qint64>> partes;
    std::size_t enParte = tramos;
    for (std::size_t k = 0; k < ids.size();) {
        const std::size_t fin = finDelTramo(ids, k);
        if (enParte == tramos) {
            partes.emplace_back();
            enParte = 0;
        }
        partes.back().insert(partes.back().end(), ids.begin() + qsizetype(k),
                             ids.begin() + qsizetype(fin + 1));
        ++enParte;
        k = fin + 1;
    }
    return partes;
}

} // namespace host
