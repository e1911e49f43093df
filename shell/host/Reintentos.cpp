#include "shell/host/Reintentos.h"

#include <QRandomGenerator>
#include <chrono>
#include <thread>

namespace host {

bool Reintentos::otraVez(const ErrorBdD& e, const std::function<bool()>& cancelado) {
    if (e.codigo() == 1205) {
        if (++esperasAgotadas_ > 1)
            return false;
    } else if (e.codigo() == 1213 || e.codigo() == 1062) {
        if (++bloqueosMutuos_ > politica_.bloqueosMutuos)
            return false;
    } else {
        return false;
    }
    if (cancelado && cancelado())
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(
        QRandomGenerator::global()->bounded(politica_.pausaMinimaMs, politica_.pausaMaximaMs) *
        intentos_));
    ++intentos_;
    return true;
}

} // namespace host
