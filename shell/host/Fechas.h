#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace host {

// Date texts the program reads and writes.
namespace Fechas {

// "dd/mmm/yyyy" with the Spanish month abbreviation: 05/ene/2026.
QString aTextoMes(const QDate& fecha);
// Reads "dd/mmm/yyyy" (Spanish or English abbreviation, any case, with or without a
// trailing dot); an invalid QDate when the text is not such a date.
QDate deTextoMes(const QString& texto);
// "dd/mm/yyyy", the date fields' format.
QString aTextoCorto(const QDate& fecha);
// Reads "dd/mm/yyyy" (also d/m/yyyy) or "yyyy-mm-dd"; an invalid QDate otherwise.
QDate deTextoCorto(const QString& texto);
// "#yyyy-mm-dd#", or "#yyyy-mm-dd hh:mm:ss#" when a time of day is given.
QString aMarcaFecha(const QDate& fecha);
QString aMarcaFechaHora(const QDateTime& fechaHora);

} // namespace Fechas
} // namespace host
