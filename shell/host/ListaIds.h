#pragma once

#include <QString>
#include <QStringView>
#include <concepts>
#include <vector>

namespace host {

// "3,5,8": whole numbers as the server reads them, for an IN (…) list written into a
// statement (a list of any length, where one placeholder per value would not do); empty for
// none. Only integers go this way: they cannot carry SQL, so they need no escaping.
template <typename Ids>
requires std::integral<std::decay_t<decltype(*std::begin(std::declval<const Ids&>()))>>
    QString listaIds(const Ids& ids) {
    QString lista;
    for (const auto id : ids) {
        if (!lista.isEmpty())
            lista += QLatin1Char(',');
        lista += QString::number(id);
    }
    return lista;
}

// "(Id BETWEEN 5 AND 9 OR Id IN (12,15))": the Ids, in any order, as a condition on columna
// in as few runs of consecutive Ids as they allow, so the server reads ranges instead of
// looking each Id up; empty for none. The Ids a run stored mostly follow one another.
QString condicionIds(QStringView columna, std::vector<qint64> ids);

// The Ids sorted, without repeats, in parts that condicionIds writes with at most tramos
// runs or lone Ids each: a statement of bounded length, whatever their gaps.
std::vector<std::vector<qint64>> partesIds(std::vector<qint64> ids, std::size_t tramos);

} // namespace host
