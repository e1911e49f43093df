#include "shell/ventanas/MarcoVentana.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace {

const QColor kBandaArriba(0x1f, 0x4e, 0x8c);
const QColor kBandaAbajo(0x5b, 0x8f, 0xd0);
const QColor kBorde(0x17, 0x3a, 0x69);
// The frame buttons' white glyphs need a dark highlight: the style's own hover panel is
// light and would hide them.
const QColor kResalteMinimizar(0x0f, 0x2a, 0x4f);
const QColor kResalteCerrar(0xc4, 0x2b, 0x1c);
constexpr int kBoton = 24;
constexpr int kMargen = 4;

QPixmap dibujo(int lado, const std::function<void(QPainter&)>& traza) {
    QPixmap p(lado, lado);
    p.fill(Qt::transparent);
    QPainter pintor(&p);
    pintor.setRenderHint(QPainter::Antialiasing);
    pintor.setPen(QPen(Qt::white, 2));
    traza(pintor);
    return p;
}

QToolButton* botonMarco(QWidget& ventana, const QString& nombre, const QString& ayuda,
                        const QColor& resalte, const QPixmap& icono) {
    auto* b = new QToolButton(&ventana);
    b->setObjectName(nombre);
    b->setToolTip(ayuda);
    b->setAutoRaise(true);
    b->setStyleSheet(QStringLiteral("QToolButton { border: none; border-radius: 3px; "
                                    "background: transparent; } QToolButton:hover { "
                                    "background: %1; } QToolButton:pressed { background: %2; }")
                         .arg(resalte.name(), resalte.darker(130).name()));
    b->setIcon(icono);
    b->setIconSize(icono.size());
    b->setFocusPolicy(Qt::NoFocus);
    b->resize(kBoton, kBoton);
    b->show();
    return b;
}

} // namespace

MarcoVentana::MarcoVentana(QWidget& ventana) : QObject(&ventana), ventana_(ventana) {
    logo_ = new QLabel(&ventana);
    logo_->setObjectName(QStringLiteral("imgLogoVentana"));
    logo_->setToolTip(QStringLiteral("Menú de opciones generales"));
    logo_->setPixmap(dibujo(kBoton - 2, [](QPainter& p) {
        p.setBrush(QColor(255, 255, 255, 60));
        p.drawRoundedRect(QRectF(2, 2, 18, 18), 4, 4);
        p.drawLine(6, 8, 16, 8);
        p.drawLine(6, 12, 16, 12);
        p.drawLine(6, 16, 12, 16);
    }));
    logo_->setCursor(Qt::PointingHandCursor);
    logo_->show();
    logo_->installEventFilter(this);

    minimizar_ =
        botonMarco(ventana, QStringLiteral("MinimizarVentana"), QStringLiteral("Minimizar"),
                   kResalteMinimizar, dibujo(16, [](QPainter& p) { p.drawLine(3, 12, 13, 12); }));
    cerrar_ = botonMarco(ventana, QStringLiteral("CerrarVentana"), QStringLiteral("Cerrar"),
                         kResalteCerrar, dibujo(16, [](QPainter& p) {
                             p.drawLine(3, 3, 13, 13);
                             p.drawLine(13, 3, 3, 13);
                         }));
    maximizar_ = botonMarco(ventana, QStringLiteral("MaximizarVentana"),
                            QStringLiteral("Maximizar o restaurar"), kResalteMinimizar,
                            dibujo(16, [](QPainter& p) { p.drawRect(3, 3, 10, 10); }));
    connect(minimizar_, &QToolButton::clicked, this, &MarcoVentana::minimizar);
    connect(maximizar_, &QToolButton::clicked, this, &MarcoVentana::maximizar);
    connect(cerrar_, &QToolButton::clicked, this, &MarcoVentana::cerrar);

    // Hidden until the window is shrunk; then it is the whole bar.
    restaurar_ = new QToolButton(&ventana);
    restaurar_->setObjectName(QStringLiteral("RestaurarForma"));
    restaurar_->setFocusPolicy(Qt::NoFocus);
    restaurar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QFont negrita = restaurar_->font();
    negrita.setBold(true);
    restaurar_->setFont(negrita);
    restaurar_->setStyleSheet(
        QStringLiteral("QToolButton { color: white; border: 1px solid %1; background: "
                       "qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %2, stop:1 %3); }")
            .arg(kBorde.name(), kBandaArriba.name(), kBandaAbajo.name()));
    restaurar_->resize(restaurar_->width(), kAltoBanda);
    restaurar_->hide();
    restaurar_->installEventFilter(this);
    connect(restaurar_, &QToolButton::clicked, this, &MarcoVentana::restaurarPulsado);

    // The windows opened over this one take its icon too.
    ventana.setWindowIcon(icono());
    ventana.installEventFilter(this);
    coloca();
}

