#include "export/ventanas/BajarPedidos.h"

#include "data/FormatoTransferencia.h"
#include "export/ventanas/ModeloPedidosExportar.h"
#include "journal/AvisoBitacora.h"
#include "shell/Cantidad.h"
#include "shell/UltimosUsados.h"
#include "shell/host/ArchivoNuevo.h"
#include "shell/host/Conexion.h"
#include "shell/host/TextoConDetalle.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/CampoTexto.h"
#include "shell/ventanas/ColocaTwips.h"
#include "shell/ventanas/DialogosEstandar.h"
#include "shell/ventanas/HiloTrabajo.h"
#include "shell/ventanas/InformeVentana.h"
#include "shell/ventanas/LineaAviso.h"
#include "shell/ventanas/PanelAvance.h"
#include "shell/ventanas/Teclado.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTableView>
#include <algorithm>
#include <optional>

using colocacion::pixeles;
using exportacion::FilaExportar;
using exportacion::ResultadoExportacion;

namespace {

using Controles = std::initializer_list<QWidget*>;

void habilita(Controles controles, bool si) {
    for (QWidget* w : controles)
        w->setEnabled(si);
}

std::optional<QDate> limite(const QLineEdit* campo) {
    const QDate f = CampoTexto::fecha(*campo);
    return f.isValid() ? std::optional<QDate>(f) : std::nullopt;
}

std::function<QVector<BajarPedidos::Destino>()>& volumenesPrueba() {
    static std::function<QVector<BajarPedidos::Destino>()> f;
    return f;
}

// The drive list, read again each time it opens: a volume mounted meanwhile shows up.
// The item data of the list beside "Unidad:" that names a destination on another server.
constexpr int rolDestino = Qt::UserRole + 1;

class ListaDestinos : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> alAbrir;

    void showPopup() override {
        if (alAbrir)
            alAbrir();
        QComboBox::showPopup();
    }
};

} // namespace

BajarPedidos::BajarPedidos(Programa& programa, QWidget* parent)
    : QDialog(parent), programa_(programa), hilo_(new HiloTrabajo(this)) {
    setObjectName(QStringLiteral("BajarPedidos"));
    setWindowTitle(QStringLiteral("Exportar información de pedidos") + QStringLiteral(" en ") +
                   programa_.baseExportar);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    // The designed size to start with; the window grows, and shrinks to fit the screen.
    resize(pixeles(9390), pixeles(6225));
    setSizeGripEnabled(true);
    // Through close(), as the close button: not while a search or an export runs.
    Teclado::cierraConEscape(*this);
    construye();
    // Wide enough for every column of the grid ("Exportado" came after the design); the
    // screen's fit still reduces it where the screen is smaller.
    int columnas = 2 * mhgReja_->frameWidth() + mhgReja_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < ModeloPedidosExportar::Columnas; ++c)
        if (!mhgReja_->isColumnHidden(c))
            columnas += mhgReja_->columnWidth(c);
    const QMargins margenes = layout()->contentsMargins();
    const int ancho = columnas + margenes.left() + margenes.right() +
                      2 * std::max(0, layout()->spacing()) + cmdAceptar_->minimumWidth();
    resize(std::max(width(), ancho), height());
    avance_->sigue(*hilo_);
    reinicia();
}

BajarPedidos::~BajarPedidos() = default;

QLabel* BajarPedidos::etiqueta(const QString& nombre, const QString& texto) {
    auto* l = new QLabel(texto, this);
    l->setObjectName(nombre);
    return l;
}

