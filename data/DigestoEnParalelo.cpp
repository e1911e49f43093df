#include "data/DigestoEnParalelo.h"

namespace transferencia {

namespace {
// Small files are hashed at once: a thread would cost more than it saves.
constexpr qint64 enLineaHasta = 256 << 10;
constexpr std::size_t maximoEnEspera = 8; // bounds the memory of the copies
} // namespace

DigestoEnParalelo::~DigestoEnParalelo() {
    if (!hilo_.joinable())
        return;
    {
        std::lock_guard bloqueo(mutex_);
        termina_ = true;
        pendientes_.clear();
    }
    cambio_.notify_all();
    hilo_.join();
}

void DigestoEnParalelo::agrega(QByteArrayView bytes) {
    if (!hilo_.joinable()) {
        if (enLinea_ + bytes.size() <= enLineaHasta) {
            hash_.addData(bytes);
            enLinea_ += bytes.size();
            return;
        }
        hilo_ = std::thread(&DigestoEnParalelo::trabaja, this);
    }
    {
        std::unique_lock bloqueo(mutex_);
        cambio_.wait(bloqueo, [this] { return pendientes_.size() < maximoEnEspera; });
        pendientes_.push_back(bytes.toByteArray());
    }
    cambio_.notify_all();
}

void DigestoEnParalelo::trabaja() {
    std::unique_lock bloqueo(mutex_);
    for (;;) {
        cambio_.wait(bloqueo, [this] { return termina_ || !pendientes_.empty(); });
        if (pendientes_.empty())
            return;
        const QByteArray bytes = std::move(pendientes_.front());
        pendientes_.pop_front();
        ocupado_ = true;
        bloqueo.unlock();
        cambio_.notify_all();
        hash_.addData(bytes);
        bloqueo.lock();
        ocupado_ = false;
        cambio_.notify_all();
    }
}

QByteArray DigestoEnParalelo::resultado() {
    if (hilo_.joinable()) {
        std::unique_lock bloqueo(mutex_);
        cambio_.wait(bloqueo, [this] { return pendientes_.empty() && !ocupado_; });
    }
    return hash_.result();
}

} // namespace transferencia
