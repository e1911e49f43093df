#pragma once

#include "shell/FinTrabajo.h"
#include "shell/ventanas/Trabajador.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// Runs a window's long operations, one at a time, each on a thread of its own, so the
// window keeps answering meanwhile. What the operation returns reaches the window typed,
// on the window's thread; so do its progress and its failure.
class HiloTrabajo : public QObject {
    Q_OBJECT
public:
    explicit HiloTrabajo(QObject* parent = nullptr);
    // Asks the running operation to stop and waits for it: the body may not outlive the
    // window that started it. Its alTerminar is then not called.
    ~HiloTrabajo() override;

    // Starts cuerpo(Trabajador&) -> R on a new thread; when it ends, alTerminar receives a
    // FinTrabajo<R> on this object's thread, after terminado(). alTerminar may start the
    // next operation. False (and nothing started) while another runs.
    template <typename Cuerpo, typename AlTerminar>
    bool inicia(Cuerpo cuerpo, AlTerminar alTerminar);
    bool ocupado() const { return ocupado_; }
    // The body hears it at its next check (between orders, for the core's operations).
    void cancela() { cancelar_ = true; }

signals:
    void avance(const QString& texto, qint64 n, qint64 total);
    // The running operation waits for another user's lock (texto says what), or, empty, no
    // longer does.
    void espera(const QString& texto);
    void terminado();

private:
    bool arranca(Trabajador::Cuerpo cuerpo, std::function<void(const QString&)> alTerminar);
    void recoge();

    std::unique_ptr<QThread> hilo_;
    std::atomic<bool> cancelar_{false};
    bool ocupado_ = false;
    std::function<void(const QString&)> alTerminar_;
};

template <typename Cuerpo, typename AlTerminar>
bool HiloTrabajo::inicia(Cuerpo cuerpo, AlTerminar alTerminar) {
    using R = std::invoke_result_t<Cuerpo&, Trabajador&>;
    static_assert(!std::is_void_v<R>, "the body returns what the window shows");
    // Written by the worker before it tells its end, read here after: the queued signal
    // orders the two.
    auto valor = std::make_shared<std::optional<R>>();
    return arranca(
        [cuerpo = std::move(cuerpo), valor](Trabajador& t) mutable { valor->emplace(cuerpo(t)); },
        [valor, alTerminar = std::move(alTerminar)](const QString& fallo) mutable {
            alTerminar(*valor ? FinTrabajo<R>::conValor(std::move(**valor))
                              : FinTrabajo<R>::conFallo(fallo));
        });
}
