#include "shell/ventanas/Teclado.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace {

const char* const kCierraConEscape = "cierraConEscape";

bool sinModificadores(const QKeyEvent& tecla) {
    return (tecla.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

Teclado::Teclado(QObject* dueno, std::function<void()> ayuda)
    : QObject(dueno), ayuda_(std::move(ayuda)) {}

Teclado* Teclado::instala(QObject* dueno, std::function<void()> ayuda) {
    auto* teclado = new Teclado(dueno, std::move(ayuda));
    // Removed from the application when the owner deletes it.
    qApp->installEventFilter(teclado);
    return teclado;
}

void Teclado::cierraConEscape(QWidget& ventana) {
    ventana.setProperty(kCierraConEscape, true);
}

bool Teclado::eventFilter(QObject* objeto, QEvent* evento) {
    // The window system's key first reaches the window's handle, then the control with the
    // focus and, while no one takes it, each of its parents up to the window.
    if (evento->type() != QEvent::KeyPress || !objeto->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(objeto);
    const auto* tecla = static_cast<QKeyEvent*>(evento);
    if (!sinModificadores(*tecla))
        return false;
    switch (tecla->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        auto* boton = qobject_cast<QAbstractButton*>(widget);
        if (!boton || !(qobject_cast<QPushButton*>(boton) || qobject_cast<QToolButton*>(boton)))
            return false;
        // A held key presses once: a second operation must not start behind the first.
        if (!tecla->isAutoRepeat() && boton->isEnabled())
            boton->click();
        return true;
    }
    case Qt::Key_F1:
        if (!tecla->isAutoRepeat() && ayuda_)
            ayuda_();
        return true;
    case Qt::Key_Escape:
        if (!widget->isWindow() || !widget->property(kCierraConEscape).toBool())
            return false;
        widget->close();
        return true;
    default:
        return false;
    }
}
