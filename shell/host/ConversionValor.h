#pragma once

#include "shell/host/ErrorBdD.h"
#include "shell/host/Recordset.h"

#include <QString>
#include <QVariant>

namespace host {

// A text value that its column cannot take. The reason reads after "que": "no es un
// número", "está fuera del rango de la columna (de 0 a 255)" ...
class ErrorConversion : public ErrorBdD {
public:
    ErrorConversion(const QString& columna, const QString& valor, const QString& motivo)
        : ErrorBdD(QStringLiteral("El valor \"%1\" de la columna %2 no se puede guardar: %3.")
                       .arg(valor, columna, motivo)),
          columna_(columna), valor_(valor), motivo_(motivo) {}
    const QString& columna() const { return columna_; }
    const QString& valor() const { return valor_; }
    const QString& motivo() const { return motivo_; }

private:
    QString columna_, valor_, motivo_;
};

// Turns a value received as text into the value its column holds:
// numbers with "." as decimal separator; "dd/mmm/yyyy", "#yyyy-mm-dd#" and
// "#yyyy-mm-dd hh:mm:ss#" dates; "#NULL#" as NULL; "#TRUE#"/"#FALSE#" as 1/0; an empty
// text in a date column as NULL.
// The value must fit the column as it is: a number within the range, the whole digits and
// the decimals of its column (decimals beyond the column's are only accepted when they are
// zeros), a date that exists with a year from 1000 to 9999 and no time of day for a
// date-only column. Nothing is rounded or cut.
// Throws ErrorConversion naming the column, the value and the reason when it does not fit.
QVariant convierteTexto(const Columna& columna, const QString& texto);

// The same for a number (texto without blanks around it) in a whole-number, logical or
// decimal column, without throwing: why it does not fit, or empty when it does and valor
// holds what is to be stored.
QString convierteNumero(const Columna& columna, const QString& texto, QVariant& valor);

} // namespace host
