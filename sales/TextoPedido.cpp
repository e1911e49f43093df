#include "sales/TextoPedido.h"

namespace acumulacion {

QString textoPedido(const QString& serie, qint64 folio) {
    const QString s = serie.trimmed();
    return s.isEmpty() ? QString::number(folio) : s + QLatin1Char('-') + QString::number(folio);
}

} // namespace acumulacion
