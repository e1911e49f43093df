#pragma once

#include "shell/host/Error.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace importacion {

struct TandaPedidos;

// Hands rounds of rows from a reading thread of its own to the thread that writes them,
// which alone holds the database connection: the reader never sees it. A fixed set of
// rounds goes back and forth, so the memory held does not grow with the file. What the
// reader throws reaches the writer after the rounds read before it.
class ColaTandas {
public:
    using Lectura = std::function<void(ColaTandas&)>;
    // Starts lectura on its thread with `tandas` empty rounds made by crea.
    ColaTandas(int tandas, const std::function<std::unique_ptr<TandaPedidos>()>& crea,
               Lectura lectura);
    // Stops the reader (at its next round) and waits for it.
    ~ColaTandas();
    ColaTandas(const ColaTandas&) = delete;
    ColaTandas& operator=(const ColaTandas&) = delete;

    // Reader: an empty round to fill, waiting for one; and a filled one for the writer.
    std::unique_ptr<TandaPedidos> tomaVacia();
    void entrega(std::unique_ptr<TandaPedidos> tanda);

    // Writer: the next filled round, waiting for it; rethrows what the reader threw once
    // the rounds before it were taken. And a written round, for the reader to fill again.
    std::unique_ptr<TandaPedidos> siguiente();
    void devuelve(std::unique_ptr<TandaPedidos> tanda);

private:
    struct Detenida : host::Desvio {};
    void lee(const Lectura& lectura);

    std::mutex mutex_;
    std::condition_variable cambio_;
    std::vector<std::unique_ptr<TandaPedidos>> vacias_;
    std::deque<std::unique_ptr<TandaPedidos>> llenas_;
    std::exception_ptr error_;
    bool terminada_ = false; // the reader returned or threw
    bool detener_ = false;
    std::thread hilo_;
};

} // namespace importacion
