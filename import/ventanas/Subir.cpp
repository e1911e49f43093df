#include "import/ventanas/Subir.h"

#include "data/FormatoTransferencia.h"
#include "import/InformeImportacion.h"
#include "import/ventanas/InformesSubida.h"
#include "journal/AvisoBitacora.h"
#include "sales/TextoPedido.h"
#include "shell/Cantidad.h"
#include "shell/UltimosUsados.h"
#include "shell/host/DeArchivos.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/CampoTexto.h"
#include "shell/ventanas/ColocaTwips.h"
#include "shell/ventanas/HiloTrabajo.h"
#include "shell/ventanas/InformeVentana.h"
#include "shell/ventanas/LineaAviso.h"
#include "shell/ventanas/PanelAvance.h"
#include "shell/ventanas/Teclado.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using colocacion::pixeles;
using importacion::Importados;
using importacion::InformeImportacion;
using importacion::informeImportacion;
using importacion::informeRevision;
using importacion::ResultadoImportacion;

namespace {

Subir::Selector& selector() {
    static Subir::Selector s;
    return s;
}

QString dialogoArchivo(QWidget* padre, const QString& titulo, const QString& filtros,
                       const QString& carpeta) {
    return QFileDialog::getOpenFileName(padre, titulo, carpeta, filtros);
}

QString pedidos(qint64 n) {
    return cantidad(n, QStringLiteral("pedido"), QStringLiteral("pedidos"));
}

} // namespace

void Subir::ponSelector(Selector s) {
    selector() = std::move(s);
}

Subir::Subir(Programa& programa, QWidget* parent)
    : QDialog(parent), programa_(programa), hilo_(new HiloTrabajo(this)) {
    setObjectName(QStringLiteral("Subir"));
    setWindowTitle(QStringLiteral("Importar información de pedidos"));
    // The designed size to start with; it grows with the font and fits the screen.
    resize(pixeles(8895), pixeles(2970));
    // Through close(), as the close button: not while the file is read.
    Teclado::cierraConEscape(*this);

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

    aviso_ = new LineaAviso(QStringLiteral("lblAviso"), this);

    // The designed arrangement, sized from the font: the name across the top, "Examinar"
    // below it on the left and "Aceptar" on the right, then the progress.
    auto* rejilla = new QGridLayout(this);
    rejilla->setContentsMargins(pixeles(600), pixeles(480), pixeles(600), pixeles(240));
    rejilla->setVerticalSpacing(pixeles(240));
    rejilla->addWidget(label1_, 0, 0);
    rejilla->addWidget(txtArchivo_, 0, 1, 1, 3);
    rejilla->addWidget(cmdExaminar_, 1, 0, 1, 2, Qt::AlignLeft);
    rejilla->addWidget(cmdAceptar_, 1, 3, Qt::AlignRight);
    rejilla->addWidget(aviso_, 2, 0, 1, 4);
    rejilla->addWidget(avance_, 3, 0, 1, 4);
    rejilla->setColumnStretch(2, 1);
    rejilla->setRowStretch(3, 1);
    txtArchivo_->setMinimumWidth(pixeles(4000));
    for (QPushButton* b : {cmdAceptar_, cmdExaminar_})
        b->setMinimumSize(std::max(pixeles(1215), b->sizeHint().width()),
                          std::max(pixeles(495), b->sizeHint().height()));
    // Name, then the way to find one, then the button that uses it.
    setTabOrder(txtArchivo_, cmdExaminar_);
    setTabOrder(cmdExaminar_, cmdAceptar_);
    connect(txtArchivo_, &QLineEdit::textEdited, aviso_, &LineaAviso::limpia);

    avance_->sigue(*hilo_);
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
    const QString elegido = selector() ? selector()(this, titulo, filtros)
                                       : dialogoArchivo(this, titulo, filtros, carpetaExaminar());
    if (elegido.isEmpty())
        return;
    txtArchivo_->setText(QDir::toNativeSeparators(elegido));
    cmdAceptar_->setFocus();
}

QString Subir::carpetaExaminar() const {
    const QString ultima =
        UltimosUsados(programa_.archivoIni).lee(UltimosUsados::claveImportacion());
    if (!ultima.isEmpty() && QFileInfo(ultima).isDir())
        return ultima;
    return UltimosUsados::primeraUnidadExtraible();
}

