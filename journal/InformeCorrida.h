#pragma once

#include "journal/TiposBitacora.h"
#include "shell/Informe.h"

#include <QHash>

namespace bitacora {

// The report of a past run, from what its journal holds: the run's entry and the orders it
// wrote, one line each, in the order they were written. The same columns as the report the
// operation showed when it ended, as far as the journal keeps them. empresas: company names by
// database name in lower case, shown beside the database (none known: the name alone).
Informe InformeCorrida(const Corrida& corrida, const QVector<PedidoAnotado>& pedidos,
                       const QHash<QString, QString>& empresas = {});

} // namespace bitacora
