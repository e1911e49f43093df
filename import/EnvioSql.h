#pragma once

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace host {
class Conexion;
}

namespace importacion {

// Runs statements on a connection from a thread of its own, in the order given, so the
// server stores one batch while the next is being prepared. A failure is raised by the next
// call; nothing else may use the connection until espera() has returned.
class EnvioSql {
public:
    explicit EnvioSql(host::Conexion& conexion);
    // Lets the running statement finish and drops the waiting ones.
    ~EnvioSql();
    EnvioSql(const EnvioSql&) = delete;
    EnvioSql& operator=(const EnvioSql&) = delete;

    // Queues a statement; waits while two are already waiting.
    void envia(QByteArray sql);
    // Waits until every statement has run.
    void espera();

private:
    void trabaja();
    void lanzaError();

    host::Conexion& conexion_;
    std::mutex mutex_;
    std::condition_variable cambio_;
    std::deque<QByteArray> pendientes_;
    bool enCurso_ = false;
    bool termina_ = false;
    std::exception_ptr error_;
    std::thread hilo_;
};

} // namespace importacion
