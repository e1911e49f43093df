#pragma once

#include "shell/Programa.h"

#include <QDialog>

// The export selection window.
class BajarPedidos : public QDialog {
    Q_OBJECT
public:
    explicit BajarPedidos(Programa& programa, QWidget* parent = nullptr);

private:
    Programa& programa_;
};
