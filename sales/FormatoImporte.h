#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

namespace acumulacion {

// An amount as the result lines show it ("###,###,##0.00"): thousands grouped, exactly two
// decimals rounded half away from zero, at least one digit before the decimal separator,
// with the separators of the given locale. texto is the server's text of a number
// ("1234567.891", "-5", "1.5e+20"); empty text (NULL) gives an empty result.
QString formatoImporte(const QByteArray& texto, const QLocale& regional);

} // namespace acumulacion
