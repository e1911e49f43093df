#pragma once

#include "data/Avance.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariant>
#include <atomic>
#include <functional>

// One long operation, run on a worker thread by HiloTrabajo. Its body calls the core and
// speaks to the window only through the signals, which reach the window's thread queued.
class Trabajador : public QObject {
    Q_OBJECT
public:
    using Cuerpo = std::function<void(Trabajador&)>;

    Trabajador(Cuerpo cuerpo, const std::atomic<bool>& cancelar);

    // For the body: where the work stands, a piece of its result, and whether the user
    // asked to stop (the core's cancel callback reads it).
    // Counted steps reach the window every 40 ms at most, besides the last one: one signal
    // per order would keep the window repainting its panel instead of answering.
    void informa(const QString& texto, qint64 n = 0, qint64 total = 0) {
        if (total > 0 && n < total && reloj_.isValid() && !reloj_.hasExpired(40))
            return;
        reloj_.start();
        emit avance(texto, n, total);
    }
    void entrega(const QVariant& valor) { emit dato(valor); }
    bool cancelado() const { return cancelar_.load(); }
    // The callbacks of an export or an import: progress told as "Pedido n de m", and the
    // user's cancel.
    transferencia::Avance avancePedidos();

public slots:
    void ejecuta();

signals:
    void avance(const QString& texto, qint64 n, qint64 total);
    void dato(const QVariant& valor);
    // fallo: the message of an exception that escaped the body; empty when none did.
    void terminado(const QString& fallo);

private:
    Cuerpo cuerpo_;
    const std::atomic<bool>& cancelar_;
    QElapsedTimer reloj_; // since the last step told
};
