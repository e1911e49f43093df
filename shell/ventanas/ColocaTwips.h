#pragma once

#include "shell/Colocacion.h"

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>
#include <algorithm>

// Places a control of a fixed-layout window at a position given in twips. A size left at 0
// is the control's own; no control is made lower than its style needs, and a label takes
// the height of the fields beside it, its text centred on them.
inline void colocaTwips(QWidget* control, int left, int top, int width = 0, int height = 0) {
    const QSize propio = control->sizeHint();
    int alto = std::max(height > 0 ? colocacion::pixeles(height) : 0, propio.height());
    if (auto* etiqueta = qobject_cast<QLabel*>(control)) {
        alto = std::max(alto, QFontMetrics(etiqueta->font()).height() + 8);
        etiqueta->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    const int ancho = width > 0 ? colocacion::pixeles(width) : propio.width();
    control->setGeometry(colocacion::pixeles(left), colocacion::pixeles(top), ancho, alto);
}

// A label placed before its field: when its text is wider than the room the twips left it,
// it moves left so that it ends just before the field instead of running under it.
inline void ajustaEtiqueta(QLabel* etiqueta, const QWidget* campo) {
    const int ancho = etiqueta->sizeHint().width();
    const int limite = campo->x() - 4;
    if (etiqueta->x() + ancho > limite)
        etiqueta->move(std::max(2, limite - ancho), etiqueta->y());
    etiqueta->resize(ancho, etiqueta->height());
}