void BajarPedidos::construye() {
    // Created in tab order.
    QLabel* label1 = etiqueta(QStringLiteral("Label1"), QStringLiteral("Fecha inicial:"));
    QLabel* label2 = etiqueta(QStringLiteral("Label2"), QStringLiteral("Fecha final:"));
    for (int i = 0; i < 2; ++i) {
        mkeFecha_[i] =
            CampoTexto::creaFecha(QStringLiteral("mkeFecha(%1)").arg(i), QLatin1Char('!'), this);
        mkeFecha_[i]->installEventFilter(this);
    }
    cmdAceptar_ = new QPushButton(QStringLiteral("&Aceptar"), this);
    cmdAceptar_->setObjectName(QStringLiteral("cmdAceptar"));
    modelo_ = new ModeloPedidosExportar(this);
    mhgReja_ = new QTableView(this);
    mhgReja_->setObjectName(QStringLiteral("mhgReja"));
    mhgReja_->setModel(modelo_);
    label5_ = etiqueta(QStringLiteral("Label5"), QStringLiteral("Marque/desmarque con ESPACIO"));
    cmdProceder_ = new QPushButton(QStringLiteral("&Proceder"), this);
    cmdProceder_->setObjectName(QStringLiteral("cmdProceder"));
    label6_ = etiqueta(QStringLiteral("Label6"), QStringLiteral("Archivo:"));
    txtArchivo_ = new QLineEdit(this);
    txtArchivo_->setObjectName(QStringLiteral("txtArchivo"));
    CampoTexto::instala(txtArchivo_, QLatin1Char('!'));
    auto* lista = new ListaDestinos(this);
    lista->alAbrir = [this] { llenaDestinos(); };
    drive1_ = lista;
    drive1_->setObjectName(QStringLiteral("Drive1"));
    CampoTexto::instala(drive1_, QLatin1Char('!'));
    cmdExaminar_ = new QPushButton(QStringLiteral("Examinar…"), this);
    cmdExaminar_->setObjectName(QStringLiteral("cmdExaminar"));
    label8_ = etiqueta(QStringLiteral("Label8"), QStringLiteral("Unidad:"));
    avance_ = new PanelAvance(this);

    cuenta_ = etiqueta(QStringLiteral("lblCuenta"), QString());
    cmdMarcarTodos_ = new QPushButton(QStringLiteral("&Marcar todos"), this);
    cmdMarcarTodos_->setObjectName(QStringLiteral("cmdMarcarTodos"));
    cmdDesmarcarTodos_ = new QPushButton(QStringLiteral("&Desmarcar todos"), this);
    cmdDesmarcarTodos_->setObjectName(QStringLiteral("cmdDesmarcarTodos"));
    avisoFechas_ = new LineaAviso(QStringLiteral("lblAvisoFechas"), this);
    avisoArchivo_ = new LineaAviso(QStringLiteral("lblAvisoArchivo"), this);

    // The designed arrangement in layouts that size from the font: the dates across the
    // top, the grid with "Aceptar" at its right, its counts below, then the destination
    // row with "Proceder". The grid takes whatever room the window gains.
    auto* fechas = new QHBoxLayout;
    fechas->addWidget(label1);
    fechas->addWidget(mkeFecha_[0]);
    fechas->addSpacing(pixeles(360));
    fechas->addWidget(label2);
    fechas->addWidget(mkeFecha_[1]);
    fechas->addStretch();
    fechas->addWidget(avance_);
    for (QLineEdit* f : mkeFecha_)
        f->setMinimumWidth(std::max(pixeles(1215), f->sizeHint().width()));

    auto* derecha = new QVBoxLayout;
    derecha->addSpacing(pixeles(360));
    derecha->addWidget(cmdAceptar_);
    derecha->addStretch();
    auto* centro = new QHBoxLayout;
    centro->addWidget(mhgReja_, 1);
    centro->addLayout(derecha);

    auto* cuentas = new QHBoxLayout;
    cuentas->addWidget(cuenta_, 1);
    cuentas->addWidget(cmdMarcarTodos_);
    cuentas->addWidget(cmdDesmarcarTodos_);

    auto* abajo = new QHBoxLayout;
    abajo->addWidget(label5_);
    abajo->addWidget(label8_);
    abajo->addWidget(drive1_, 2);
    abajo->addWidget(cmdExaminar_);
    abajo->addSpacing(pixeles(120));
    abajo->addWidget(label6_);
    abajo->addWidget(txtArchivo_, 2);
    abajo->addStretch();
    abajo->addWidget(cmdProceder_);
    drive1_->setMinimumWidth(pixeles(1440));
    txtArchivo_->setMinimumWidth(pixeles(1440));
    cuenta_->setWordWrap(true);
    for (QPushButton* b : {cmdAceptar_, cmdProceder_})
        b->setMinimumSize(std::max(pixeles(1215), b->sizeHint().width()),
                          std::max(pixeles(495), b->sizeHint().height()));
    mhgReja_->setMinimumSize(pixeles(4000), pixeles(1500));

    auto* columna = new QVBoxLayout(this);
    columna->setContentsMargins(pixeles(360), pixeles(120), pixeles(240), pixeles(120));
    columna->addLayout(fechas);
    columna->addWidget(avisoFechas_);
    columna->addLayout(centro, 1);
    columna->addLayout(cuentas);
    columna->addLayout(abajo);
    columna->addWidget(avisoArchivo_);
    // Controls hidden until their step keep their room, so nothing jumps between steps.
    // Label5 and the destination row take turns in one place.
    for (QWidget* w : Controles{mhgReja_, cmdProceder_, cuenta_, cmdMarcarTodos_,
                                cmdDesmarcarTodos_, cmdAceptar_}) {
        QSizePolicy politica = w->sizePolicy();
        politica.setRetainSizeWhenHidden(true);
        w->setSizePolicy(politica);
    }
    drive1_->view()->setMinimumWidth(pixeles(4800));

    mhgReja_->verticalHeader()->hide();
    mhgReja_->setSelectionBehavior(QAbstractItemView::SelectRows);
    mhgReja_->setSelectionMode(QAbstractItemView::SingleSelection);
    mhgReja_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mhgReja_->setTabKeyNavigation(false);
    mhgReja_->setWordWrap(false);
    mhgReja_->horizontalHeader()->setStretchLastSection(false);
    mhgReja_->horizontalHeader()->setHighlightSections(false);
    mhgReja_->verticalHeader()->setDefaultSectionSize(mhgReja_->fontMetrics().height() + 6);
    // The set widths, widened to what the font needs: a larger system font must not cut
    // dates and amounts.
    const int anchos[ModeloPedidosExportar::Columnas] = {500,  1000, 1100, 1100, 1200,
                                                         1200, 800,  1700, 0};
    const QFontMetrics medida(mhgReja_->font());
    const QString muestras[ModeloPedidosExportar::Columnas] = {QStringLiteral("99999"),
                                                               QStringLiteral("SERIE"),
                                                               QStringLiteral("9999999"),
                                                               QStringLiteral("99/99/9999"),
                                                               QStringLiteral("9,999,999.99"),
                                                               QStringLiteral("9,999,999.99"),
                                                               QStringLiteral("Pasar"),
                                                               QStringLiteral("99/99/9999 99:99"),
                                                               QString()};
    for (int c = 0; c < ModeloPedidosExportar::Columnas; ++c)
        mhgReja_->setColumnWidth(
            c, anchos[c] == 0
                   ? 0
                   : std::max(pixeles(anchos[c]), medida.horizontalAdvance(muestras[c]) + 12));
    mhgReja_->setColumnHidden(ModeloPedidosExportar::Id, true);
    mhgReja_->installEventFilter(this);

    // Return in a field moves on to the next one; only a button with the focus is pressed by it.
    for (QPushButton* b :
         {cmdAceptar_, cmdProceder_, cmdExaminar_, cmdMarcarTodos_, cmdDesmarcarTodos_})
        b->setAutoDefault(false);

    setTabOrder(mkeFecha_[0], mkeFecha_[1]);
    setTabOrder(mkeFecha_[1], cmdAceptar_);
    setTabOrder(cmdAceptar_, mhgReja_);
    setTabOrder(mhgReja_, cmdProceder_);
    setTabOrder(cmdProceder_, drive1_);
    setTabOrder(drive1_, cmdExaminar_);
    setTabOrder(cmdExaminar_, txtArchivo_);

    connect(cmdAceptar_, &QPushButton::clicked, this, &BajarPedidos::buscaPedidos);
    connect(cmdProceder_, &QPushButton::clicked, this, &BajarPedidos::procede);
    // Only a click on the "Pasar" cell flips the mark, so selecting a row to read it does
    // not; a double click flips it once, on any cell (on "Pasar" its first click did).
    connect(mhgReja_, &QTableView::clicked, this, [this](const QModelIndex& i) {
        const bool trasDoble = i.row() == filaDoble_ && reloj_.isValid() &&
                               reloj_.elapsed() < QApplication::doubleClickInterval();
        if (i.column() == ModeloPedidosExportar::Pasar && !trasDoble)
            alterna(i);
        filaClic_ = i.column() == ModeloPedidosExportar::Pasar ? i.row() : -1;
        if (!trasDoble)
            reloj_.start();
    });
    connect(mhgReja_, &QTableView::doubleClicked, this, [this](const QModelIndex& i) {
        const bool yaAlterno = i.row() == filaClic_ && reloj_.isValid() &&
                               reloj_.elapsed() < QApplication::doubleClickInterval();
        if (!yaAlterno)
            alterna(i);
        filaDoble_ = i.row();
        reloj_.start();
    });
    connect(cmdMarcarTodos_, &QPushButton::clicked, this, [this] { modelo_->marcaTodos(true); });
    connect(cmdDesmarcarTodos_, &QPushButton::clicked, this,
            [this] { modelo_->marcaTodos(false); });
    connect(modelo_, &ModeloPedidosExportar::marcasCambiadas, this, &BajarPedidos::cuenta);
    connect(cmdExaminar_, &QPushButton::clicked, this, &BajarPedidos::examina);
    connect(txtArchivo_, &QLineEdit::textEdited, avisoArchivo_, &LineaAviso::limpia);
}

