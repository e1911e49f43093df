#pragma once

#include <QMargins>
#include <QObject>

class QWidget;

// Every window of the program fits the screen it opens on, at any scaling: a designed or
// saved size that does not fit the screen's available area is reduced to it, and a window
// reaching past an edge is moved in. Installed once on the application, so dialogs, reports
// and message boxes follow the same rule as the main window.
class AjustePantalla : public QObject {
    Q_OBJECT
public:
    // Installs the rule on the running application, which owns it. Calling it again does
    // nothing.
    static void instala();

    // Fits one window now: its frame (the window system's decoration, estimated until the
    // window is mapped) and its client area lie inside the available area of its screen.
    static void ajusta(QWidget& ventana);

    // The decoration a window system adds around a decorated window, when it is not known
    // yet: a title bar and thin borders.
    static QMargins marcoEstimado(const QWidget& ventana);

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    using QObject::QObject;
    // Fits it again once the events pending now are through.
    void ajustaLuego(QWidget& ventana);
};
