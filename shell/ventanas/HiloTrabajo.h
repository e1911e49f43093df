#pragma once

#include "shell/ventanas/Trabajador.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

// Runs a window's long operations, one at a time, each on a thread of its own, so the
// window keeps answering meanwhile. Its signals arrive on the window's thread.
class HiloTrabajo : public QObject {
    Q_OBJECT
public:
    explicit HiloTrabajo(QObject* parent = nullptr);
    // Asks the running operation to stop and waits for it: the body may not outlive the
    // window that started it.
    ~HiloTrabajo() override;

    // Starts cuerpo on a new thread. False (and nothing started) while another runs.
    bool inicia(Trabajador::Cuerpo cuerpo);
    bool ocupado() const { return ocupado_; }
    // The body hears it at its next check (between orders, for the core's operations).
    void cancela() { cancelar_ = true; }

signals:
    void avance(const QString& texto, qint64 n, qint64 total);
    void dato(const QVariant& valor);
    void terminado(const QString& fallo);

private:
    void recoge();

    std::unique_ptr<QThread> hilo_;
    std::atomic<bool> cancelar_{false};
    bool ocupado_ = false;
};