QVector<BajarPedidos::Destino> BajarPedidos::destinos() {
    QVector<Destino> volumenes;
    if (volumenesPrueba()) {
        volumenes = volumenesPrueba()();
    } else {
        for (const QString& raiz : exportacion::UnidadesDestino())
            volumenes.push_back({QDir::cleanPath(raiz), QStorageInfo(raiz).name()});
    }
    const QString casa = QDir::cleanPath(QDir::homePath());
    QVector<Destino> lista{{casa, QStringLiteral("carpeta personal")}};
    for (const Destino& d : volumenes)
        if (d.ruta != casa)
            lista.push_back(d);
    return lista;
}

void BajarPedidos::ponVolumenes(std::function<QVector<Destino>()> volumenes) {
    volumenesPrueba() = std::move(volumenes);
}

void BajarPedidos::llenaDestinos(const QString& elegir) {
    const QString elegida = elegir.isEmpty() ? drive1_->currentData().toString() : elegir;
    const QString elegirDestino =
        elegir.isEmpty() ? drive1_->currentData(rolDestino).toString() : QString();
    QVector<Destino> lista = destinos();
    for (const QString& carpeta : carpetasElegidas_)
        if (std::none_of(lista.begin(), lista.end(),
                         [&](const Destino& d) { return d.ruta == carpeta; }))
            lista.push_back({carpeta, QString()});
    drive1_->clear();
    for (const Destino& d : lista) {
        const QString ruta = QDir::toNativeSeparators(d.ruta);
        drive1_->addItem(
            d.etiqueta.isEmpty() ? ruta : QStringLiteral("%1  (%2)").arg(ruta, d.etiqueta), d.ruta);
    }
    if (envios_.destinos)
        for (const QString& nombre : envios_.destinos()) {
            drive1_->addItem(QStringLiteral("Destino: %1").arg(nombre));
            drive1_->setItemData(drive1_->count() - 1, nombre, rolDestino);
        }
    const int destino = elegirDestino.isEmpty() ? -1 : drive1_->findData(elegirDestino, rolDestino);
    drive1_->setCurrentIndex(destino >= 0 ? destino : std::max(0, drive1_->findData(elegida)));
}

