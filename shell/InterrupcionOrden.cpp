#include "shell/InterrupcionOrden.h"

#include "shell/host/Avance.h"

#include <QByteArray>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <unistd.h>

namespace {

// Written by the handler, read by the command and its watcher: a lock-free atomic is all a
// handler may touch.
std::atomic<bool> pedidaSenal{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Said the moment the signal comes: the stop itself may wait for a server that does not
// answer (up to its read timeout), and silence then looks like a hang.
constexpr char avisoDetencion[] =
    "Deteniendo la orden: lo que esté a medias se termina o se deshace entero. "
    "Otra señal la termina de inmediato.\n";

extern "C" void alRecibir(int) {
    if (!pedidaSenal.exchange(true)) {
        // write() is what a handler may call; a short write only shortens the notice.
        [[maybe_unused]] const ssize_t escritos =
            ::write(STDERR_FILENO, avisoDetencion, sizeof avisoDetencion - 1);
    }
}

constexpr int senales[] = {SIGINT, SIGTERM};
static_assert(std::size(senales) == 2, "one saved action per signal");

host::Vigia::Llamadas llamadas() {
    host::Vigia::Llamadas l;
    l.cancelado = &InterrupcionOrden::pedida;
    // From the watcher's thread: one line, written whole.
    l.esperando = [](const QString& texto) {
        if (texto.isEmpty())
            return;
        const QByteArray linea = texto.toUtf8() + '\n';
        std::fwrite(linea.constData(), 1, std::size_t(linea.size()), stderr);
        std::fflush(stderr);
    };
    l.interrumpida = [] { throw transferencia::Cancelado(); };
    return l;
}

} // namespace

InterrupcionOrden::InterrupcionOrden() : vigia_(llamadas()) {
    pedidaSenal = false;
    struct sigaction accion {};
    accion.sa_handler = alRecibir;
    sigemptyset(&accion.sa_mask);
    // The second signal finds the default action again: it ends the program.
    accion.sa_flags = SA_RESETHAND;
    for (std::size_t i = 0; i < std::size(senales); ++i)
        sigaction(senales[i], &accion, &anteriores_[i]);
}

InterrupcionOrden::~InterrupcionOrden() {
    for (std::size_t i = 0; i < std::size(senales); ++i)
        sigaction(senales[i], &anteriores_[i], nullptr);
}

bool InterrupcionOrden::pedida() {
    return pedidaSenal.load();
}