void Subir::acepta() {
    if (ocupado())
        return;
    const QString nombre = transferencia::nombreArchivo(txtArchivo_->text());
    if (nombre.isEmpty()) {
        QApplication::beep();
        aviso_->avisa(QStringLiteral("Escriba el nombre del archivo que se va a subir, o "
                                     "búsquelo con \"Examinar\"."));
        txtArchivo_->setFocus();
        return;
    }
    aviso_->limpia();
    txtArchivo_->setText(nombre);
    // A name without folder is looked for in the program folder.
    const QString archivo =
        QDir(carpetaPrograma()).absoluteFilePath(QDir::fromNativeSeparators(nombre));
    if (!host::DeArchivos::HayArchivo(archivo)) {
        CajaMensaje::muestra(this, QStringLiteral("No existe el archivo indicado"),
                             CajaMensaje::Icono::Critico, QStringLiteral("ERROR"));
        txtArchivo_->setFocus();
        return;
    }
    archivo_ = archivo;
    inicia(Importados::Omitir, true);
}

struct Subir::Subida {
    ResultadoImportacion r;
    Informe informe;
};

void Subir::inicia(Importados importados, bool revisar) {
    const host::BasesDD bases = *programa_.bases;
    const QString base = programa_.baseImportar;
    const QString archivo = archivo_;
    const QString carpeta = carpetaPrograma();
    importacion::OpcionesImportacion opciones;
    opciones.importados = importados;
    opciones.revisar = revisar;
    const bool iniciada = hilo_->inicia(
        [=](Trabajador& t) {
            importacion::LlamadasImportacion llamadas;
            static_cast<transferencia::Avance&>(llamadas) = t.avancePedidos();
            Subida s{importacion::SubePedidos(bases, base, archivo, carpeta, llamadas, opciones),
                     {}};
            // Made here: for a large file, making it would freeze the window for a while.
            if (s.r.ok)
                s.informe =
                    revisar ? informeRevision(s.r, archivo) : informeImportacion(s.r, archivo);
            return s;
        },
        [this, revisar](FinTrabajo<Subida> d) { termina(std::move(d), revisar); });
    if (!iniciada)
        return;
    importados_ = importados;
    bloquea(true);
    avance_->comienza((revisar ? QStringLiteral("Revisando %1…") : QStringLiteral("Subiendo %1…"))
                          .arg(QDir::toNativeSeparators(archivo)));
}

void Subir::termina(FinTrabajo<Subida> desenlace, bool revisar) {
    const Subida s = std::move(desenlace).o([](const QString& fallo) {
        return Subida{fallido<ResultadoImportacion>(fallo), {}};
    });
    bloquea(false);
    if (revisar)
        terminaRevision(s.r, s.informe);
    else
        terminaImportacion(s.r, s.informe);
}

void Subir::terminaRevision(const ResultadoImportacion& r, const Informe& revision) {
    if (!r.ok) {
        // Nothing was written: the preview is always undone.
        if (r.cancelado)
            CajaMensaje::muestra(this,
                                 QStringLiteral("Se canceló la revisión del archivo: no se subió "
                                                "nada."),
                                 CajaMensaje::Icono::Exclamacion, QStringLiteral("Atención"));
        else
            CajaMensaje::muestra(this, r.mensaje, CajaMensaje::Icono::Critico,
                                 QStringLiteral("Error"));
        txtArchivo_->setFocus();
        return;
    }
    InformeVentana::muestra(this, revision);
    // The first preview skips the orders imported before; importing them again gives the
    // others other folios, so that choice is previewed again before the question.
    if (importados_ == Importados::Omitir && !r.yaImportados.isEmpty()) {
        if (!eligeImportados(r)) {
            txtArchivo_->setFocus();
            return;
        }
        if (importados_ == Importados::Repetir) {
            inicia(Importados::Repetir, true);
            return;
        }
    }
    const CajaMensaje::Accion verRevision{QStringLiteral("&Ver revisión"), [this, revision] {
                                              InformeVentana::muestra(this, revision);
                                          }};
    const CajaMensaje::Respuesta respuesta = CajaMensaje::muestra(
        this, QStringLiteral("Archivo localizado. ¿Desea proceder a subir la información?"),
        CajaMensaje::Estilo::siNo(true), QStringLiteral("Subir pedidos"), verRevision);
    if (respuesta != CajaMensaje::Respuesta::Si) {
        aviso_->avisa(QStringLiteral("No se importó nada: la revisión se deshizo y la base de "
                                     "datos quedó como estaba."));
        txtArchivo_->setFocus();
        return;
    }
    // With none imported before, an import of the same file that ends meanwhile makes this
    // one refuse the file rather than double it.
    inicia(r.yaImportados.isEmpty() ? Importados::Rechazar : importados_, false);
}

