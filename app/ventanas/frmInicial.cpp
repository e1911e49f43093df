#include "app/ventanas/frmInicial.h"

#include "accumulation/ventanas/TabAcumular.h"
#include "description/ventanas/frmDescripcion.h"
#include "export/ventanas/BajarPedidos.h"
#include "import/ventanas/Subir.h"
#include "journal/ventanas/frmBitacora.h"
#include "send/ventanas/EnvioPedidos.h"
#include "send/ventanas/QueLlego.h"
#include "shell/Arranque.h"
#include "shell/Programa.h"
#include "shell/ventanas/AvisoServidor.h"
#include "shell/ventanas/AvisosVentana.h"
#include "shell/ventanas/AyudaVentana.h"
#include "shell/ventanas/MarcoVentana.h"
#include "shell/ventanas/Teclado.h"
#include "undo/ventanas/DeshacerVentana.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSizeGrip>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

namespace {

constexpr int kMargen = 10;
constexpr int kAltoBoton = 30;

QString etiqueta(int indice) {
    return QStringLiteral("lblEtiqueta(%1)").arg(indice);
}

QPushButton* boton(const QString& nombre, const QString& texto, QWidget* padre) {
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(nombre);
    return b;
}

} // namespace

QSize frmInicial::tamanoDiseno() {
    return {760, 560};
}

std::unique_ptr<frmInicial> frmInicial::carga(Programa& programa, const QString& ejecutable,
                                              const QString& archivoIni) {
    if (!programa.avisos)
        programa.avisos = std::make_unique<AvisosVentana>();
    if (!arranque::arranca(programa, ejecutable, archivoIni))
        return nullptr;
    std::unique_ptr<frmInicial> ventana(new frmInicial(programa));
    if (auto* avisos = dynamic_cast<AvisosVentana*>(programa.avisos.get()))
        avisos->setVentana(ventana.get());
    return ventana;
}

frmInicial::frmInicial(Programa& programa)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), programa_(programa) {
    setObjectName(QStringLiteral("frmInicial"));
    setWindowTitle(tituloDiseno().trimmed() + programa_.textoVersion);
    // Fixed places, as designed: the window has no layout, so it can shrink to a bar; the
    // tabs and "Regresar" follow its size (colocaContenido), so it can be resized or
    // maximised and still fit a small or scaled screen.
    resize(tamanoDiseno());

    sstTabs_ = new QTabWidget(this);
    sstTabs_->setObjectName(QStringLiteral("sstTabs"));
    sstTabs_->addTab(creaMenu(), QStringLiteral("Menú"));
    tabAcumular_ = new TabAcumular(programa_, sstTabs_);
    tabAcumular_->setObjectName(QStringLiteral("TabAcumular"));
    sstTabs_->addTab(tabAcumular_, QStringLiteral(" Acumular pedidos"));
    sstTabs_->addTab(creaPaginaBase(4), QStringLiteral(" Exportar pedidos"));
    sstTabs_->addTab(creaPaginaBase(5), QStringLiteral(" Importar pedidos"));

    cmdRegresar_ = boton(QStringLiteral("cmdRegresar"), QStringLiteral("&Regresar"), this);
    agarre_ = new QSizeGrip(this);
    agarre_->setObjectName(QStringLiteral("AgarreVentana"));
    colocaContenido();
    cmdRegresar_->setEnabled(false);

    connect(sstTabs_, &QTabWidget::currentChanged, this, &frmInicial::habilitaRegresar);
    connect(sstTabs_, &QTabWidget::tabBarDoubleClicked, this, &frmInicial::editaIni);
    connect(cmdRegresar_, &QPushButton::clicked, this, [this] { seleccionaTab(0); });
    connect(tabAcumular_, &TabAcumular::regresar, this, [this] { seleccionaTab(0); });
    connect(tabAcumular_, &TabAcumular::trabajando, this, [this](bool si) {
        habilitaRegresar();
        if (!si && cerrarAlTerminar_)
            close();
    });

    // F1 opens the description from every window of the program, not only this one.
    Teclado::instala(this, [this] { descripcion()->muestra(); });
    // The window sees this key before any of its controls.
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this), &QShortcut::activated, this,
            &QWidget::close);

    ponFechasDeHoy();
    AyudaVentana::restauraColocacion(*this, programa_.archivoIni, false);
}

