#include "import/ProximoId.h"

#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

namespace importacion {

namespace {
constexpr int ventana = 1000;
}

ProximoId::ProximoId(host::Conexion& conexion) : conexion_(conexion) {
    auto rs = conexion_.consulta(QStringLiteral(
        "SELECT Id FROM pedidos WHERE Id<999999999 ORDER BY Id DESC LIMIT 1 FOR UPDATE"));
    if (!rs->eof())
        candidato_ = rs->entero(0) + 1;
}

void ProximoId::recarga() {
    // Lines left behind by a deleted order keep its Id taken: a new order given that Id
    // would take them as its own, and the stock raise would count them. The orders are read
    // with a lock, as they are now: a plain read sees the transaction's first view, taken
    // before the wait for the highest Id, without the orders other sessions committed since.
    auto rs = conexion_.consulta(QStringLiteral("(SELECT Id FROM pedidos WHERE Id>=? FOR UPDATE) "
                                                "UNION (SELECT Id FROM pedidosdetalle WHERE "
                                                "Id>=?) ORDER BY Id LIMIT %1")
                                     .arg(ventana),
                                 {candidato_, candidato_});
    int n = 0;
    for (; !rs->eof(); rs->MoveNext(), ++n)
        ocupados_.push_back(rs->entero(0));
    leidosTodos_ = n < ventana;
}

qint64 ProximoId::siguiente() {
    for (;;) {
        while (!ocupados_.empty() && ocupados_.front() < candidato_)
            ocupados_.pop_front();
        if (ocupados_.empty() && !leidosTodos_)
            recarga();
        if (!ocupados_.empty() && ocupados_.front() == candidato_) {
            ++candidato_;
            continue;
        }
        return candidato_++;
    }
}

} // namespace importacion
