#include "description/ventanas/frmDescripcion.h"

#include "shell/Programa.h"
#include "shell/host/ArchivoIni.h"
#include "shell/ventanas/AyudaVentana.h"
#include "shell/ventanas/Teclado.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMenu>
#include <QTextEdit>

QSize frmDescripcion::tamanoDiseno() {
    return {colocacion::pixeles(9180), colocacion::pixeles(6330)};
}

QSize frmDescripcion::tamanoMinimoTexto() {
    return {20, 20};
}

frmDescripcion::frmDescripcion(Programa& programa, QWidget* parent)
    : QWidget(parent, Qt::Window), programa_(programa) {
    setObjectName(QStringLiteral("frmDescripcion"));
    setWindowTitle(QStringLiteral("Descripción del programa"));
    setAttribute(Qt::WA_DeleteOnClose);
    Teclado::cierraConEscape(*this);
    resize(tamanoDiseno());

    rtbTexto_ = new QTextEdit(this);
    rtbTexto_->setObjectName(QStringLiteral("rtbTexto"));
    rtbTexto_->setAcceptRichText(false);
    rtbTexto_->setReadOnly(true);
    rtbTexto_->move(0, 0);

    mnUno_ = new QMenu(QStringLiteral("Uno"), this);
    mnUno_->setObjectName(QStringLiteral("mnUno"));
    QAction* descrip = mnUno_->addAction(QStringLiteral("Descripción del programa"));
    descrip->setObjectName(QStringLiteral("mnDescrip"));
    QAction* editaIni = mnUno_->addAction(QStringLiteral("Editar archivo INI de configuración"));
    editaIni->setObjectName(QStringLiteral("mnEditINI"));
    connect(descrip, &QAction::triggered, this, &frmDescripcion::muestra);
    connect(editaIni, &QAction::triggered, this, &frmDescripcion::editaIni);

    AyudaVentana::restauraColocacion(*this, programa_.archivoIni, true);
}

void frmDescripcion::muestra() {
    // Asked for from a window that holds the others (export, import, a report), it must
    // stand above that window to be read, scrolled and closed; from the others it stays
    // beside them.
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal != this) {
        const Qt::WindowModality modalidad = modal ? Qt::ApplicationModal : Qt::NonModal;
        if (windowModality() != modalidad) {
            // Taken only while hidden.
            hide();
            setWindowModality(modalidad);
        }
    }
    show();
    raise();
    activateWindow();
}

void frmDescripcion::editaIni() {
    programa_.avisos->AbreDocumento(*programa_.archivos, programa_.archivoIni);
}

void frmDescripcion::showEvent(QShowEvent* evento) {
    QWidget::showEvent(evento);
    // The file is looked at once the window is up, so that a missing file's message
    // stands in front of it and the window can close itself afterwards.
    if (primeraActivacion_ && !evento->spontaneous())
        QMetaObject::invokeMethod(this, &frmDescripcion::primeraActivacion, Qt::QueuedConnection);
}

void frmDescripcion::primeraActivacion() {
    // Closed again before it came up: the next show activates it.
    if (!primeraActivacion_ || !isVisible())
        return;
    primeraActivacion_ = false;
    QFile archivo(programa_.archivoDescripcion);
    if (!host::DeArchivos::HayArchivo(programa_.archivoDescripcion) ||
        !archivo.open(QIODevice::ReadOnly)) {
        programa_.avisos->MsgBox(QStringLiteral("No existe el archivo de ayuda"),
                                 Avisos::Icono::Critico, QStringLiteral("Error"));
        close();
        return;
    }
    // Written on Windows as often as not: the same reading as the INI files.
    rtbTexto_->setPlainText(host::ArchivoIni::decodifica(archivo.readAll()));
}

void frmDescripcion::resizeEvent(QResizeEvent* evento) {
    QWidget::resizeEvent(evento);
    // The box fills the client area; the window's frame is the window system's, so nothing
    // is taken off for it.
    rtbTexto_->resize(size().expandedTo(tamanoMinimoTexto()));
}

void frmDescripcion::closeEvent(QCloseEvent* evento) {
    AyudaVentana::guardaColocacion(*this, programa_.archivoIni, true);
    evento->accept();
}