QWidget* frmInicial::creaMenu() {
    auto* pagina = new QWidget;
    pagina->setObjectName(QStringLiteral("tabMenu"));
    lblMuestra_ = new QLabel(programa_.textoMuestra, pagina);
    lblMuestra_->setObjectName(QStringLiteral("lblMuestra"));
    lblMuestra_->setFrameShape(QFrame::StyledPanel);
    lblMuestra_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblMuestra_->setMargin(6);

    // With mnemonics, so the keyboard reaches each operation at once.
    auto* command1 = boton(QStringLiteral("Command1"), QStringLiteral("&Acumular pedidos"), pagina);
    auto* command2 = boton(QStringLiteral("Command2"), QStringLiteral("&Exportar pedidos"), pagina);
    auto* command3 = boton(QStringLiteral("Command3"), QStringLiteral("&Importar pedidos"), pagina);
    // Past runs beside the operations; the logo's menu keeps its entry too.
    auto* bitacora = boton(QStringLiteral("cmdBitacora"), QStringLiteral("&Bitácora"), pagina);
    connect(bitacora, &QPushButton::clicked, this, [this] { muestraBitacora(); });
    connect(command1, &QPushButton::clicked, this, [this] {
        seleccionaTab(1);
        tabAcumular_->entra();
    });
    connect(command2, &QPushButton::clicked, this, [this] {
        auto* exportar = new BajarPedidos(programa_, this);
        exportar->ponEnvios(EnvioPedidos::envios(programa_));
        muestraModal(exportar);
    });
    connect(command3, &QPushButton::clicked, this,
            [this] { muestraModal(new Subir(programa_, this)); });

    avisoServidor_ = new AvisoServidor(programa_, pagina);

    auto* columna = new QVBoxLayout(pagina);
    columna->setContentsMargins(3 * kMargen, 2 * kMargen, 3 * kMargen, 2 * kMargen);
    columna->addWidget(lblMuestra_);
    columna->addWidget(avisoServidor_);
    columna->addSpacing(2 * kMargen);
    for (QPushButton* b : {command1, command2, command3, bitacora}) {
        b->setMinimumSize(260, 2 * kAltoBoton);
        columna->addWidget(b, 0, Qt::AlignHCenter);
    }
    columna->addStretch();
    return pagina;
}

// Tabs 2 and 3 only say which database the export and the import work on.
QWidget* frmInicial::creaPaginaBase(int indice) {
    auto* pagina = new QWidget;
    auto* texto = new QLabel(QStringLiteral("Base de datos"), pagina);
    texto->setObjectName(etiqueta(indice));
    auto* columna = new QVBoxLayout(pagina);
    columna->setContentsMargins(3 * kMargen, 2 * kMargen, 3 * kMargen, 2 * kMargen);
    columna->addWidget(texto);
    columna->addStretch();
    return pagina;
}

void frmInicial::ponFechasDeHoy() {
    const QDate hoy = QDate::currentDate();
    for (int i = 0; i <= 2; ++i) {
        QWidget* campo = tabAcumular_->findChild<QWidget*>(QStringLiteral("mskFecha(%1)").arg(i));
        if (auto* texto = qobject_cast<QLineEdit*>(campo)) {
            texto->setInputMask(host::libNucleo::MascaraFecha());
            texto->setText(hoy.toString(host::libNucleo::FormatoFecha()));
        } else if (auto* fecha = qobject_cast<QDateEdit*>(campo)) {
            fecha->setDisplayFormat(host::libNucleo::FormatoFecha());
            fecha->setDate(hoy);
        }
    }
}

