#pragma once

#include "EntornoShell.h"
#include "app/ventanas/frmInicial.h"
#include "shell/ventanas/AvisosVentana.h"
#include "shell/ventanas/CajaMensaje.h"
#include "support/HastaQue.h"

#include <QApplication>
#include <QTabWidget>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace pruebas {

// The windows work (and other threads hand their results in) until listo() holds; a
// failure that says so after the time given.
inline ::testing::AssertionResult espera(const std::function<bool()>& listo,
                                         int milisegundos = 5000) {
    return hastaQue(listo, std::chrono::milliseconds(milisegundos));
}

// The control of that name; throws when the window has none.
template <typename T = QWidget> T* hijo(QWidget& w, const char* nombre) {
    T* h = w.findChild<T*>(QString::fromUtf8(nombre));
    if (!h)
        throw std::runtime_error(std::string("no existe ") + nombre);
    return h;
}

// Which tabs the user can reach.
inline std::vector<bool> habilitadas(QTabWidget& tabs) {
    std::vector<bool> v;
    for (int i = 0; i < tabs.count(); ++i)
        v.push_back(tabs.isTabEnabled(i));
    return v;
}

// The top-level windows on screen.
inline int ventanasVisibles() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += w->isVisible() ? 1 : 0;
    return n;
}

// A program installed in a scratch folder, with its installation folder and korvan.krx,
// whose messages go through the program's message box (answered by the test seam) and
// whose documents are "opened" into a list. The working folder is given back at the end.
class EntornoVentana : public EntornoShell {
public:
    EntornoVentana() {
        programa.avisos = std::make_unique<AvisosVentana>();
        CajaMensaje::limpiaRegistro();
        escribeArchivo(krx(), "[Instalacion]\nservidor=127.0.0.1\n");
    }
    ~EntornoVentana() { QDir::setCurrent(anterior_); }

    QString ejecutable() const { return ruta(QStringLiteral("acumulapedidos")); }
    std::unique_ptr<frmInicial> carga() { return frmInicial::carga(programa, ejecutable()); }
    // Loaded, shown and past its first activation.
    std::unique_ptr<frmInicial> abre() {
        std::unique_ptr<frmInicial> v = carga();
        if (!v)
            throw std::runtime_error("la ventana no cargó");
        v->show();
        if (!espera([&] { return !v->primeraActivacionPendiente(); }))
            throw std::runtime_error("la ventana no se activó");
        return v;
    }

private:
    const QString anterior_ = QDir::currentPath();
};

} // namespace pruebas
