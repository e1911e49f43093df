#pragma once

#include <QString>
#include <concepts>

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

} // namespace host
