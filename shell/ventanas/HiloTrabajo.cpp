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

bool HiloTrabajo::inicia(Trabajador::Cuerpo cuerpo) {
    if (ocupado_)
        return false;
    // The previous thread has already told its end; it is only left to join it.
    recoge();
    cancelar_ = false;
    ocupado_ = true;

    hilo_ = std::make_unique<QThread>();
    auto* trabajador = new Trabajador(std::move(cuerpo), cancelar_);
    trabajador->moveToThread(hilo_.get());
    connect(hilo_.get(), &QThread::started, trabajador, &Trabajador::ejecuta);
    connect(hilo_.get(), &QThread::finished, trabajador, &QObject::deleteLater);
    connect(trabajador, &Trabajador::avance, this, &HiloTrabajo::avance);
    connect(trabajador, &Trabajador::dato, this, &HiloTrabajo::dato);
    connect(trabajador, &Trabajador::terminado, hilo_.get(), &QThread::quit);
    connect(trabajador, &Trabajador::terminado, this, [this](const QString& fallo) {
        ocupado_ = false;
        emit terminado(fallo);
    });
    hilo_->start();
    return true;
}
