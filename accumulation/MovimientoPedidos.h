#pragma once

#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/TiposAcumulacion.h"
#include "journal/ResumenPedido.h"
#include "shell/host/Conexion.h"

#include <QHash>
#include <QVector>
#include <memory>

namespace bitacora {
class Bitacora;
}

namespace acumulacion {

// Moves source orders into the current database, a group of orders of one company at a
// time, each group in one transaction on the current database's connection (the source
// tables are reached by their database-qualified names): new headers and lines, the folio
// counter, the lowered PorVender, the cleared Pedido and the journal's rows of the orders all
// happen or none does.
class MovimientoPedidos {
public:
    // diario: the run's journal entry (on the same connection), or null for none.
    MovimientoPedidos(host::Conexion& actual, const QString& serie,
                      const bitacora::Bitacora* diario = nullptr);

    // Moves these orders of the company (opened: empresa.base is its database; its columns to
    // copy compared by CopiaColumnas), in this order, under the next free folios counted up
    // from siguienteFolio, which comes back past the last folio given. Orders that no longer
    // have pending lines (another run took them) are left out and take no folio. The new
    // orders' Ids are read back from what the server stored, by series and folio, and each
    // must hold exactly the lines copied to it, else nothing of the group is kept. When the
    // connection is lost during the COMMIT, throws ConfirmacionIncierta with what the group
    // would have stored.
    QVector<FolioDado> mueve(const EmpresaOrigen& empresa, const QVector<qint64>& ids,
                             qint64& siguienteFolio);

private:
    struct Origen;
    QVector<qint64> idsGuardados(const QVector<qint32>& folios);
    // hay: the lines each new order holds, when already read (else they are counted).
    void compruebaRenglones(const QVector<qint64>& nuevos, const QVector<qint32>& folios,
                            const QVector<int>& copiados, const QHash<qint64, qint64>* hay);

    host::Conexion& conexion_;
    QString serie_;
    const bitacora::Bitacora* diario_;
    qint64 sesion_ = 0; // the server's id of the connection's session
    // Reads back the digests of the new orders, for the journal.
    std::unique_ptr<bitacora::ResumenPedido::Lector> resumenes_;
};

} // namespace acumulacion
