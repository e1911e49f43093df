#pragma once

#include <QObject>
#include <QPoint>

class QIcon;
class QLabel;
class QPainter;
class QToolButton;
class QWidget;

// The frame of the borderless main window: the painted skin (a gradient title band with the
// caption and a thin border), the frame controls MinimizarVentana, MaximizarVentana, CerrarVentana,
// RestaurarForma and imgLogoVentana, and dragging the window with the left button.
class MarcoVentana : public QObject {
    Q_OBJECT
public:
    // Height of the title band, which is also the height of the shrunk bar.
    static constexpr int kAltoBanda = 30;

    // Adds the frame controls to the window and watches it for dragging and resizing.
    explicit MarcoVentana(QWidget& ventana);

    // The program's icon, for its windows.
    static QIcon icono();

    // Paints the skin; the window calls it from its paintEvent.
    static void pinta(QPainter& pintor, const QWidget& ventana);

    QToolButton* restaurar() const { return restaurar_; }

signals:
    void minimizar();
    void maximizar();
    void cerrar();
    void restaurarPulsado();
    // The logo was clicked at this screen position.
    void menuLogo(const QPoint& global);

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void coloca();
    // Press, move and release seen on the window or on the restore button: only the left
    // button drags. True when the event belongs to a drag and must not reach the control.
    bool sigueArrastre(QEvent* evento);

    QWidget& ventana_;
    QLabel* logo_;
    QToolButton* minimizar_;
    QToolButton* maximizar_;
    QToolButton* cerrar_;
    QToolButton* restaurar_;

    QPoint inicio_;         // where the left button went down, on the screen
    QPoint desplazamiento_; // from the window's corner to the mouse
    bool pulsado_ = false;
    bool arrastrando_ = false;
    bool moviendoSistema_ = false; // the window system took the move over
};
