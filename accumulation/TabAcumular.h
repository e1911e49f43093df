#pragma once

#include "shell/Programa.h"

#include <QWidget>

// The accumulation tab of the main window.
class TabAcumular : public QWidget {
    Q_OBJECT
public:
    explicit TabAcumular(Programa& programa, QWidget* parent = nullptr);
    // "Acumular pedidos" was pressed on the menu tab: reset the tab and open the connection.
    void entra();

signals:
    // The work is done: the main window goes back to the menu tab.
    void regresar();

private:
    Programa& programa_;
};
