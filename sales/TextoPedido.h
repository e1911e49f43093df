#pragma once

#include <QString>

namespace acumulacion {

// "B-1520" for series B, "1520" for the empty series: how every window, report and message
// names an order.
QString textoPedido(const QString& serie, qint64 folio);

} // namespace acumulacion
