#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace host {
class Conexion;
}

namespace importacion {

// Runs work on a connection from a thread of its own, in the order given, so the server
// stores one batch while the next is being read. The connection belongs to that thread
// until espera() returns: nothing else may touch it meanwhile. A failure is raised by the
// next call.
class EnvioSql {
public:
    explicit EnvioSql(host::Conexion& conexion);
    // Lets the running statement finish and drops the waiting ones.
    ~EnvioSql();
    EnvioSql(const EnvioSql&) = delete;
    EnvioSql& operator=(const EnvioSql&) = delete;

    using Tarea = std::function<void(host::Conexion&)>;
    // Queues a task; waits while two are already waiting.
    void envia(Tarea tarea);
    // Waits until every task has run.
    void espera();

private:
    void trabaja();
    void lanzaError();

    host::Conexion& conexion_;
    std::mutex mutex_;
    std::condition_variable cambio_;
    std::deque<Tarea> pendientes_;
    bool enCurso_ = false;
    bool termina_ = false;
    std::exception_ptr error_;
    std::thread hilo_;
};

} // namespace importacion
