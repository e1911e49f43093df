#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>

namespace pruebas {

// The control of that objectName in the window; a failed check, and null, when it has none.
template <class T> T* control(QWidget* ventana, const QString& nombre) {
    T* c = ventana ? ventana->findChild<T*>(nombre) : nullptr;
    EXPECT_NE(c, nullptr) << nombre.toStdString();
    return c;
}

// For a fixture that drives one window: shows it and finds its controls by objectName.
class ControlesPrueba {
public:
    virtual ~ControlesPrueba() = default;

protected:
    virtual QWidget* raiz() const = 0;

    // Shown and active, as the user finds it.
    void muestra() {
        raiz()->show();
        raiz()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(raiz()));
    }
    template <class T> T* control(const QString& nombre) {
        return pruebas::control<T>(raiz(), nombre);
    }
    QLineEdit* campo(const QString& nombre) { return control<QLineEdit>(nombre); }
    QPushButton* boton(const QString& nombre) { return control<QPushButton>(nombre); }
};

} // namespace pruebas
