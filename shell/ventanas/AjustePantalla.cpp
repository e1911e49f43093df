#include "shell/ventanas/AjustePantalla.h"

#include "shell/Colocacion.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

// A title bar of a common desktop at its largest font, and its borders.
constexpr int kTituloEstimado = 36;
constexpr int kBordeEstimado = 6;

bool esVentanaPropia(const QWidget& w) {
    if (!w.isWindow())
        return false;
    switch (w.windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop:
        return false;
    default:
        return true;
    }
}

} // namespace

void AjustePantalla::instala() {
    auto* app = QCoreApplication::instance();
    if (!app || app->findChild<AjustePantalla*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    app->installEventFilter(new AjustePantalla(app));
}

QMargins AjustePantalla::marcoEstimado(const QWidget& ventana) {
    if (ventana.windowFlags() & Qt::FramelessWindowHint)
        return {};
    if (const QWindow* w = ventana.windowHandle(); w && w->isVisible()) {
        const QMargins m = w->frameMargins();
        if (!m.isNull())
            return m;
    }
    // The offscreen and minimal platforms draw no decoration.
    const QString plataforma = QGuiApplication::platformName();
    if (plataforma == QLatin1String("offscreen") || plataforma == QLatin1String("minimal"))
        return {};
    return {kBordeEstimado, kTituloEstimado, kBordeEstimado, kBordeEstimado};
}

void AjustePantalla::ajusta(QWidget& ventana) {
    if (ventana.isMaximized() || ventana.isFullScreen() || ventana.isMinimized())
        return;
    QScreen* pantalla = ventana.screen();
    if (!pantalla)
        return;
    const QMargins marco = marcoEstimado(ventana);
    const QRect disponible = pantalla->availableGeometry().marginsRemoved(marco);
    if (disponible.isEmpty())
        return;
    // A layout's minimum larger than the screen would keep the window from shrinking: the
    // controls then share the room there is.
    const QSize minimo = ventana.minimumSize();
    if (minimo.width() > disponible.width() || minimo.height() > disponible.height())
        ventana.setMinimumSize(minimo.boundedTo(disponible.size()));
    const QPoint cliente = ventana.geometry().topLeft();
    const Geometria g = colocacion::ajustada(
        {cliente.x(), cliente.y(), ventana.width(), ventana.height()},
        {disponible.x(), disponible.y(), disponible.width(), disponible.height()});
    if (g.width != ventana.width() || g.height != ventana.height())
        ventana.resize(g.width, g.height);
    if (g.left != cliente.x() || g.top != cliente.y())
        ventana.move(g.left - marco.left(), g.top - marco.top());
}

void AjustePantalla::ajustaLuego(QWidget& ventana) {
    QMetaObject::invokeMethod(
        this,
        [v = QPointer<QWidget>(&ventana)] {
            if (v && v->isVisible())
                ajusta(*v);
        },
        Qt::QueuedConnection);
}

bool AjustePantalla::eventFilter(QObject* objeto, QEvent* evento) {
    // Show comes before the window is mapped: the window opens at its fitted size.
    if (evento->type() == QEvent::Show && objeto->isWidgetType()) {
        auto* w = static_cast<QWidget*>(objeto);
        if (esVentanaPropia(*w)) {
            ajusta(*w);
            // Once mapped, the window system's real decoration is known: fitted again.
            ajustaLuego(*w);
        }
    }
    // A window whose layout grew with new controls (a step that shows more of them) is
    // brought back onto the screen.
    if (evento->type() == QEvent::Resize && objeto->isWidgetType()) {
        auto* w = static_cast<QWidget*>(objeto);
        if (w->isVisible() && esVentanaPropia(*w) && !w->isMaximized() && w->screen() &&
            !w->screen()->availableGeometry().contains(w->frameGeometry()))
            ajustaLuego(*w);
    }
    return QObject::eventFilter(objeto, evento);
}
