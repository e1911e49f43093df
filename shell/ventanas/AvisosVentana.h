#pragma once

#include "shell/Avisos.h"

#include <QPointer>
#include <QWidget>

// Messages of a run with windows: the program's message box (CajaMensaje), owned by the
// main window once there is one so that it stays in front of it.
class AvisosVentana : public Avisos {
public:
    explicit AvisosVentana(QWidget* ventana = nullptr) : ventana_(ventana) {}
    void setVentana(QWidget* ventana) { ventana_ = ventana; }
    QWidget* ventana() const { return ventana_; }

protected:
    Respuesta muestra(const QString& prompt, Estilo estilo, const QString& titulo) override;

private:
    // The main window may go away before the messages do.
    QPointer<QWidget> ventana_;
};
