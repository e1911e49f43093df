#include "shell/ventanas/LineaAviso.h"

LineaAviso::LineaAviso(const QString& nombre, QWidget* parent) : QLabel(parent) {
    setObjectName(nombre);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Bold in the palette's own text colour: a fixed red would vanish on a dark theme.
    QFont negrita = font();
    negrita.setBold(true);
    setFont(negrita);
    // Keeps its room when hidden, so the controls around it do not jump.
    QSizePolicy politica = sizePolicy();
    politica.setRetainSizeWhenHidden(true);
    setSizePolicy(politica);
    hide();
}

void LineaAviso::avisa(const QString& texto) {
    setText(texto);
    setAccessibleDescription(texto);
    setVisible(!texto.isEmpty());
}
