#pragma once

#include <QObject>
#include <functional>

class QWidget;

// The keys every window of the program answers alike, seen by one filter on the whole
// application: Return or Enter on a focused button presses it, F1 opens the program's
// description, and Escape closes the windows marked for it through close(), so that it asks
// and saves what the window's close button does.
//
// The entry fields keep their own Return (it moves on to the next field): only a button
// with the focus is pressed.
class Teclado : public QObject {
    Q_OBJECT
public:
    // Watches every window's keys for as long as dueno lives; ayuda shows the description.
    static Teclado* instala(QObject* dueno, std::function<void()> ayuda);
    // Escape closes this window (the key reaches it when none of its controls took it).
    static void cierraConEscape(QWidget& ventana);

    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    Teclado(QObject* dueno, std::function<void()> ayuda);

    std::function<void()> ayuda_;
};
