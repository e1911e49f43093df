#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

namespace host {
class Conexion;
}

namespace importacion {

// The quantities of the imported lines, summed exactly per product code, so that the stock
// still to be sold is raised by one statement per product instead of one per line.
class AcumuladoExistencias {
public:
    // A quantity as written in the file, as an exact number scaled by 10^12; false when the
    // text is not a number or is too large to add.
    static bool leeCantidad(QStringView texto, __int128& valor);

    // Adds a quantity already read by leeCantidad. Throws ErrorBdD when the sum would no
    // longer be exact.
    void agrega(const QString& producto, __int128 cantidad);
    qsizetype productos() const { return sumas_.size(); }
    // Each code's sum, scaled as leeCantidad gives them.
    const QHash<QString, __int128>& sumas() const { return sumas_; }
    // Raises productos.PorVender by each sum (an unknown code changes nothing) and empties.
    // Codes go in ascending order, so two writers lock the rows they share in one order.
    void graba(host::Conexion& conexion);
    void descarta() { sumas_.clear(); }

    // The sum as decimal text with 12 decimals.
    static QString texto(__int128 valor);

private:
    QHash<QString, __int128> sumas_;
};

} // namespace importacion
