#pragma once

#include <QColor>
#include <QPalette>
#include <QProxyStyle>

// The program's own touch on the system's style, so a clerk sees at a glance where the
// keyboard is and can still read what is switched off:
//  - the control with the focus carries a 2-pixel outline in a colour with a contrast of at
//    least 3:1 against the window (the palette's highlight, or its text when the highlight
//    is too faint);
//  - disabled texts keep a contrast of at least 3:1 against their background (a marked list
//    stays readable while the file name is typed).
// Everything else is drawn by the style underneath, in the user's palette (a dark one too).
class EstiloFoco : public QProxyStyle {
    Q_OBJECT
public:
    static constexpr int anchoContorno = 2;
    static constexpr double contrasteMinimo = 3.0;

    // Puts the style and the palette on the running application.
    static void instala();

    // The contrast ratio of two colours (1 to 21), as the accessibility guidelines count it.
    static double contraste(const QColor& a, const QColor& b);
    // The outline's colour for that palette.
    static QColor colorFoco(const QPalette& paleta);
    // The palette with its disabled texts made readable; the rest as it was.
    static QPalette paletaLegible(QPalette paleta);

    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement elemento, const QStyleOption* opcion, QPainter* pintor,
                       const QWidget* control = nullptr) const override;
    void drawControl(ControlElement elemento, const QStyleOption* opcion, QPainter* pintor,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* opcion,
                            QPainter* pintor, const QWidget* widget = nullptr) const override;
    void polish(QPalette& paleta) override;

private:
    void contorno(const QStyleOption* opcion, QPainter* pintor) const;
};