void frmInicial::seleccionaTab(int n) {
    // Back on the menu, after a job that may have failed to connect: is the server there?
    if (n == 0 && !primeraActivacionPendiente_)
        avisoServidor_->comprueba();
    sstTabs_->hide();
    sstTabs_->setTabEnabled(n, true);
    for (int i = 0; i < sstTabs_->count(); ++i) {
        QCoreApplication::processEvents();
        if (i != n)
            sstTabs_->setTabEnabled(i, false);
    }
    sstTabs_->show();
    sstTabs_->setCurrentIndex(n);
}

frmDescripcion* frmInicial::descripcion() {
    if (!descripcion_) {
        descripcion_ = new frmDescripcion(programa_, this);
        // The logo's menu also opens the operations journal.
        QAction* bitacora = descripcion_->menu()->addAction(QStringLiteral("Bitácora"));
        bitacora->setObjectName(QStringLiteral("mnBitacora"));
        connect(bitacora, &QAction::triggered, this, [this] { muestraBitacora(); });
    }
    return descripcion_;
}

void frmInicial::muestraBitacora() {
    frmBitacora* bitacora = frmBitacora::muestra(programa_, this);
    // The window is made once and shown again: connected the first time only.
    if (!bitacora || bitacora->property("conQueLlego").toBool())
        return;
    bitacora->setProperty("conQueLlego", true);
    connect(bitacora, &frmBitacora::queLlego, this,
            [this, bitacora](qint64 corrida, bitacora::Operacion, const QString& base,
                             const QString& destino) {
                QueLlego::muestra(programa_, corrida, base, destino, bitacora);
            });
    connect(bitacora, &frmBitacora::deshacerPedido, this, &frmInicial::abreDeshacer);
}

void frmInicial::encoge() {
    if (marco_)
        AyudaVentana::encoge(*this, *marco_->restaurar());
}

void frmInicial::expande() {
    if (marco_)
        AyudaVentana::expande(*this, *marco_->restaurar());
}

void frmInicial::editaIni() {
    programa_.avisos->AbreDocumento(*programa_.archivos, programa_.archivoIni);
}

void frmInicial::muestraModal(QDialog* ventana) {
    ventana->setAttribute(Qt::WA_DeleteOnClose);
    connect(ventana, &QDialog::finished, avisoServidor_, &AvisoServidor::comprueba);
    ventana->setWindowModality(Qt::ApplicationModal);
    ventana->show();
}

void frmInicial::showEvent(QShowEvent* evento) {
    QWidget::showEvent(evento);
    // Activation work waits for the window to be up: the tab switch lets events through.
    if (primeraActivacionPendiente_)
        QMetaObject::invokeMethod(this, &frmInicial::primeraActivacion, Qt::QueuedConnection);
}

void frmInicial::primeraActivacion() {
    // Closed again before it came up: the next show activates it.
    if (!primeraActivacionPendiente_ || !isVisible())
        return;
    confirmaCierre_ = true;
    primeraActivacionPendiente_ = false;

    marco_ = new MarcoVentana(*this);
    connect(marco_, &MarcoVentana::minimizar, this, &frmInicial::encoge);
    connect(marco_, &MarcoVentana::restaurarPulsado, this, &frmInicial::expande);
    connect(marco_, &MarcoVentana::cerrar, this, &QWidget::close);
    connect(marco_, &MarcoVentana::maximizar, this, &frmInicial::maximiza);
    connect(marco_, &MarcoVentana::menuLogo, this,
            [this](const QPoint& donde) { descripcion()->menu()->popup(donde); });
    update();

    seleccionaTab(0);
    const QString prefijo = QStringLiteral("Base de datos a usar: ");
    const std::pair<int, QString> bases[] = {
        {3, programa_.bases->cMiBase}, {4, programa_.baseExportar}, {5, programa_.baseImportar}};
    // lblEtiqueta(3) is the accumulation tab's heading, when the tab has one.
    for (const auto& [indice, base] : bases)
        if (auto* texto = findChild<QLabel*>(etiqueta(indice)))
            texto->setText(prefijo + base);
}

