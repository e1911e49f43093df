#pragma once

#include <QChar>
#include <QDate>
#include <QObject>

class QLineEdit;
class QWidget;

// How the program's entry fields behave: on focus their text is selected, Return moves on
// to the next field, and each typed character passes the field's class: '9' lets digits
// through only, '!' and 'X' every printable character.
class CampoTexto : public QObject {
    Q_OBJECT
public:
    // Gives the field that behaviour; the filter lives as long as the field.
    static void instala(QWidget* campo, QChar clase);

    // A date field: the date input mask of the host library, the given class, today's date.
    static QLineEdit* creaFecha(const QString& nombre, QChar clase, QWidget* parent);
    // The date the field holds; invalid when it holds none (blanks or an impossible date).
    static QDate fecha(const QLineEdit& campo);
    // True when the field holds something typed: a date field left with its blanks only
    // holds nothing to refuse.
    static bool tieneDigitos(const QLineEdit& campo);
    // Shows the date in the date fields' format; an invalid date empties the field.
    static void ponFecha(QLineEdit& campo, const QDate& fecha);

    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    CampoTexto(QWidget* campo, QChar clase);
    QChar clase_;
};