void BajarPedidos::ponEnvios(Envios envios) {
    envios_ = std::move(envios);
}

void BajarPedidos::enviaMarcados(const QString& destino) {
    const QVector<qint64> ids = modelo_->marcados();
    habilita({txtArchivo_, drive1_, cmdExaminar_, mhgReja_, cmdProceder_}, false);
    envios_.envia(this, destino, ids, limite(mkeFecha_[0]), limite(mkeFecha_[1]),
                  [this, ventana = QPointer<BajarPedidos>(this)](bool llegaron) {
                      if (!ventana)
                          return;
                      if (llegaron) {
                          reinicia();
                          return;
                      }
                      // Another destination, or a file, may still be chosen.
                      muestraNombre(true);
                      cmdProceder_->setEnabled(true);
                      drive1_->setFocus();
                  });
}

void BajarPedidos::examina() {
    const QString elegida = DialogosEstandar::carpeta(
        this, QStringLiteral("Carpeta donde copiar el archivo"), drive1_->currentData().toString());
    if (elegida.isEmpty())
        return;
    const QString ruta = QDir::cleanPath(elegida);
    if (!carpetasElegidas_.contains(ruta))
        carpetasElegidas_ << ruta;
    llenaDestinos(ruta);
    txtArchivo_->setFocus();
}

