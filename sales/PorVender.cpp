#include "sales/PorVender.h"

namespace acumulacion {

QString PorVender::sumaPorProducto(const QString& detalle, const QString& columna,
                                   const QString& donde) {
    return QStringLiteral("SELECT Producto, SUM(%1) AS Suma FROM %2 WHERE %3 GROUP BY Producto")
        .arg(columna, detalle, donde);
}

QString PorVender::cambia(const QString& productos, const QString& detalle, const QString& columna,
                          const QString& donde, Sentido sentido) {
    return QStringLiteral("UPDATE %1 p JOIN (%2) x ON p.Clave=x.Producto SET "
                          "p.PorVender=p.PorVender%3x.Suma")
        .arg(productos, sumaPorProducto(detalle, columna, donde),
             sentido == Sentido::Baja ? QStringLiteral("-") : QStringLiteral("+"));
}

} // namespace acumulacion
