#pragma once

#include <QLabel>

// A line beside a control that says why the control did nothing, or what the program did
// in its place (a refused date, a missing name). Hidden while there is nothing to say; it
// keeps the window's own palette, so it reads in a dark theme and at any font size.
class LineaAviso : public QLabel {
    Q_OBJECT
public:
    LineaAviso(const QString& nombre, QWidget* parent);

    // Shows the text; an empty text hides the line.
    void avisa(const QString& texto);
    void limpia() { avisa({}); }
};
