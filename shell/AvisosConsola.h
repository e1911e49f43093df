#pragma once

#include "shell/Avisos.h"

#include <QTextStream>
#include <memory>

// Messages of a run without windows: written to the error stream in the same Spanish words,
// and questions answered, without asking, with the answer that risks nothing.
class AvisosConsola : public Avisos {
public:
    // Writes to the process's error output.
    AvisosConsola() : propio_(std::make_unique<QTextStream>(stderr)), errores_(*propio_) {}
    explicit AvisosConsola(QTextStream& errores) : errores_(errores) {}

protected:
    Respuesta muestra(const QString& prompt, Estilo estilo, const QString& titulo) override;

private:
    std::unique_ptr<QTextStream> propio_;
    QTextStream& errores_;
};
