#pragma once

#include <QString>

// A count with its noun in the right number: "1 pedido", "3 pedidos", "0 pedidos".
inline QString cantidad(qint64 n, const QString& singular, const QString& plural) {
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? singular : plural);
}
