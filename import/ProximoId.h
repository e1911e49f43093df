#pragma once

#include <QtGlobal>
#include <deque>

namespace host {
class Conexion;
}

namespace importacion {

// New order Ids: from the one after the highest below 999999999 (or from 1 on an empty
// table) upward, skipping every Id in use by an order or by lines. The same numbers a probe
// per order would give, in a few queries.
class ProximoId {
public:
    // Locks the highest order and the gap after it until the transaction ends, so two
    // imports at once cannot pick the same Ids.
    explicit ProximoId(host::Conexion& conexion);
    qint64 siguiente();

private:
    void recarga();
    host::Conexion& conexion_;
    qint64 candidato_ = 1;
    std::deque<qint64> ocupados_; // Ids in use from candidato_ up, read in windows
    bool leidosTodos_ = false;
};

} // namespace importacion
