#pragma once

#include <QString>
#include <QVector>
#include <vector>

namespace host {
class Conexion;
}

namespace importacion {

// What the server stored for the orders an import just inserted, read back instead of
// assumed: a trigger of the import database may replace the Id or the folio the import gave.
class PedidosGuardados {
public:
    struct Dado {
        qint64 id = 0;
        QString serie;
        qint64 folio = 0;
        int linea = 0; // of its header in the file, to name it
    };

    // The orders as stored, in the order given. Each is found by the Id it was given, or, when
    // that Id holds no order (a trigger changed it), by its series and folio. Throws
    // host::ErrorBdD when an order cannot be told apart from the others that way.
    static QVector<Dado> lee(host::Conexion& conexion, const QVector<Dado>& dados);

    // Throws host::ErrorBdD when a stored order does not hold exactly the lines the file gives
    // it (renglones: one count per order of guardados).
    static void compruebaRenglones(host::Conexion& conexion, const QVector<Dado>& guardados,
                                   const QVector<int>& renglones);

    // "(Id BETWEEN 5 AND 9 OR Id IN (12))": the Ids in as few runs as they allow; empty for
    // none.
    static QString condicion(const std::vector<qint64>& ids);
};

} // namespace importacion
