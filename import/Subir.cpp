#include "import/Subir.h"

#include "data/FormatoTransferencia.h"
#include "shell/CajaMensaje.h"
#include "shell/CampoTexto.h"
#include "shell/ColocaTwips.h"
#include "shell/HiloTrabajo.h"
#include "shell/PanelAvance.h"
#include "shell/host/DeArchivos.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using colocacion::pixeles;
using importacion::ResultadoImportacion;

namespace {

Subir::Selector& selector() {
    static Subir::Selector s;
    return s;
}

QString dialogoArchivo(QWidget* padre, const QString& titulo, const QString& filtros) {
    return QFileDialog::getOpenFileName(padre, titulo, QString(), filtros);
}

} // namespace

void Subir::ponSelector(Selector s) {
    selector() = std::move(s);
}

Subir::Subir(Programa& programa, QWidget* parent)
    : QDialog(parent), programa_(programa), hilo_(new HiloTrabajo(this)) {
    setObjectName(QStringLiteral("Subir"));
    setWindowTitle(QStringLiteral("Importar información de pedidos"));
    setFixedSize(pixeles(8895), pixeles(2970));

    // Created in tab order.
    label1_ = new QLabel(QStringLiteral("Archivo:"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    txtArchivo_ = new QLineEdit(this);
    txtArchivo_->setObjectName(QStringLiteral("txtArchivo"));
    CampoTexto::instala(txtArchivo_, QLatin1Char('X'));
    cmdAceptar_ = new QPushButton(QStringLiteral("&Aceptar"), this);
    cmdAceptar_->setObjectName(QStringLiteral("cmdAceptar"));
    cmdExaminar_ = new QPushButton(QStringLiteral("&Examinar"), this);
    cmdExaminar_->setObjectName(QStringLiteral("cmdExaminar"));
    avance_ = new PanelAvance(this);
    for (QPushButton* b : {cmdAceptar_, cmdExaminar_})
        b->setAutoDefault(false);

    colocaTwips(label1_, 720, 480);
    colocaTwips(txtArchivo_, 1560, 480, 6255, 285);
    colocaTwips(cmdAceptar_, 6600, 1080, 1215, 495);
    colocaTwips(cmdExaminar_, 600, 1080, 1215, 495);
    colocaTwips(avance_, 600, 1920, 7215, 540);
    ajustaEtiqueta(label1_, txtArchivo_);

    avance_->sigue(*hilo_);
    connect(hilo_, &HiloTrabajo::terminado, this, &Subir::termina);
    connect(cmdAceptar_, &QPushButton::clicked, this, &Subir::acepta);
    connect(cmdExaminar_, &QPushButton::clicked, this, &Subir::examina);
    txtArchivo_->setFocus();
}

Subir::~Subir() = default;

bool Subir::ocupado() const {
    return hilo_->ocupado();
}

void Subir::reject() {
    if (!ocupado())
        QDialog::reject();
}

QString Subir::carpetaPrograma() const {
    return programa_.carpetaPrograma.isEmpty() ? QDir::currentPath() : programa_.carpetaPrograma;
}

void Subir::examina() {
    const QString titulo = QStringLiteral("Archivo origen para importar pedidos");
    const QString filtros = QStringLiteral("Archivos de texto (*.txt);;Todos los archivos (*)");
    const QString elegido =
        selector() ? selector()(this, titulo, filtros) : dialogoArchivo(this, titulo, filtros);
    if (elegido.isEmpty())
        return;
    txtArchivo_->setText(QDir::toNativeSeparators(elegido));
    cmdAceptar_->setFocus();
}

void Subir::acepta() {
    if (ocupado())
        return;
    const QString nombre = transferencia::nombreArchivo(txtArchivo_->text());
    if (nombre.isEmpty()) {
        QApplication::beep();
        txtArchivo_->setFocus();
        return;
    }
    txtArchivo_->setText(nombre);
    // A name without folder is looked for in the program folder.
    const QString archivo =
        QDir(carpetaPrograma()).absoluteFilePath(QDir::fromNativeSeparators(nombre));
    if (!host::DeArchivos::HayArchivo(archivo)) {
        CajaMensaje::muestra(this, QStringLiteral("No existe el archivo indicado"),
                             CajaMensaje::Critico, QStringLiteral("ERROR"));
        txtArchivo_->setFocus();
        return;
    }
    const int respuesta = CajaMensaje::muestra(
        this, QStringLiteral("Archivo localizado. ¿Desea proceder a subir la información?"),
        CajaMensaje::SiNo + CajaMensaje::Pregunta + CajaMensaje::SegundoBoton,
        QStringLiteral("Subir pedidos"));
    if (respuesta != CajaMensaje::RespuestaSi) {
        txtArchivo_->setFocus();
        return;
    }

    const host::BasesDD bases = *programa_.bases;
    const QString base = programa_.baseImportar;
    const QString carpeta = carpetaPrograma();
    auto resultado = std::make_shared<ResultadoImportacion>();
    const bool iniciada = hilo_->inicia([=](Trabajador& t) {
        importacion::LlamadasImportacion llamadas;
        static_cast<transferencia::Avance&>(llamadas) = t.avancePedidos();
        *resultado = importacion::SubePedidos(bases, base, archivo, carpeta, llamadas);
    });
    if (!iniciada)
        return;
    resultado_ = resultado;
    bloquea(true);
    avance_->comienza(QStringLiteral("Subiendo %1…").arg(QDir::toNativeSeparators(archivo)));
}

void Subir::termina(const QString& fallo) {
    ResultadoImportacion r = resultado_ ? *resultado_ : ResultadoImportacion();
    resultado_.reset();
    if (!fallo.isEmpty()) {
        r.ok = false;
        r.cancelado = false;
        r.mensaje = fallo;
    }
    bloquea(false);
    if (!r.ok) {
        // The import is all or nothing: the message says nothing was stored.
        CajaMensaje::muestra(this, r.mensaje,
                             r.cancelado ? CajaMensaje::Exclamacion : CajaMensaje::Critico,
                             r.cancelado ? QStringLiteral("Atención") : QStringLiteral("Error"));
        txtArchivo_->setFocus();
        return;
    }
    if (!r.avisos.isEmpty())
        CajaMensaje::muestra(this, r.avisos.join(QLatin1Char('\r')), CajaMensaje::Exclamacion,
                             QStringLiteral("Atención"));
    CajaMensaje::muestra(this, QStringLiteral("Información subida"), CajaMensaje::Informacion,
                         QStringLiteral("Atención"));
    accept();
}

void Subir::bloquea(bool trabajando) {
    for (QWidget* w : std::initializer_list<QWidget*>{txtArchivo_, cmdExaminar_, cmdAceptar_})
        w->setEnabled(!trabajando);
    if (trabajando)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}
