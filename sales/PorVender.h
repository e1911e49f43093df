#pragma once

#include <QString>

namespace acumulacion {

// The stock still to be sold (productos.PorVender) follows the pending lines of the orders:
// an accumulation lowers it at the source by the pending quantities it takes away, an import
// raises it by the quantities of the lines it writes. Both run one set-based statement over
// the lines concerned, written here once.
class PorVender {
public:
    enum class Sentido { Baja, Sube };

    // Each product's sum of columna over the lines of detalle that donde selects, as rows
    // (Producto, Suma).
    static QString sumaPorProducto(const QString& detalle, const QString& columna,
                                   const QString& donde);
    // Changes productos.PorVender by that sum, product by product; productos and detalle are
    // table names as the statement is to name them (quoted by the caller when need be).
    static QString cambia(const QString& productos, const QString& detalle, const QString& columna,
                          const QString& donde, Sentido sentido);
};

} // namespace acumulacion
