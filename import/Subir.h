#pragma once

#include "shell/Programa.h"

#include <QDialog>

// The import window.
class Subir : public QDialog {
    Q_OBJECT
public:
    explicit Subir(Programa& programa, QWidget* parent = nullptr);

private:
    Programa& programa_;
};
