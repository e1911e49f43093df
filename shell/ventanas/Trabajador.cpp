#include "shell/ventanas/Trabajador.h"

#include "shell/host/Error.h"

#include <exception>

Trabajador::Trabajador(Cuerpo cuerpo, const std::atomic<bool>& cancelar)
    : cuerpo_(std::move(cuerpo)), cancelar_(cancelar) {}

transferencia::Avance Trabajador::avancePedidos() {
    transferencia::Avance avance;
    avance.progreso = [this](qint64 n, qint64 total) {
        informa(QStringLiteral("Pedido %1 de %2").arg(n).arg(total), n, total);
    };
    avance.cancelar = [this] { return cancelado(); };
    return avance;
}

void Trabajador::ejecuta() {
    QString fallo;
    // Nothing may escape a thread's event loop: whatever the body did not handle is told to
    // the window as a message.
    try {
        cuerpo_(*this);
    } catch (const host::Error& e) {
        fallo = e.mensaje();
    } catch (const std::exception& e) {
        fallo = QStringLiteral("Error inesperado: %1").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        fallo = QStringLiteral("Error inesperado en la operación.");
    }
    emit terminado(fallo);
}