QIcon MarcoVentana::icono() {
    return QIcon(QStringLiteral(":/acumulapedidos.svg"));
}

void MarcoVentana::pinta(QPainter& pintor, const QWidget& ventana) {
    const QRect todo = ventana.rect();
    pintor.fillRect(todo, ventana.palette().window());
    const QRect banda(0, 0, todo.width(), kAltoBanda);
    QLinearGradient degradado(banda.topLeft(), banda.bottomLeft());
    degradado.setColorAt(0, kBandaArriba);
    degradado.setColorAt(1, kBandaAbajo);
    pintor.fillRect(banda, degradado);

    QFont fuente = ventana.font();
    fuente.setBold(true);
    pintor.setFont(fuente);
    pintor.setPen(Qt::white);
    const int izquierda = kMargen + kBoton + 2 * kMargen;
    const QRect texto(izquierda, 0, todo.width() - izquierda - 3 * (kBoton + kMargen) - kMargen,
                      kAltoBanda);
    pintor.drawText(
        texto, Qt::AlignVCenter | Qt::AlignLeft,
        pintor.fontMetrics().elidedText(ventana.windowTitle(), Qt::ElideRight, texto.width()));

    pintor.setPen(QPen(kBorde, 1));
    pintor.setBrush(Qt::NoBrush);
    pintor.drawRect(todo.adjusted(0, 0, -1, -1));
}

void MarcoVentana::coloca() {
    const int y = (kAltoBanda - kBoton) / 2;
    logo_->move(kMargen, y + 1);
    cerrar_->move(ventana_.width() - kMargen - kBoton, y);
    maximizar_->move(ventana_.width() - 2 * (kMargen + kBoton), y);
    minimizar_->move(ventana_.width() - 3 * (kMargen + kBoton), y);
}

bool MarcoVentana::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == logo_) {
        if (evento->type() == QEvent::MouseButtonRelease) {
            auto* raton = static_cast<QMouseEvent*>(evento);
            if (raton->button() == Qt::LeftButton)
                emit menuLogo(raton->globalPosition().toPoint());
            return true;
        }
        return false;
    }
    if (objeto == &ventana_ && evento->type() == QEvent::Resize)
        coloca();
    if (objeto == &ventana_ || objeto == restaurar_)
        return sigueArrastre(evento);
    return false;
}

bool MarcoVentana::sigueArrastre(QEvent* evento) {
    const QEvent::Type tipo = evento->type();
    if (tipo != QEvent::MouseButtonPress && tipo != QEvent::MouseMove &&
        tipo != QEvent::MouseButtonRelease)
        return false;
    auto* raton = static_cast<QMouseEvent*>(evento);
    const QPoint global = raton->globalPosition().toPoint();

    if (tipo == QEvent::MouseButtonPress) {
        if (raton->button() != Qt::LeftButton)
            return false;
        pulsado_ = true;
        arrastrando_ = moviendoSistema_ = false;
        inicio_ = global;
        desplazamiento_ = global - ventana_.pos();
        return false;
    }
    if (tipo == QEvent::MouseButtonRelease) {
        // Let through: the restore button was set up at the drag's start, so the release
        // of a drag does not click it.
        pulsado_ = arrastrando_ = moviendoSistema_ = false;
        return false;
    }
    if (!pulsado_ || !(raton->buttons() & Qt::LeftButton))
        return false;
    if (!arrastrando_) {
        if ((global - inicio_).manhattanLength() < QApplication::startDragDistance())
            return false;
        arrastrando_ = true;
        restaurar_->setDown(false);
        // The window system moves the window itself where it can (and keeps it on screen).
        QWindow* w = ventana_.windowHandle();
        moviendoSistema_ = w && w->startSystemMove();
    }
    if (!moviendoSistema_)
        ventana_.move(global - desplazamiento_);
    return true;
}
