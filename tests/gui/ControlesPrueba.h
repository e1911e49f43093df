#pragma once

#include "shell/Programa.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/InformeVentana.h"
#include "support/ServidorPruebas.h"

#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

namespace pruebas {

// A control a test looked for and the window lacks. Thrown out of the test's body, it fails
// that test alone (gtest catches it) instead of a null that crashes the whole binary.
struct ControlFaltante : std::runtime_error {
    explicit ControlFaltante(const QString& nombre)
        : std::runtime_error("la ventana no tiene el control " + nombre.toStdString()) {}
};

// The control of that objectName in the window; a failed check, and ControlFaltante, when
// it has none.
template <class T> T* control(QWidget* ventana, const QString& nombre) {
    T* c = ventana ? ventana->findChild<T*>(nombre) : nullptr;
    if (!c) {
        ADD_FAILURE() << "no existe el control " << nombre.toStdString();
        throw ControlFaltante(nombre);
    }
    return c;
}

// An error box (title "Error", critical icon) whose message holds texto.
inline void esError(const CajaMensaje::Registro& caja, const QString& texto) {
    EXPECT_EQ(caja.titulo, QStringLiteral("Error"));
    EXPECT_EQ(caja.estilo, CajaMensaje::Icono::Critico);
    EXPECT_TRUE(caja.mensaje.contains(texto)) << caja.mensaje.toStdString();
}

// A report's lines, cells joined by "|".
inline QStringList lineasInforme(const InformeVentana& v) {
    QStringList salida;
    const auto* tabla = v.findChild<QTableWidget*>(QStringLiteral("tblRenglones"));
    for (int r = 0; tabla && r < tabla->rowCount(); ++r) {
        QStringList celdas;
        for (int c = 0; c < tabla->columnCount(); ++c)
            celdas << tabla->item(r, c)->text();
        salida << celdas.join(QLatin1Char('|'));
    }
    return salida;
}

// The lines of the last report of that title the window opened (left open in test mode).
inline QStringList ultimoInforme(const QWidget& ventana, const QString& titulo) {
    QStringList lineas;
    for (const InformeVentana* v : ventana.findChildren<InformeVentana*>())
        if (v->windowTitle() == titulo)
            lineas = lineasInforme(*v);
    return lineas;
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

// The program of an operation window's test: the test server's connection data, a scratch
// program folder, and no message recorded yet.
class ProgramaPrueba {
protected:
    ProgramaPrueba() {
        *programa.bases = pruebas::basesDD();
        programa.carpetaPrograma = carpeta.path();
        CajaMensaje::limpiaRegistro();
    }

    QTemporaryDir carpeta;
    Programa programa;
};

// The fixture of an operation window's tests.
class PruebaVentana : public ::testing::Test,
                      protected ProgramaPrueba,
                      protected ControlesPrueba {};

} // namespace pruebas
