#pragma once

#include "journal/TiposBitacora.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace host {
class Conexion;
} // namespace host

namespace bitacora {

// The readers of the journal in conexion's database.
class ConsultasBitacora {
public:
    // Runs that started within the dates (either end may be open), of one operation or of
    // all, newest first. Empty when the database has no journal.
    static QVector<Corrida> corridas(host::Conexion& conexion, const std::optional<QDate>& desde,
                                     const std::optional<QDate>& hasta,
                                     const std::optional<Operacion>& operacion = {});
    // The runs that seleccion asks for, newest first, in two queries whatever their number:
    // the runs, then which of those in course were interrupted. Empty when the database has
    // no journal.
    static QVector<Corrida> corridas(host::Conexion& conexion, const Seleccion& seleccion);
    // When each of the orders of conexion's database with an Id from desde to hasta was last
    // written by an export that ended well (the end of that run), in one query. Orders
    // never exported are absent. Empty when the database has no journal; throws
    // host::ErrorBdD when it cannot be read.
    static QHash<qint64, QDateTime> ultimasExportaciones(host::Conexion& conexion, qint64 desde,
                                                         qint64 hasta);
    // The orders of one run, in the order they were written.
    static QVector<PedidoAnotado> pedidos(host::Conexion& conexion, qint64 corrida);

    // Of the fingerprints, those the register holds. Its rows are read with a lock kept to
    // the end of the caller's transaction, so an import of the same orders at the same time
    // waits for it and then sees them (or deadlocks, and is retried). Empty when the
    // database has no register; throws host::ErrorBdD otherwise (code 1142 when the user
    // may not read it).
    static QHash<QString, HuellaRegistrada> registradas(host::Conexion& conexion,
                                                        const QStringList& huellas);
    // Of the fingerprints, those of orders that an import brought in and an undo removed
    // since, the newest undo for each. Read from the runs undone, which are few. Empty when
    // the journal keeps no undos (none yet, or a layout without them); throws host::ErrorBdD
    // when it cannot be read.
    static QHash<QString, HuellaDeshecha> deshechas(host::Conexion& conexion,
                                                    const QSet<QString>& huellas);
};

} // namespace bitacora
