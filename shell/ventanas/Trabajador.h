#pragma once

#include "shell/host/Avance.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>

// One long operation, run on a worker thread by HiloTrabajo. Its body calls the core and
// speaks to the window only through this object, whose calls reach the window's thread
// queued.
class Trabajador : public QObject {
    Q_OBJECT
public:
    using Cuerpo = std::function<void(Trabajador&)>;

    // ventana: the object on the window's thread that enVentana's calls run against.
    Trabajador(Cuerpo cuerpo, const std::atomic<bool>& cancelar, QObject* ventana);

    // For the body: where the work stands, and whether the user asked to stop (the core's
    // cancel callback reads it).
    // Counted steps reach the window every 40 ms at most, besides the last one: one signal
    // per order would keep the window repainting its panel instead of answering.
    void informa(const QString& texto, qint64 n = 0, qint64 total = 0) {
        if (total > 0 && n < total && reloj_.isValid() && !reloj_.hasExpired(40))
            return;
        reloj_.start();
        emit avance(texto, n, total);
    }
    bool cancelado() const { return cancelar_.load(); }
    // Runs f on the window's thread, after what the body handed over before and before the
    // run's end: how a body shows part of its result while it goes on. f may touch the
    // window; it runs only while the window is there.
    void enVentana(std::function<void()> f);
    // The callbacks of an export or an import: progress told as "Pedido n de m", and the
    // user's cancel.
    transferencia::Avance avancePedidos();

public slots:
    void ejecuta();

signals:
    void avance(const QString& texto, qint64 n, qint64 total);
    // A statement waits for another user ("Esperando a que otro usuario libere …"); empty
    // once it waits no more. Emitted from the watcher's thread.
    void espera(const QString& texto);
    // fallo: the message of an exception that escaped the body; empty when none did.
    void terminado(const QString& fallo);

private:
    Cuerpo cuerpo_;
    const std::atomic<bool>& cancelar_;
    QObject* ventana_;    // outlives the run: HiloTrabajo waits for it
    QElapsedTimer reloj_; // since the last step told
};