bool BajarPedidos::ocupado() const {
    return hilo_->ocupado();
}

void BajarPedidos::reject() {
    if (!ocupado())
        QDialog::reject();
}

bool BajarPedidos::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == mhgReja_ && evento->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(evento)->key() == Qt::Key_Space) {
        alterna(mhgReja_->currentIndex());
        return true;
    }
    if (evento->type() == QEvent::FocusOut) {
        // A field left without a valid date is emptied: no bound on that side. What was
        // typed there is told, so the clerk sees why the field went blank.
        for (QLineEdit* campo : mkeFecha_)
            if (objeto == campo && !CampoTexto::fecha(*campo).isValid()) {
                const QString escrito = campo->displayText();
                if (CampoTexto::tieneDigitos(*campo))
                    avisoFechas_->avisa(
                        QStringLiteral("\"%1\" no es una fecha válida: el campo quedó vacío y "
                                       "no limita la búsqueda de ese lado.")
                            .arg(escrito));
                campo->clear();
            }
    }
    return QDialog::eventFilter(objeto, evento);
}

void BajarPedidos::alterna(const QModelIndex& indice) {
    if (indice.isValid())
        modelo_->alterna(indice.row());
}

void BajarPedidos::buscaPedidos() {
    if (ocupado())
        return;
    const std::optional<QDate> desde = limite(mkeFecha_[0]), hasta = limite(mkeFecha_[1]);
    // An inverted range would find nothing and say only that: it is told as what it is.
    if (desde && hasta && *desde > *hasta) {
        avisoFechas_->avisa(QStringLiteral("La fecha inicial (%1) es posterior a la final (%2): "
                                           "no se buscó nada. Corrija una de las dos.")
                                .arg(desde->toString(host::libNucleo::FormatoFecha()),
                                     hasta->toString(host::libNucleo::FormatoFecha())));
        mkeFecha_[0]->setFocus();
        return;
    }
    avisoFechas_->limpia();
    modelo_->vacia();
    const host::BasesDD bases = *programa_.bases;
    const QString base = programa_.baseExportar;
    const bool iniciada = hilo_->inicia(
        [=](Trabajador&) {
            if (base.trimmed().isEmpty())
                throw host::ErrorBdD(QStringLiteral("No está configurada la base de datos para "
                                                    "exportar pedidos (\"Para exportar "
                                                    "pedidos\")."));
            auto conexion = bases.abre(base);
            return exportacion::ListaPedidosExportar(*conexion, desde, hasta);
        },
        [this](FinTrabajo<exportacion::ListaExportar> d) { terminaBusqueda(std::move(d)); });
    if (!iniciada)
        return;
    habilita({mkeFecha_[0], mkeFecha_[1], cmdAceptar_}, false);
    setCursor(Qt::BusyCursor);
    avance_->comienza(QStringLiteral("Buscando pedidos…"));
}

