#include "shell/ventanas/Trabajador.h"

#include "shell/host/Error.h"
#include "shell/host/Vigia.h"

#include <QMetaObject>
#include <exception>

Trabajador::Trabajador(Cuerpo cuerpo, const std::atomic<bool>& cancelar, QObject* ventana)
    : cuerpo_(std::move(cuerpo)), cancelar_(cancelar), ventana_(ventana) {}

void Trabajador::enVentana(std::function<void()> f) {
    // Queued on the window's object: dropped, not run, once that object is gone.
    QMetaObject::invokeMethod(ventana_, std::move(f), Qt::QueuedConnection);
}

transferencia::Avance Trabajador::avancePedidos() {
    transferencia::Avance avance;
    avance.progreso = [this](qint64 n, qint64 total) {
        informa(QStringLiteral("Pedido %1 de %2").arg(n).arg(total), n, total);
    };
    avance.cancelar = [this] { return cancelado(); };
    return avance;
}

void Trabajador::ejecuta() {
    const QString inesperado = QStringLiteral("Error inesperado en la operación.");
    QString fallo;
    // Nothing may escape a thread's event loop: whatever the body did not handle is told to
    // the window as a message, never an empty one (the window tells a failure by it).
    try {
        // The run's statements are watched: a wait for another session's lock is told, and
        // "Cancelar" stops it at once.
        host::Vigia vigia({[this] { return cancelado(); },
                           [this](const QString& texto) { emit espera(texto); },
                           [] { throw transferencia::Cancelado(); }});
        cuerpo_(*this);
    } catch (const host::Error& e) {
        fallo = e.mensaje().isEmpty() ? inesperado : e.mensaje();
    } catch (const std::exception& e) {
        fallo = QStringLiteral("Error inesperado: %1").arg(QString::fromUtf8(e.what()));
    } catch (...) {
        fallo = inesperado;
    }
    emit terminado(fallo);
}
