#include "shell/ventanas/AyudaVentana.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QWidget>

namespace {

const char* const kTag = "Tag";

QString tag(const QObject& objeto) {
    return objeto.property(kTag).toString();
}

} // namespace

Geometria AyudaVentana::geometria(const QWidget& ventana) {
    return {ventana.x(), ventana.y(), ventana.width(), ventana.height()};
}

void AyudaVentana::aplica(QWidget& ventana, const Geometria& g) {
    ventana.move(g.left, g.top);
    ventana.resize(g.width, g.height);
}

Pantallas AyudaVentana::pantallas() {
    Pantallas p;
    QScreen* primaria = QGuiApplication::primaryScreen();
    if (!primaria)
        return p;
    p.puntosPorPulgada = primaria->logicalDotsPerInch();
    const auto area = [](const QScreen* s) {
        const QRect r = s->availableGeometry();
        return Geometria{r.x(), r.y(), r.width(), r.height()};
    };
    p.areas << area(primaria);
    for (const QScreen* s : QGuiApplication::screens())
        if (s != primaria)
            p.areas << area(s);
    return p;
}

QString AyudaVentana::seccion(const QWidget& ventana) {
    return colocacion::seccion(tag(ventana), ventana.objectName());
}

bool AyudaVentana::guardaColocacion(const QWidget& ventana, const QString& archivoIni,
                                    bool conTamano) {
    Geometria g = geometria(ventana);
    // Saved as a bar near the bottom of the screen, the window would come back there, out
    // of sight, at the next start.
    const auto* restaurar = ventana.findChild<const QAbstractButton*>(
        QStringLiteral("RestaurarForma"), Qt::FindDirectChildrenOnly);
    if (restaurar && encogida(*restaurar))
        g = colocacion::expande(tag(*restaurar)).value_or(g);
    const colocacion::Resultado r =
        colocacion::guarda(archivoIni, seccion(ventana), ventana.windowTitle(), g, conTamano,
                           pantallas().puntosPorPulgada);
    // Losing a window's placement is not worth stopping the user at close.
    if (!r.ok)
        qWarning().noquote() << r.mensaje;
    return r.ok;
}

void AyudaVentana::restauraColocacion(QWidget& ventana, const QString& archivoIni, bool conTamano) {
    aplica(ventana, colocacion::restaura(archivoIni, seccion(ventana), geometria(ventana),
                                         conTamano, pantallas()));
}

void AyudaVentana::encoge(QWidget& ventana, QAbstractButton& restaurar) {
    if (encogida(restaurar))
        return; // a second shrink would keep the bar's bounds as the ones to go back to
    const QString texto = colocacion::textoBoton(ventana.windowTitle());
    // The text is measured in the window's font at the button's size.
    QFont fuente = ventana.font();
    fuente.setPointSizeF(restaurar.font().pointSizeF());
    const int anchoTexto = QFontMetrics(fuente).horizontalAdvance(texto);
    const int altoPantalla = ventana.screen()->geometry().height();
    const colocacion::Encogida e = colocacion::encoge(geometria(ventana), ventana.windowTitle(),
                                                      restaurar.height(), anchoTexto, altoPantalla);
    restaurar.setProperty(kTag, e.tag);
    restaurar.setText(e.textoBoton);
    restaurar.setGeometry(0, 0, e.anchoBoton, e.ventana.height);
    restaurar.show();
    restaurar.raise();
    aplica(ventana, e.ventana);
}

void AyudaVentana::expande(QWidget& ventana, QAbstractButton& restaurar) {
    restaurar.hide();
    const std::optional<Geometria> g = colocacion::expande(tag(restaurar));
    restaurar.setProperty(kTag, QString());
    if (g)
        aplica(ventana, *g);
}

bool AyudaVentana::encogida(const QAbstractButton& restaurar) {
    return !tag(restaurar).isEmpty();
}