void BajarPedidos::procede() {
    if (txtArchivo_->isHidden())
        confirmaMarcados();
    else
        escribeArchivo();
}

void BajarPedidos::confirmaMarcados() {
    const qsizetype marcados = modelo_->marcados().size();
    if (marcados == 0) {
        CajaMensaje::muestra(this,
                             QStringLiteral("No hay pedidos marcados para exportar. Marque los "
                                            "que desea exportar con la barra espaciadora o con un "
                                            "clic en \"Pasar\", y pulse \"Proceder\" otra vez."),
                             CajaMensaje::Icono::Exclamacion, QStringLiteral("Exportar pedidos"));
        mhgReja_->setFocus();
        return;
    }
    const QString pregunta = QStringLiteral("Se marcaron para exportar ") +
                             QString::number(marcados) +
                             QStringLiteral(" pedidos. ¿Desea proceder a bajar la información?");
    if (!CajaMensaje::confirma(this, pregunta, QStringLiteral("Exportar pedidos"), true))
        return;
    mhgReja_->setEnabled(false);
    habilita({cmdMarcarTodos_, cmdDesmarcarTodos_}, false);
    label5_->hide();
    drive1_->clear();
    muestraNombre(true);
    proponeUltimos();
    drive1_->setFocus();
}

void BajarPedidos::proponeUltimos() {
    const UltimosUsados ultimos(programa_.archivoIni);
    if (txtArchivo_->text().trimmed().isEmpty())
        txtArchivo_->setText(ultimos.lee(UltimosUsados::claveArchivo()));
    const QString carpeta = ultimos.lee(UltimosUsados::claveDestino());
    // A folder gone since (a stick not plugged in) is not proposed.
    if (carpeta.isEmpty() || !QFileInfo(carpeta).isDir())
        return;
    const QString ruta = QDir::cleanPath(carpeta);
    if (drive1_->findData(ruta) < 0 && !carpetasElegidas_.contains(ruta))
        carpetasElegidas_ << ruta;
    llenaDestinos(ruta);
}

void BajarPedidos::muestraNombre(bool visible) {
    if (visible)
        llenaDestinos();
    for (QWidget* w : Controles{label6_, txtArchivo_, label8_, drive1_, cmdExaminar_}) {
        w->setVisible(visible);
        w->setEnabled(true);
    }
}

