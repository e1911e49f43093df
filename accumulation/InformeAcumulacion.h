#pragma once

#include "accumulation/TiposAcumulacion.h"
#include "shell/Informe.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>

namespace acumulacion {

// What a generation did, order by order, for the user to keep ("Ver informe"): the message
// that ended it, the dates of the orders and when it ran (ahora), then every folio created
// with the company and the order it came from, the company's name beside its database where
// empresas (NombresEmpresas) has it.
Informe InformeGeneracion(const QString& mensaje, const QVector<FolioDado>& dados,
                          const QDate& desde, const QDate& hasta, const QDateTime& ahora,
                          const QHash<QString, QString>& empresas = {});

} // namespace acumulacion
