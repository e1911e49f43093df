#include "import/EnvioSql.h"

#include "shell/host/Conexion.h"

namespace importacion {

namespace {
constexpr std::size_t maximoEnEspera = 2; // bounds the memory held by waiting batches
}

EnvioSql::EnvioSql(host::Conexion& conexion) : conexion_(conexion) {
    hilo_ = std::thread(&EnvioSql::trabaja, this);
}

EnvioSql::~EnvioSql() {
    {
        std::lock_guard bloqueo(mutex_);
        termina_ = true;
        pendientes_.clear();
    }
    cambio_.notify_all();
    hilo_.join();
}

void EnvioSql::trabaja() {
    std::unique_lock bloqueo(mutex_);
    for (;;) {
        cambio_.wait(bloqueo, [this] { return termina_ || !pendientes_.empty(); });
        if (pendientes_.empty())
            return;
        Tarea tarea = std::move(pendientes_.front());
        pendientes_.pop_front();
        enCurso_ = true;
        bloqueo.unlock();
        std::exception_ptr error;
        try {
            tarea(conexion_);
        } catch (...) {
            error = std::current_exception();
        }
        bloqueo.lock();
        enCurso_ = false;
        if (error) {
            // Later work would build on the failed one: none of it runs.
            error_ = error;
            pendientes_.clear();
        }
        cambio_.notify_all();
    }
}

void EnvioSql::lanzaError() {
    if (error_)
        std::rethrow_exception(error_);
}

void EnvioSql::envia(Tarea tarea) {
    {
        std::unique_lock bloqueo(mutex_);
        cambio_.wait(bloqueo, [this] { return error_ || pendientes_.size() < maximoEnEspera; });
        lanzaError();
        pendientes_.push_back(std::move(tarea));
    }
    cambio_.notify_all();
}

void EnvioSql::espera() {
    std::unique_lock bloqueo(mutex_);
    cambio_.wait(bloqueo, [this] { return pendientes_.empty() && !enCurso_; });
    lanzaError();
}

} // namespace importacion