void BajarPedidos::escribeArchivo() {
    if (ocupado())
        return;
    // A destination on another server: its own window sends the orders and names the file.
    if (const QString destino = drive1_->currentData(rolDestino).toString();
        !destino.isEmpty() && envios_.envia) {
        enviaMarcados(destino);
        return;
    }
    const QString nombre = txtArchivo_->text().trimmed();
    if (nombre.isEmpty()) {
        avisoArchivo_->avisa(QStringLiteral("Escriba el nombre del archivo que se va a escribir "
                                            "y pulse \"Proceder\" otra vez."));
        txtArchivo_->setFocus();
        return;
    }
    avisoArchivo_->limpia();
    const QString carpeta =
        programa_.carpetaPrograma.isEmpty() ? QDir::currentPath() : programa_.carpetaPrograma;
    const QStringList propios = programa_.archivosPropios();
    const QString rechazo = exportacion::CompruebaNombre(nombre, carpeta, propios);
    if (!rechazo.isEmpty()) {
        CajaMensaje::muestra(this, rechazo, CajaMensaje::Icono::Exclamacion,
                             QStringLiteral("Atención"));
        txtArchivo_->setFocus();
        txtArchivo_->selectAll();
        return;
    }
    QString destino = drive1_->currentData().toString();
    if (destino.isEmpty())
        destino = drive1_->currentText();
    // Both folders before the question: a destination that cannot take the file writes
    // nothing anywhere.
    for (const QString& rechazo : {exportacion::CompruebaCarpeta(carpeta, nombre, false),
                                   exportacion::CompruebaCarpeta(destino, nombre, true)})
        if (!rechazo.isEmpty()) {
            CajaMensaje::muestra(this, rechazo, CajaMensaje::Icono::Exclamacion,
                                 QStringLiteral("Atención"));
            drive1_->setFocus();
            return;
        }
    // A file of that name at the destination (or a link) is replaced only when the user says
    // so.
    const QString rutaCopia = exportacion::RutaCopia(nombre, destino);
    const QString copia = QDir::toNativeSeparators(rutaCopia);
    const bool reemplazar = host::ArchivoNuevo::hayNombre(rutaCopia);
    if (reemplazar &&
        !CajaMensaje::confirma(
            this, QStringLiteral("Ya existe el archivo %1. ¿Desea reemplazarlo?").arg(copia),
            QStringLiteral("Exportar pedidos"), true)) {
        CajaMensaje::muestra(this,
                             QStringLiteral("No se escribió nada: el archivo %1 quedó como "
                                            "estaba. Escriba otro nombre o elija otra unidad.")
                                 .arg(copia),
                             CajaMensaje::Icono::Exclamacion, QStringLiteral("Atención"));
        txtArchivo_->setFocus();
        txtArchivo_->selectAll();
        return;
    }
    const QVector<qint64> ids = modelo_->marcados();
    const host::BasesDD bases = *programa_.bases;
    const QString base = programa_.baseExportar;
    // The range the grid was filled with: the date fields stay locked until the reset.
    const std::optional<QDate> desde = limite(mkeFecha_[0]), hasta = limite(mkeFecha_[1]);
    const bool iniciada = hilo_->inicia(
        [=](Trabajador& t) {
            auto conexion = bases.abre(base);
            return exportacion::ExportaPedidos(*conexion, ids, nombre, carpeta, destino,
                                               t.avancePedidos(), propios, reemplazar, desde,
                                               hasta);
        },
        [this](FinTrabajo<ResultadoExportacion> d) {
            terminaExportacion(std::move(d).o(fallido<ResultadoExportacion>));
        });
    if (!iniciada)
        return;
    habilita({txtArchivo_, drive1_, cmdExaminar_, mhgReja_, cmdProceder_}, false);
    setCursor(Qt::BusyCursor);
    avance_->comienza(QStringLiteral("Escribiendo %1…").arg(transferencia::nombreArchivo(nombre)));
}

void BajarPedidos::terminaBusqueda(FinTrabajo<exportacion::ListaExportar> desenlace) {
    unsetCursor();
    habilita({mkeFecha_[0], mkeFecha_[1], cmdAceptar_}, true);
    if (!desenlace.ok()) {
        avisaError(desenlace.fallo());
        mkeFecha_[0]->setFocus();
        return;
    }
    std::vector<FilaExportar>& filas = desenlace.valor().filas;
    avisoFechas_->avisa(host::TextoConDetalle::separa(desenlace.valor().aviso).principal);
    if (filas.empty()) {
        CajaMensaje::muestra(this, QStringLiteral("No hay pedidos registrados con esos datos"),
                             CajaMensaje::Icono::Exclamacion, QStringLiteral("Atención"));
        mkeFecha_[0]->setFocus();
        return;
    }
    modelo_->pon(std::move(filas));
    muestraCuentas(true);
    habilita({mkeFecha_[0], mkeFecha_[1]}, false);
    cmdAceptar_->hide();
    label5_->show();
    cmdProceder_->show();
    mhgReja_->show();
    mhgReja_->setEnabled(true);
    mhgReja_->setCurrentIndex(modelo_->index(0, ModeloPedidosExportar::Pasar));
    mhgReja_->setFocus();
}

