#include "app/capturas/Capturas.h"

#include "app/ventanas/frmInicial.h"
#include "description/ventanas/frmDescripcion.h"
#include "export/ventanas/BajarPedidos.h"
#include "import/ventanas/Subir.h"
#include "journal/ventanas/frmBitacora.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/InformeVentana.h"
#include "undo/ventanas/DeshacerVentana.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QTextStream>
#include <QThread>
#include <functional>
#include <memory>

namespace {

constexpr int kEsperaBusqueda = 60000;
constexpr int kEsperaVentana = 5000;
// Wide enough for any demo data.
const QString kDesde = QStringLiteral("01/01/2000");
const QString kHasta = QStringLiteral("31/12/2099");

QTextStream& errores() {
    static QTextStream flujo(stderr);
    return flujo;
}

// Lets the windows work (and the worker threads hand their results in) until listo()
// holds, for milisegundos at the most: the tool drives the windows as a user would.
bool espera(const std::function<bool()>& listo, int milisegundos) {
    const QDeadlineTimer limite(milisegundos);
    for (;;) {
        if (listo())
            return true;
        if (limite.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Lets layouts and paints settle before a picture is taken.
void reposa() {
    espera([] { return false; }, 300);
}

// The control came up, or the operation ended with a message (answered by itself here).
bool visibleOAviso(const QWidget& donde, const QString& nombre, qsizetype avisos) {
    auto* w = donde.findChild<QWidget*>(nombre);
    return (w && w->isVisible()) || CajaMensaje::registro().size() > avisos;
}

template <typename T> T* dialogo(QWidget& padre) {
    T* d = nullptr;
    espera([&] { return (d = padre.findChild<T*>()) && d->isVisible(); }, kEsperaVentana);
    return d && d->isVisible() ? d : nullptr;
}

} // namespace

void Capturas::deshacer(frmBitacora& bitacora) {
    // The preview of undoing the newest run that can be undone (the accumulation above);
    // its question takes its default, No, so nothing is undone.
    auto* corridas = bitacora.findChild<QTableView*>(QStringLiteral("mhgCorridas"));
    auto* boton = bitacora.findChild<QPushButton*>(QStringLiteral("cmdDeshacer"));
    for (int fila = 0;
         corridas && boton && !boton->isEnabled() && fila < corridas->model()->rowCount(); ++fila) {
        corridas->setCurrentIndex(corridas->model()->index(fila, 0));
        espera([&bitacora] { return !bitacora.ocupado(); }, kEsperaBusqueda);
    }
    if (!boton || !boton->isEnabled()) {
        errores() << QStringLiteral("Sin corrida que deshacer en la bitácora") << Qt::endl;
        todoBien_ = false;
        return;
    }
    boton->click();
    if (auto* ventana = dialogo<DeshacerVentana>(bitacora)) {
        espera([ventana] { return !ventana->ocupado(); }, kEsperaBusqueda);
        if (auto* revision = dialogo<InformeVentana>(*ventana)) {
            reposa();
            guarda(*revision, QStringLiteral("deshacer.png"));
            revision->close();
        }
        ventana->close();
    }
}

Capturas::Capturas(frmInicial& ventana, const QString& carpeta)
    : ventana_(ventana), carpeta_(carpeta) {}

bool Capturas::guarda(QWidget& ventana, const QString& nombre) {
    return guarda(ventana.grab(), nombre);
}

bool Capturas::guarda(const QPixmap& imagen, const QString& nombre) {
    const QString ruta = carpeta_.filePath(nombre);
    if (imagen.save(ruta)) {
        errores() << QStringLiteral("Guardada: %1").arg(ruta) << Qt::endl;
        return true;
    }
    errores() << QStringLiteral("No se pudo guardar %1").arg(ruta) << Qt::endl;
    return todoBien_ = false;
}

bool Capturas::pulsa(QWidget& donde, const QString& boton) {
    if (auto* b = donde.findChild<QAbstractButton*>(boton); b && b->isEnabled()) {
        b->click();
        return true;
    }
    errores() << QStringLiteral("Sin botón %1 en %2").arg(boton, donde.objectName()) << Qt::endl;
    return false;
}

void Capturas::escribe(QWidget& donde, const QString& campo, const QString& texto) {
    if (auto* e = donde.findChild<QLineEdit*>(campo)) {
        e->setText(texto);
        e->setCursorPosition(0);
    }
}

void Capturas::tomaTextosDeQt(QWidget& importar) {
    // The file dialog "Examinar" opens, pictured and cancelled.
    Subir::ponSelector([this](QWidget* padre, const QString& titulo, const QString& filtros) {
        QFileDialog elige(padre, titulo, QString(), filtros);
        elige.setOption(QFileDialog::DontUseNativeDialog);
        elige.setFileMode(QFileDialog::ExistingFile);
        elige.resize(760, 440);
        elige.show();
        reposa();
        guarda(elige, QStringLiteral("examinar.png"));
        return QString();
    });
    pulsa(importar, QStringLiteral("cmdExaminar"));
    Subir::ponSelector({});

    // The right button's menu on the file's box, drawn over the window where it opens.
    auto* caja = importar.findChild<QLineEdit*>(QStringLiteral("txtArchivo"));
    if (!caja) {
        errores() << QStringLiteral("Sin el cuadro txtArchivo en la ventana de importar")
                  << Qt::endl;
        todoBien_ = false;
        return;
    }
    caja->setText(QStringLiteral("capturas"));
    caja->setFocus();
    caja->selectAll();
    const std::unique_ptr<QMenu> menu(caja->createStandardContextMenu());
    const QPoint punto(caja->width() / 4, caja->height() / 2);
    menu->popup(caja->mapToGlobal(punto));
    reposa();
    const QPoint esquina = caja->mapTo(&importar, punto);
    const QPixmap ventana = importar.grab();
    const QPixmap entradas = menu->grab();
    // A margin below and beside the menu, where it passes the window's edge.
    QPixmap imagen(
        (QRect(QPoint(), ventana.deviceIndependentSize().toSize())
             .united(QRect(esquina, entradas.deviceIndependentSize().toSize() + QSize(12, 12)))
             .size()) *
        ventana.devicePixelRatio());
    imagen.setDevicePixelRatio(ventana.devicePixelRatio());
    imagen.fill(importar.palette().window().color());
    {
        QPainter pintor(&imagen);
        pintor.drawPixmap(QPoint(), ventana);
        pintor.drawPixmap(esquina, entradas);
    }
    menu->close();
    guarda(imagen, QStringLiteral("menu-texto.png"));
    caja->deselect();
}

bool Capturas::tomaPrincipal(const QString& nombre) {
    espera([this] { return !ventana_.primeraActivacionPendiente(); }, kEsperaVentana);
    reposa();
    return guarda(ventana_, nombre);
}

bool Capturas::toma() {
    if (!carpeta_.mkpath(QStringLiteral("."))) {
        errores() << QStringLiteral("No se pudo crear la carpeta %1").arg(carpeta_.path())
                  << Qt::endl;
        return false;
    }
    CajaMensaje::modoPruebas(true);
    CajaMensaje::anota(true);
    espera([this] { return !ventana_.primeraActivacionPendiente(); }, kEsperaVentana);
    reposa();
    guarda(ventana_, QStringLiteral("principal.png"));

    pulsa(ventana_, QStringLiteral("Command1"));
    escribe(ventana_, QStringLiteral("mskFecha(0)"), kDesde);
    escribe(ventana_, QStringLiteral("mskFecha(1)"), kHasta);
    qsizetype avisos = CajaMensaje::registro().size();
    if (pulsa(ventana_, QStringLiteral("Command4")))
        espera([&] { return visibleOAviso(ventana_, QStringLiteral("Command5"), avisos); },
               kEsperaBusqueda);
    reposa();
    guarda(ventana_, QStringLiteral("acumular.png"));

    // The generation, answered Yes, and the report its last message offers.
    if (auto* generar = ventana_.findChild<QWidget*>(QStringLiteral("Command5"));
        generar && generar->isVisible()) {
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        CajaMensaje::siguienteAccion();
        avisos = CajaMensaje::registro().size();
        pulsa(ventana_, QStringLiteral("Command5"));
        espera([&] { return CajaMensaje::registro().size() > avisos + 1; }, kEsperaBusqueda);
        if (auto* informe = dialogo<InformeVentana>(ventana_)) {
            reposa();
            guarda(*informe, QStringLiteral("informe.png"));
            informe->close();
        }
    } else {
        pulsa(ventana_, QStringLiteral("cmdRegresar"));
    }

    pulsa(ventana_, QStringLiteral("Command2"));
    if (auto* exportar = dialogo<BajarPedidos>(ventana_)) {
        escribe(*exportar, QStringLiteral("mkeFecha(0)"), kDesde);
        escribe(*exportar, QStringLiteral("mkeFecha(1)"), kHasta);
        avisos = CajaMensaje::registro().size();
        if (pulsa(*exportar, QStringLiteral("cmdAceptar")))
            espera([&] { return visibleOAviso(*exportar, QStringLiteral("mhgReja"), avisos); },
                   kEsperaBusqueda);
        // Every order marked, and one unmarked again: the count line below the grid says so.
        if (pulsa(*exportar, QStringLiteral("cmdMarcarTodos"))) {
            if (auto* reja = exportar->findChild<QAbstractItemView*>(QStringLiteral("mhgReja"));
                reja && reja->model() && reja->model()->rowCount() > 1) {
                reja->setCurrentIndex(reja->model()->index(1, 0));
                reja->setFocus();
                QKeyEvent espacio(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier,
                                  QStringLiteral(" "));
                QCoreApplication::sendEvent(reja, &espacio);
            }
        }
        reposa();
        guarda(*exportar, QStringLiteral("exportar.png"));
        // The same window about to send to a destination: the list beside "Unidad:" offers
        // the INI's destinations after the folders.
        pulsa(*exportar, QStringLiteral("cmdMarcarTodos"));
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        if (pulsa(*exportar, QStringLiteral("cmdProceder"))) {
            auto* unidad = exportar->findChild<QComboBox*>(QStringLiteral("Drive1"));
            const int i = unidad ? unidad->findText(QStringLiteral("Destino: sucursal")) : -1;
            if (i >= 0) {
                unidad->setCurrentIndex(i);
                reposa();
                guarda(*exportar, QStringLiteral("enviar.png"));
            } else {
                errores() << QStringLiteral("Sin el destino \"sucursal\" junto a \"Unidad:\"")
                          << Qt::endl;
                todoBien_ = false;
            }
        }
        exportar->close();
    }

    pulsa(ventana_, QStringLiteral("Command3"));
    if (auto* importar = dialogo<Subir>(ventana_)) {
        reposa();
        guarda(*importar, QStringLiteral("importar.png"));
        tomaTextosDeQt(*importar);
        // The preview of the file the script exported; the question takes its default, No.
        escribe(*importar, QStringLiteral("txtArchivo"), QStringLiteral("capturas"));
        if (pulsa(*importar, QStringLiteral("cmdAceptar"))) {
            espera([importar] { return !importar->ocupado(); }, kEsperaBusqueda);
            if (auto* revision = dialogo<InformeVentana>(*importar)) {
                reposa();
                guarda(*revision, QStringLiteral("revision.png"));
                revision->close();
            }
        }
        importar->close();
    }

    // The journal, from the logo's menu, with its newest run and that run's orders.
    if (auto* entrada =
            ventana_.descripcion()->menu()->findChild<QAction*>(QStringLiteral("mnBitacora"))) {
        entrada->trigger();
        if (auto* bitacora = dialogo<frmBitacora>(ventana_)) {
            espera([bitacora] { return !bitacora->ocupado(); }, kEsperaBusqueda);
            reposa();
            guarda(*bitacora, QStringLiteral("bitacora.png"));
            // The newest run's report, rebuilt from the journal.
            if (pulsa(*bitacora, QStringLiteral("cmdVerInforme"))) {
                if (auto* informe = dialogo<InformeVentana>(*bitacora)) {
                    reposa();
                    guarda(*informe, QStringLiteral("bitacora-informe.png"));
                    informe->close();
                }
            }
            deshacer(*bitacora);
            bitacora->close();
        }
    } else {
        errores() << QStringLiteral("Sin la entrada Bitácora en el menú del logo") << Qt::endl;
        todoBien_ = false;
    }

    for (const CajaMensaje::Registro& r : CajaMensaje::registro())
        errores() << QStringLiteral("Mensaje (%1): %2").arg(r.titulo, r.mensaje) << Qt::endl;
    return todoBien_;
}