bool Subir::eligeImportados(const ResultadoImportacion& r) {
    const qint64 viejos = r.yaImportados.size();
    const qint64 nuevos = r.pedidos;
    const QString cuando = InformeImportacion::cuando(r.yaImportados);
    const QString enFecha = cuando.isEmpty() ? QString() : QLatin1Char(' ') + cuando;
    QString mensaje;
    if (nuevos == 0)
        mensaje = viejos == 1 ? QStringLiteral("El único pedido del archivo ya se había "
                                               "importado%1.")
                                    .arg(enFecha)
                              : QStringLiteral("Los %1 pedidos del archivo ya se habían "
                                               "importado%2.")
                                    .arg(viejos)
                                    .arg(enFecha);
    else
        mensaje = QStringLiteral("%1 de los %2 del archivo ya se %3%4; %5 %6.")
                      .arg(QString::number(viejos), pedidos(viejos + nuevos),
                           viejos == 1 ? QStringLiteral("había importado")
                                       : QStringLiteral("habían importado"),
                           enFecha, QString::number(nuevos),
                           nuevos == 1 ? QStringLiteral("es nuevo") : QStringLiteral("son nuevos"));
    mensaje += QStringLiteral("\n¿Qué pedidos desea subir?");
    // With nothing new, importing only the new ones would do nothing: the way out is the
    // default.
    QStringList opciones;
    if (nuevos > 0)
        opciones << QStringLiteral("Sólo los &nuevos");
    opciones << QStringLiteral("&Todos otra vez") << QStringLiteral("&Cancelar");
    const int eleccion = CajaMensaje::elige(this, mensaje, CajaMensaje::Icono::Pregunta,
                                            QStringLiteral("Subir pedidos"), opciones,
                                            nuevos > 0 ? 0 : int(opciones.size()) - 1);
    // Counted as if "Sólo los nuevos" were always there.
    switch (nuevos > 0 ? eleccion : eleccion + 1) {
    case 0:
        importados_ = Importados::Omitir;
        return true;
    case 1:
        importados_ = Importados::Repetir;
        return true;
    default:
        return false;
    }
}

void Subir::terminaImportacion(const ResultadoImportacion& r, const Informe& informe) {
    bitacora::avisaSinBitacora(programa_, r.avisoBitacora);
    if (!r.ok) {
        // The import is all or nothing: the message says nothing was stored.
        CajaMensaje::muestra(this, r.mensaje,
                             r.cancelado ? CajaMensaje::Icono::Exclamacion
                                         : CajaMensaje::Icono::Critico,
                             r.cancelado ? QStringLiteral("Atención") : QStringLiteral("Error"));
        txtArchivo_->setFocus();
        return;
    }
    if (!r.avisos.isEmpty())
        CajaMensaje::muestra(this, r.avisos.join(QLatin1Char('\n')),
                             CajaMensaje::Icono::Exclamacion, QStringLiteral("Atención"));
    if (r.pedidos == 0) {
        // Every order turned out imported before (by another import meanwhile): nothing
        // went in, which is no upload to announce.
        CajaMensaje::muestra(this, r.mensaje, CajaMensaje::Icono::Exclamacion,
                             QStringLiteral("Atención"));
        txtArchivo_->setFocus();
        return;
    }
    UltimosUsados(programa_.archivoIni)
        .guarda({{UltimosUsados::claveImportacion(),
                  QDir::toNativeSeparators(QFileInfo(archivo_).absolutePath())}});
    const CajaMensaje::Accion verInforme{
        QStringLiteral("Ver informe"), [this, informe] { InformeVentana::muestra(this, informe); }};
    CajaMensaje::muestra(this, QStringLiteral("Información subida"),
                         CajaMensaje::Icono::Informacion, QStringLiteral("Atención"), verInforme);
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