namespace {

// The warnings a message box shows; the rest are in the report it offers.
constexpr qsizetype avisosEnMensaje = 10;

// What an export did, then the orders it left out and the characters the file could not
// hold.
QString mensajeExportacion(const ResultadoExportacion& r) {
    // A cancelled export wrote nothing to warn about.
    if (r.avisos.isEmpty() || r.cancelado)
        return r.mensaje;
    QString texto = r.mensaje + QStringLiteral("\n\n") +
                    r.avisos.mid(0, avisosEnMensaje).join(QLatin1Char('\n'));
    if (r.avisos.size() > avisosEnMensaje)
        texto += QStringLiteral("\n… y %1 (véalos todos en el informe).")
                     .arg(cantidad(r.avisos.size() - avisosEnMensaje, QStringLiteral("aviso más"),
                                   QStringLiteral("avisos más")));
    return texto;
}

Informe informeAvisos(const ResultadoExportacion& r) {
    Informe informe;
    informe.titulo = QStringLiteral("Avisos de la exportación");
    informe.resumen = r.mensaje;
    informe.columnas = {QStringLiteral("Aviso")};
    for (const QString& aviso : r.avisos)
        informe.renglones.push_back({aviso});
    return informe;
}

} // namespace

void BajarPedidos::terminaExportacion(ResultadoExportacion r) {
    unsetCursor();
    bitacora::avisaSinBitacora(programa_, r.avisoBitacora);
    CajaMensaje::Accion verAvisos;
    if (r.avisos.size() > avisosEnMensaje && !r.cancelado) {
        verAvisos.texto = QStringLiteral("Ver informe");
        verAvisos.hacer = [this, informe = informeAvisos(r)] {
            InformeVentana::muestra(this, informe);
        };
    }
    if (r.ok) {
        if (!r.copia.isEmpty())
            UltimosUsados(programa_.archivoIni)
                .guarda({{UltimosUsados::claveDestino(),
                          QDir::toNativeSeparators(QFileInfo(r.copia).absolutePath())},
                         {UltimosUsados::claveArchivo(), QFileInfo(r.copia).fileName()}});
        CajaMensaje::muestra(this, mensajeExportacion(r),
                             r.avisos.isEmpty() ? CajaMensaje::Icono::Informacion
                                                : CajaMensaje::Icono::Exclamacion,
                             QStringLiteral("Exportar pedidos"), verAvisos);
        reinicia();
        return;
    }
    // Back to naming the file: another name or folder may work.
    if (r.cancelado)
        CajaMensaje::muestra(this, mensajeExportacion(r), CajaMensaje::Icono::Exclamacion,
                             QStringLiteral("Atención"), verAvisos);
    else
        CajaMensaje::muestra(this, mensajeExportacion(r), CajaMensaje::Icono::Critico,
                             QStringLiteral("Error"), verAvisos);
    muestraNombre(true);
    cmdProceder_->setEnabled(true);
    txtArchivo_->setFocus();
}

void BajarPedidos::reinicia() {
    habilita({mkeFecha_[0], mkeFecha_[1], cmdAceptar_}, true);
    cmdAceptar_->show();
    for (QWidget* w : Controles{mhgReja_, label5_, cmdProceder_}) {
        w->hide();
        w->setEnabled(true);
    }
    muestraNombre(false);
    muestraCuentas(false);
    avisoArchivo_->limpia();
    mkeFecha_[0]->setFocus();
    unsetCursor();
}

void BajarPedidos::muestraCuentas(bool visible) {
    for (QWidget* w : Controles{cuenta_, cmdMarcarTodos_, cmdDesmarcarTodos_}) {
        w->setVisible(visible);
        w->setEnabled(true);
    }
}

void BajarPedidos::cuenta() {
    cuenta_->setText(
        QStringLiteral("Marcados: %1 de %2; total de los marcados: %3")
            .arg(numeroConMiles(modelo_->cuantosMarcados()),
                 cantidad(modelo_->rowCount(), QStringLiteral("pedido"), QStringLiteral("pedidos")),
                 modelo_->importeCentavos(modelo_->centavosMarcados())));
}

void BajarPedidos::avisaError(const QString& mensaje) {
    CajaMensaje::muestra(this, mensaje, CajaMensaje::Icono::Critico, QStringLiteral("Error"));
}
