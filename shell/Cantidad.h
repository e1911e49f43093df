#pragma once

#include <QLocale>
#include <QString>

// A count grouped in thousands with the user's separator, as amounts are: "9,998".
inline QString numeroConMiles(qint64 n) {
    const QString digitos = QString::number(n < 0 ? -quint64(n) : quint64(n));
    const QString grupo = QLocale().groupSeparator();
    QString salida = n < 0 ? QStringLiteral("-") : QString();
    for (qsizetype i = 0; i < digitos.size(); ++i) {
        if (i > 0 && (digitos.size() - i) % 3 == 0)
            salida += grupo;
        salida += digitos[i];
    }
    return salida;
}

// A count with its noun in the right number: "1 pedido", "3 pedidos", "0 pedidos",
// "9,998 pedidos".
inline QString cantidad(qint64 n, const QString& singular, const QString& plural) {
    return QStringLiteral("%1 %2").arg(numeroConMiles(n), n == 1 ? singular : plural);
}