void frmInicial::colocaContenido() {
    const int ancho = std::max(0, width() - 2 * kMargen);
    const int alto = std::max(0, height() - MarcoVentana::kAltoBanda - 3 * kMargen - kAltoBoton);
    sstTabs_->setGeometry(kMargen, MarcoVentana::kAltoBanda + kMargen, ancho, alto);
    const int anchoRegresar = std::max(120, cmdRegresar_->sizeHint().width());
    cmdRegresar_->setGeometry(width() - kMargen - anchoRegresar - agarre_->sizeHint().width(),
                              height() - kMargen - kAltoBoton, anchoRegresar, kAltoBoton);
    const QSize grip = agarre_->sizeHint();
    agarre_->setGeometry(width() - grip.width() - 1, height() - grip.height() - 1, grip.width(),
                         grip.height());
    agarre_->setVisible(!isMaximized() &&
                        !(marco_ && AyudaVentana::encogida(*marco_->restaurar())));
}

void frmInicial::resizeEvent(QResizeEvent* evento) {
    QWidget::resizeEvent(evento);
    colocaContenido();
}

void frmInicial::changeEvent(QEvent* evento) {
    QWidget::changeEvent(evento);
    if (evento->type() == QEvent::WindowStateChange)
        colocaContenido();
}

void frmInicial::maximiza() {
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void frmInicial::paintEvent(QPaintEvent*) {
    QPainter pintor(this);
    MarcoVentana::pinta(pintor, *this);
}

void frmInicial::mouseDoubleClickEvent(QMouseEvent* evento) {
    evento->accept();
    editaIni();
}

void frmInicial::habilitaRegresar() {
    const int tab = sstTabs_->currentIndex();
    cmdRegresar_->setEnabled(tab >= 1 && tab <= 3 && !tabAcumular_->ocupado());
}

void frmInicial::cierraTrasCancelar() {
    // Asked once: the cancel is already on its way.
    if (cerrarAlTerminar_)
        return;
    const QString pregunta = tabAcumular_->trabajoEnCurso() + u'\n' + preguntaCierreEnCurso();
    if (!programa_.avisos->Confirma(pregunta, QStringLiteral("Finalizar"), true))
        return;
    cerrarAlTerminar_ = true;
    // The work may have ended while the question was up: then the window just closes.
    if (tabAcumular_->ocupado())
        tabAcumular_->cancelaParaCerrar();
    else
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void frmInicial::closeEvent(QCloseEvent* evento) {
    if (tabAcumular_->ocupado()) {
        evento->ignore();
        cierraTrasCancelar();
        return;
    }
    // A close from the window system (a borderless window has no control menu; the desktop
    // may keep Alt+F4 for itself) is asked about like the frame's close control. After the
    // running work was cancelled to close, the user has already answered.
    if (confirmaCierre_ && !std::exchange(cerrarAlTerminar_, false) &&
        !programa_.avisos->Confirma(preguntaCierre(), QStringLiteral("Finalizar"), true)) {
        evento->ignore();
        return;
    }
    AyudaVentana::guardaColocacion(*this, programa_.archivoIni, false);
    // The description window is the main window's: it must not keep the program running.
    if (descripcion_)
        descripcion_->close();
    if (auto* bitacora = findChild<frmBitacora*>())
        bitacora->close();
    evento->accept();
}

void frmInicial::abreDeshacer(qint64 corrida, bitacora::Operacion operacion, const QString& base) {
    auto* bitacora = findChild<frmBitacora*>(QString(), Qt::FindDirectChildrenOnly);
    auto* ventana = new DeshacerVentana(programa_, corrida, operacion, base,
                                        bitacora ? static_cast<QWidget*>(bitacora) : this);
    if (bitacora)
        connect(ventana, &DeshacerVentana::deshecha, bitacora, &frmBitacora::consulta);
    ventana->show();
    ventana->comienza();
}
