#include "shell/ventanas/EstiloFoco.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>
#include <cmath>

namespace {

double luminancia(const QColor& c) {
    const auto canal = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = c.toRgb();
    return 0.2126 * canal(rgb.redF()) + 0.7152 * canal(rgb.greenF()) + 0.0722 * canal(rgb.blueF());
}

QColor mezcla(const QColor& a, const QColor& b, double t) {
    const QColor x = a.toRgb(), y = b.toRgb();
    return QColor::fromRgbF(float(x.redF() * (1 - t) + y.redF() * t),
                            float(x.greenF() * (1 - t) + y.greenF() * t),
                            float(x.blueF() * (1 - t) + y.blueF() * t));
}

// The disabled colour closest to the background (so it still looks switched off) that keeps
// the minimum contrast: the active text mixed with the background, less each step.
QColor legible(const QColor& apagado, const QColor& activo, const QColor& fondo) {
    if (EstiloFoco::contraste(apagado, fondo) >= EstiloFoco::contrasteMinimo)
        return apagado;
    for (double t = 0.6; t > 0; t -= 0.05) {
        const QColor c = mezcla(activo, fondo, t);
        if (EstiloFoco::contraste(c, fondo) >= EstiloFoco::contrasteMinimo)
            return c;
    }
    return activo;
}

} // namespace

double EstiloFoco::contraste(const QColor& a, const QColor& b) {
    const double la = luminancia(a), lb = luminancia(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor EstiloFoco::colorFoco(const QPalette& paleta) {
    const QColor fondo = paleta.color(QPalette::Active, QPalette::Window);
    const QColor realce = paleta.color(QPalette::Active, QPalette::Highlight);
    if (contraste(realce, fondo) >= contrasteMinimo)
        return realce;
    return paleta.color(QPalette::Active, QPalette::WindowText);
}

QPalette EstiloFoco::paletaLegible(QPalette paleta) {
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> pares[] = {
        {QPalette::WindowText, QPalette::Window},
        {QPalette::Text, QPalette::Base},
        {QPalette::ButtonText, QPalette::Button}};
    for (const auto& [texto, fondo] : pares)
        paleta.setColor(QPalette::Disabled, texto,
                        legible(paleta.color(QPalette::Disabled, texto),
                                paleta.color(QPalette::Active, texto),
                                paleta.color(QPalette::Disabled, fondo)));
    return paleta;
}

void EstiloFoco::instala() {
    // The style takes the application's, which it then owns.
    QApplication::setStyle(new EstiloFoco(QApplication::style()->name()));
    QApplication::setPalette(paletaLegible(QApplication::palette()));
}

void EstiloFoco::polish(QPalette& paleta) {
    QProxyStyle::polish(paleta);
    paleta = paletaLegible(paleta);
}

void EstiloFoco::contorno(const QStyleOption* opcion, QPainter* pintor) const {
    if (!(opcion->state & State_HasFocus) || !(opcion->state & State_Enabled))
        return;
    pintor->save();
    QPen pluma(colorFoco(opcion->palette), anchoContorno);
    pluma.setJoinStyle(Qt::MiterJoin);
    pintor->setPen(pluma);
    pintor->setBrush(Qt::NoBrush);
    pintor->setRenderHint(QPainter::Antialiasing, false);
    // The pen straddles the rectangle's edge: inset by half its width to stay inside.
    pintor->drawRect(QRectF(opcion->rect).adjusted(1, 1, -1, -1));
    pintor->restore();
}

void EstiloFoco::drawPrimitive(PrimitiveElement elemento, const QStyleOption* opcion,
                               QPainter* pintor, const QWidget* control) const {
    QProxyStyle::drawPrimitive(elemento, opcion, pintor, control);
    switch (elemento) {
    case PE_PanelButtonCommand:
    case PE_PanelLineEdit:
    case PE_FrameFocusRect:
        contorno(opcion, pintor);
        break;
    default:
        break;
    }
}

void EstiloFoco::drawControl(ControlElement elemento, const QStyleOption* opcion, QPainter* pintor,
                             const QWidget* widget) const {
    QProxyStyle::drawControl(elemento, opcion, pintor, widget);
    // The frame of a list or grid with the focus: its rows move with the arrows, and the
    // clerk must see that they will.
    if (elemento == CE_ShapedFrame)
        contorno(opcion, pintor);
}

void EstiloFoco::drawComplexControl(ComplexControl control, const QStyleOptionComplex* opcion,
                                    QPainter* pintor, const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, opcion, pintor, widget);
    if (control == CC_ComboBox || control == CC_SpinBox)
        contorno(opcion, pintor);
}
