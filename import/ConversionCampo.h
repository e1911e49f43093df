#pragma once

#include "shell/host/Recordset.h"

#include <QString>
#include <QVariant>

namespace transferencia {
struct Campo;
}

namespace importacion {

// The value a field of the file gives its column. A quoted field is a text as written
// (even one reading "#NULL#"); anything else goes through the usual text conversion
// (host::convierteTexto), so an empty date is NULL.
// Throws ErrorTransferencia naming the record's line, the field and the value when the
// column cannot take it exactly (not a number or date, too long, out of range, more
// decimals than the column keeps).
QVariant convierteCampo(const host::Columna& columna, const transferencia::Campo& campo, int linea,
                        const QString& nombreCampo);

// A value already converted for one column, made fit for another (a new customer takes
// its data from the order). Throws ErrorTransferencia as above.
QVariant convierteValor(const host::Columna& columna, const QVariant& valor, int linea,
                        const QString& nombreCampo);

// Why the column cannot hold the value, or empty when it can.
QString noCabe(const host::Columna& columna, const QVariant& valor);

} // namespace importacion
