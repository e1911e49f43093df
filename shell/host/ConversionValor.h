#pragma once

#include "shell/host/ErrorBdD.h"
#include "shell/host/Recordset.h"

#include <QString>
#include <QVariant>

namespace host {

// A text value that its column cannot take.
class ErrorConversion : public ErrorBdD {
public:
    ErrorConversion(const QString& columna, const QString& valor, const QString& mensaje)
        : ErrorBdD(mensaje), columna_(columna), valor_(valor) {}
    const QString& columna() const { return columna_; }
    const QString& valor() const { return valor_; }

private:
    QString columna_, valor_;
};

// Turns a value received as text into the value its column holds:
// numbers with "." as decimal separator; "dd/mmm/yyyy", "#yyyy-mm-dd#" and
// "#yyyy-mm-dd hh:mm:ss#" dates; "#NULL#" as NULL; "#TRUE#"/"#FALSE#" as 1/0.
// Throws ErrorConversion naming the column and the value when it does not fit.
QVariant convierteTexto(const Columna& columna, const QString& texto);

} // namespace host
