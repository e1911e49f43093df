#include "shell/ventanas/HiloTrabajo.h"

HiloTrabajo::HiloTrabajo(QObject* parent) : QObject(parent) {}

HiloTrabajo::~HiloTrabajo() {
    cancela();
    recoge();
}

void HiloTrabajo::recoge() {
    if (!hilo_)
        return;
    hilo_->quit();
    hilo_->wait();
    hilo_.reset();
}

bool HiloTrabajo::arranca(Trabajador::Cuerpo cuerpo,
                          std::function<void(const QString&)> alTerminar) {
    if (ocupado_)
        return false;
    // The previous thread has already told its end; it is only left to join it.
    recoge();
    cancelar_ = false;
    ocupado_ = true;
    alTerminar_ = std::move(alTerminar);

    hilo_ = std::make_unique<QThread>();
    auto* trabajador = new Trabajador(std::move(cuerpo), cancelar_, this);
    trabajador->moveToThread(hilo_.get());
    connect(hilo_.get(), &QThread::started, trabajador, &Trabajador::ejecuta);
    connect(hilo_.get(), &QThread::finished, trabajador, &QObject::deleteLater);
    connect(trabajador, &Trabajador::avance, this, &HiloTrabajo::avance);
    connect(trabajador, &Trabajador::espera, this, &HiloTrabajo::espera, Qt::QueuedConnection);
    connect(trabajador, &Trabajador::terminado, hilo_.get(), &QThread::quit);
    connect(trabajador, &Trabajador::terminado, this, [this](const QString& fallo) {
        ocupado_ = false;
        // Taken first: the window's answer may start the next operation.
        auto alTerminar = std::exchange(alTerminar_, nullptr);
        emit terminado();
        if (alTerminar)
            alTerminar(fallo);
    });
    hilo_->start();
    return true;
}
