#pragma once

#include "accumulation/TiposAcumulacion.h"
#include "shell/host/BasesDD.h"

#include <QDate>
#include <QLocale>
#include <QString>

namespace acumulacion {

// The accumulation operations: list the pending orders of the other company databases, and
// bring them into the current one (bases.cMiBase) under a series and consecutive free
// folios. The object keeps only its settings; every call opens its own connections and
// shares nothing, so calls may run on any thread, several at once.
class clsAcumular {
public:
    // bases: the connection settings and the current database. regional: the separators of
    // the amounts in the result lines (the program's default locale unless given).
    explicit clsAcumular(host::BasesDD bases, QLocale regional = QLocale());

    // Orders per transaction in a generation (at least 1).
    void setPedidosPorTransaccion(int n) { pedidosPorTransaccion_ = std::max(1, n); }

    // Lists, company by company in ascending empresas.Id, each order dated from desde to
    // hasta (inclusive) with a pending line: "Pedido B-1520 en empresa2  Total: 1,234.50".
    // A company is opened by its name in lower case (by the listed name when only that one
    // exists); one that cannot be searched (missing, without its order tables, not allowed,
    // listed twice, without productos) or whose columns the generation would refuse is
    // skipped and named in omitidas; the columns it would not copy are told in avisos.
    // Changes nothing.
    Resultado BuscarPedidos(const QDate& desde, const QDate& hasta,
                            const Retrollamadas& avisos = {}) const;

    // Brings each order that BuscarPedidos would list into the current database as a new
    // order of the series (trimmed) with the next free folio counted up from primerFolio,
    // with its pending lines; in the source, PorVender is lowered by each moved line's
    // pending quantity and every line of the order is left with Pedido 0. Columns are copied
    // by name (CopiaColumnas). Each order moves completely or not at all; an order that its
    // columns or the server's rules refuse stops its company there and the run goes on with
    // the next one (the run then ends as failed); a lost connection, a lock held too long or a
    // cancel stops the run between orders. Companies are skipped as in the search, and also
    // when they lack productos. When the connection is
    // lost during a COMMIT, a new connection finds out whether that group was stored, so the
    // count of orders moved stays exact (or the message says what to check).
    Resultado GeneraPedido(const QDate& desde, const QDate& hasta, const QString& serie,
                           qint32 primerFolio, const Retrollamadas& avisos = {}) const;

private:
    host::BasesDD bases_;
    QLocale regional_;
    int pedidosPorTransaccion_ = 100;
};

} // namespace acumulacion
