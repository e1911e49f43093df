#include "import/ColaTandas.h"

#include "import/LecturaPedidos.h"

#include <stdexcept>

namespace importacion {

ColaTandas::ColaTandas(int tandas, const std::function<std::unique_ptr<TandaPedidos>()>& crea,
                       Lectura lectura) {
    for (int i = 0; i < tandas; ++i)
        vacias_.push_back(crea());
    hilo_ = std::thread([this, lectura = std::move(lectura)] { lee(lectura); });
}

ColaTandas::~ColaTandas() {
    {
        std::lock_guard bloqueo(mutex_);
        detener_ = true;
    }
    cambio_.notify_all();
    hilo_.join();
}

void ColaTandas::lee(const Lectura& lectura) {
    std::exception_ptr error;
    try {
        lectura(*this);
    } catch (const Detenida&) {
    } catch (...) {
        error = std::current_exception();
    }
    {
        std::lock_guard bloqueo(mutex_);
        error_ = error;
        terminada_ = true;
    }
    cambio_.notify_all();
}

std::unique_ptr<TandaPedidos> ColaTandas::tomaVacia() {
    std::unique_lock bloqueo(mutex_);
    cambio_.wait(bloqueo, [this] { return detener_ || !vacias_.empty(); });
    if (detener_)
        throw Detenida();
    auto tanda = std::move(vacias_.back());
    vacias_.pop_back();
    return tanda;
}

void ColaTandas::entrega(std::unique_ptr<TandaPedidos> tanda) {
    {
        std::lock_guard bloqueo(mutex_);
        if (detener_)
            throw Detenida();
        llenas_.push_back(std::move(tanda));
    }
    cambio_.notify_all();
}

std::unique_ptr<TandaPedidos> ColaTandas::siguiente() {
    std::unique_lock bloqueo(mutex_);
    cambio_.wait(bloqueo, [this] { return terminada_ || !llenas_.empty(); });
    if (!llenas_.empty()) {
        auto tanda = std::move(llenas_.front());
        llenas_.pop_front();
        return tanda;
    }
    if (error_)
        std::rethrow_exception(error_);
    throw std::logic_error("ColaTandas: la lectura terminó sin entregar su última tanda");
}

void ColaTandas::devuelve(std::unique_ptr<TandaPedidos> tanda) {
    tanda->vacia();
    {
        std::lock_guard bloqueo(mutex_);
        vacias_.push_back(std::move(tanda));
    }
    cambio_.notify_all();
}

} // namespace importacion
