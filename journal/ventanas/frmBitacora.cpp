#include "journal/ventanas/frmBitacora.h"

#include "journal/InformeCorrida.h"
#include "journal/LectorBitacora.h"
#include "journal/ventanas/ModelosBitacora.h"
#include "sales/NombresEmpresas.h"
#include "shell/Cantidad.h"
#include "shell/Programa.h"
#include "shell/host/TextoConDetalle.h"
#include "shell/ventanas/CampoTexto.h"
#include "shell/ventanas/HiloTrabajo.h"
#include "shell/ventanas/InformeVentana.h"
#include "shell/ventanas/Teclado.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Runs per page: a screenful many times over, read in a moment whatever the journal's size.
constexpr int corridasPorPagina = 500;

QTableView* tabla(const QString& nombre, QAbstractItemModel* modelo, QWidget* padre) {
    auto* t = new QTableView(padre);
    t->setObjectName(nombre);
    t->setModel(modelo);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table: the arrows move between its rows.
    t->setTabKeyNavigation(false);
    t->setWordWrap(false);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->horizontalHeader()->setStretchLastSection(true);
    t->horizontalHeader()->setHighlightSections(false);
    return t;
}

// What the list holds. A count only of what could be read: "0 corridas" over a journal that
// could not be read would say that nothing ran.
QString textoEstado(int n, const bitacora::Lectura& l, const QString& fallo,
                    QStringList& detalles) {
    const QString corridas = cantidad(n, QStringLiteral("corrida"), QStringLiteral("corridas"));
    QStringList estado;
    if (n == 0 && (!fallo.isEmpty() || !l.fallos.isEmpty()))
        estado << QStringLiteral("No se pudo leer la bitácora, así que no se sabe qué corridas "
                                 "hubo. Revise la conexión con el servidor y pulse "
                                 "\"Consultar\" otra vez.");
    else if (!fallo.isEmpty())
        estado
            << QStringLiteral("Se muestran %1; las anteriores no se pudieron leer.").arg(corridas);
    else if (l.hayMas)
        estado << QStringLiteral("Las %1 más recientes; al bajar por la lista se leen "
                                 "las anteriores.")
                      .arg(corridas);
    else if (!l.fallos.isEmpty())
        estado << QStringLiteral("%1 de las bases de datos que se pudieron leer.").arg(corridas);
    else
        estado << corridas + QLatin1Char('.');
    QStringList fallos = l.fallos;
    if (!fallo.isEmpty())
        fallos << fallo;
    for (const QString& f : std::as_const(fallos)) {
        const host::TextoConDetalle t = host::TextoConDetalle::separa(f);
        estado << t.principal;
        if (!t.detalle.isEmpty())
            detalles << t.detalle;
    }
    return estado.join(QLatin1Char('\n'));
}

} // namespace

frmBitacora::frmBitacora(Programa& programa, QWidget* parent)
    : QWidget(parent, Qt::Window), programa_(programa), hilo_(new HiloTrabajo(this)) {
    setObjectName(QStringLiteral("frmBitacora"));
    setWindowTitle(QStringLiteral("Bitácora"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(980, 620);
    // Through close(), as the close button would.
    Teclado::cierraConEscape(*this);
    construye();
}

frmBitacora::~frmBitacora() = default;

frmBitacora* frmBitacora::muestra(Programa& programa, QWidget* parent) {
    auto* ventana = parent->findChild<frmBitacora*>(QString(), Qt::FindDirectChildrenOnly);
    if (!ventana)
        ventana = new frmBitacora(programa, parent);
    ventana->show();
    ventana->raise();
    ventana->activateWindow();
    return ventana;
}

void frmBitacora::construye() {
    auto* lblDesde = new QLabel(QStringLiteral("Desde:"), this);
    auto* lblHasta = new QLabel(QStringLiteral("Hasta:"), this);
    auto* lblOperacion = new QLabel(QStringLiteral("Operación:"), this);
    for (int i = 0; i < 2; ++i) {
        mkeFecha_[i] =
            CampoTexto::creaFecha(QStringLiteral("mkeFecha(%1)").arg(i), QLatin1Char('!'), this);
        // Empty: no bound on that side.
        CampoTexto::ponFecha(*mkeFecha_[i], {});
    }
    cmbOperacion_ = new QComboBox(this);
    cmbOperacion_->setObjectName(QStringLiteral("cmbOperacion"));
    cmbOperacion_->addItem(QStringLiteral("Todas"), -1);
    for (auto o : {bitacora::Operacion::Acumulacion, bitacora::Operacion::Exportacion,
                   bitacora::Operacion::Importacion, bitacora::Operacion::Deshacer})
        cmbOperacion_->addItem(bitacora::texto(o), int(o));
    cmdConsultar_ = new QPushButton(QStringLiteral("&Consultar"), this);
    cmdConsultar_->setObjectName(QStringLiteral("cmdConsultar"));
    cmdConsultar_->setDefault(true);

    corridas_ = new ModeloCorridas(this);
    pedidos_ = new ModeloPedidosBitacora(this);
    mhgCorridas_ = tabla(QStringLiteral("mhgCorridas"), corridas_, this);
    mhgPedidos_ = tabla(QStringLiteral("mhgPedidos"), pedidos_, this);
    const int momento =
        mhgCorridas_->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 16;
    // The database with its company's name beside it.
    const int base = mhgCorridas_->fontMetrics().horizontalAdvance(
                         QStringLiteral("empresa10 (Empresa de demostración 10)")) +
                     16;
    const int anchos[ModeloCorridas::Columnas] = {momento, momento, 95,  base, 80,
                                                  60,      70,      260, 200,  300};
    for (int c = 0; c < ModeloCorridas::Columnas; ++c)
        mhgCorridas_->setColumnWidth(c, anchos[c]);
    for (int c = 0; c < ModeloPedidosBitacora::Columnas; ++c)
        mhgPedidos_->setColumnWidth(c, c == ModeloPedidosBitacora::Archivo      ? 280
                                       : c == ModeloPedidosBitacora::BaseOrigen ? base
                                                                                : 110);
    lblDetalle_ = new QLabel(this);
    lblDetalle_->setObjectName(QStringLiteral("lblDetalle"));
    lblDetalle_->setWordWrap(true);
    // Messages, company names and the server's texts are shown as written, never as markup.
    lblDetalle_->setTextFormat(Qt::PlainText);
    lblDetalle_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblEstado_ = new QLabel(this);
    lblEstado_->setObjectName(QStringLiteral("lblEstado"));
    lblEstado_->setWordWrap(true);
    lblEstado_->setTextFormat(Qt::PlainText);
    cmdVerInforme_ = new QPushButton(QStringLiteral("&Ver informe"), this);
    cmdVerInforme_->setObjectName(QStringLiteral("cmdVerInforme"));
    cmdVerInforme_->setAutoDefault(false);
    cmdVerInforme_->setEnabled(false);
    cmdVerInforme_->setToolTip(QStringLiteral("El informe de la corrida elegida, como la bitácora "
                                              "lo guarda, para copiarlo, guardarlo o imprimirlo."));
    auto* cmdCerrar = new QPushButton(QStringLiteral("C&errar"), this);
    cmdCerrar->setObjectName(QStringLiteral("cmdCerrar"));
    cmdCerrar->setAutoDefault(false);
    cmdDeshacer_ = new QPushButton(QStringLiteral("&Deshacer…"), this);
    cmdDeshacer_->setObjectName(QStringLiteral("cmdDeshacer"));
    cmdDeshacer_->setEnabled(false);
    cmdDeshacer_->setToolTip(QStringLiteral("Deshace la importación o la acumulación elegida: "
                                            "primero muestra lo que haría."));

    auto* filtro = new QHBoxLayout;
    filtro->addWidget(lblDesde);
    filtro->addWidget(mkeFecha_[0]);
    filtro->addSpacing(12);
    filtro->addWidget(lblHasta);
    filtro->addWidget(mkeFecha_[1]);
    filtro->addSpacing(12);
    filtro->addWidget(lblOperacion);
    filtro->addWidget(cmbOperacion_);
    filtro->addStretch();
    filtro->addWidget(cmdConsultar_);
    cmdQueLlego_ = new QPushButton(QStringLiteral("¿&Qué llegó?"), this);
    cmdQueLlego_->setObjectName(QStringLiteral("cmdQueLlego"));
    cmdQueLlego_->setToolTip(QStringLiteral("Compara la exportación elegida con lo que llegó a "
                                            "su destino"));
    cmdQueLlego_->setEnabled(false);
    filtro->addWidget(cmdQueLlego_);

    auto* abajo = new QWidget(this);
    auto* columnaAbajo = new QVBoxLayout(abajo);
    columnaAbajo->setContentsMargins(0, 0, 0, 0);
    auto* detalle = new QHBoxLayout;
    detalle->addWidget(lblDetalle_, 1);
    detalle->addWidget(cmdDeshacer_, 0, Qt::AlignTop);
    columnaAbajo->addLayout(detalle);
    columnaAbajo->addWidget(mhgPedidos_, 1);
    auto* partes = new QSplitter(Qt::Vertical, this);
    partes->addWidget(mhgCorridas_);
    partes->addWidget(abajo);
    partes->setStretchFactor(0, 1);
    partes->setStretchFactor(1, 1);

    auto* columna = new QVBoxLayout(this);
    columna->addLayout(filtro);
    columna->addWidget(partes, 1);
    auto* botones = new QHBoxLayout;
    botones->addWidget(lblEstado_, 1);
    botones->addWidget(cmdVerInforme_, 0, Qt::AlignBottom);
    botones->addWidget(cmdCerrar, 0, Qt::AlignBottom);
    columna->addLayout(botones);

    connect(cmdVerInforme_, &QPushButton::clicked, this, &frmBitacora::verInforme);
    connect(cmdCerrar, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdConsultar_, &QPushButton::clicked, this, &frmBitacora::consulta);
    connect(cmdQueLlego_, &QPushButton::clicked, this, [this] {
        if (const bitacora::Corrida* c = corridas_->corrida(mhgCorridas_->currentIndex().row()))
            emit queLlego(c->id, c->operacion, c->base, c->parametros.destino);
    });
    connect(cmbOperacion_, &QComboBox::activated, this, &frmBitacora::consulta);
    connect(mhgCorridas_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmBitacora::eligeCorrida);
    connect(corridas_, &ModeloCorridas::masPedidas, this, &frmBitacora::cargaMas);
    connect(cmdDeshacer_, &QPushButton::clicked, this, [this] {
        if (const bitacora::Corrida* c = corridas_->corrida(mhgCorridas_->currentIndex().row()))
            emit deshacerPedido(c->id, c->operacion, c->base);
    });
}

void frmBitacora::showEvent(QShowEvent* evento) {
    QWidget::showEvent(evento);
    if (primeraVez_) {
        primeraVez_ = false;
        consulta();
    }
}

bool frmBitacora::ocupado() const {
    return hilo_->ocupado() || consultaPendiente_ || pedidosPendientes_ || masPendientes_;
}

void frmBitacora::consulta() {
    if (hilo_->ocupado()) {
        consultaPendiente_ = true;
        return;
    }
    consultaPendiente_ = false;
    bitacora::Seleccion filtro;
    for (int i = 0; i < 2; ++i) {
        const QDate f = CampoTexto::fecha(*mkeFecha_[i]);
        if (f.isValid())
            (i == 0 ? filtro.desde : filtro.hasta) = f;
        else
            CampoTexto::ponFecha(*mkeFecha_[i], {});
    }
    if (const int o = cmbOperacion_->currentData().toInt(); o >= 0)
        filtro.operacion = bitacora::Operacion(o);
    // Made here, connected on the worker thread at its first page.
    auto lector = std::make_shared<bitacora::LectorBitacora>(
        *programa_.bases, bitacora::BasesConBitacora(programa_), filtro);
    if (!hilo_->inicia(
            [lector](Trabajador&) { return lector->siguientes(corridasPorPagina); },
            [this](FinTrabajo<bitacora::Lectura> d) { terminaCorridas(std::move(d), true); }))
        return;
    lector_ = std::move(lector);
    corridas_->ponHayMas(false);
    lblEstado_->setText(QStringLiteral("Leyendo la bitácora…"));
    setCursor(Qt::BusyCursor);
}

void frmBitacora::cargaMas() {
    if (hilo_->ocupado()) {
        masPendientes_ = true;
        return;
    }
    masPendientes_ = false;
    const std::shared_ptr<bitacora::LectorBitacora> lector = lector_;
    if (!lector || lector->terminado())
        return;
    if (!hilo_->inicia(
            [lector](Trabajador&) { return lector->siguientes(corridasPorPagina); },
            [this](FinTrabajo<bitacora::Lectura> d) { terminaCorridas(std::move(d), false); }))
        return;
    lblEstado_->setText(QStringLiteral("Leyendo más corridas…"));
}

void frmBitacora::eligeCorrida() {
    pedidos_->pon({});
    leidos_.reset();
    cmdVerInforme_->setEnabled(false);
    const bitacora::Corrida* c = corridas_->corrida(mhgCorridas_->currentIndex().row());
    cmdQueLlego_->setEnabled(c && c->operacion == bitacora::Operacion::Exportacion);
    // Only an import or an accumulation changed data; one still running is not taken back.
    cmdDeshacer_->setEnabled(c &&
                             (c->operacion == bitacora::Operacion::Acumulacion ||
                              c->operacion == bitacora::Operacion::Importacion) &&
                             (c->desenlace != bitacora::EstadoCorrida::EnCurso || c->interrumpida));
    if (!c) {
        lblDetalle_->clear();
        return;
    }
    for (int col = 0; col < ModeloPedidosBitacora::Columnas; ++col)
        mhgPedidos_->setColumnHidden(col, !ModeloPedidosBitacora::aplica(c->operacion, col));
    QString detalle = QStringLiteral("%1 en %2: %3. %4")
                          .arg(bitacora::texto(c->operacion),
                               acumulacion::conEmpresa(c->base, corridas_->empresas()),
                               bitacora::textoDesenlace(*c), bitacora::textoUsuarios(*c));
    if (!c->mensaje.isEmpty())
        detalle += QLatin1Char('\n') + c->mensaje;
    lblDetalle_->setText(detalle);
    cargaPedidos();
}

void frmBitacora::cargaPedidos() {
    if (hilo_->ocupado()) {
        pedidosPendientes_ = true;
        return;
    }
    pedidosPendientes_ = false;
    const bitacora::Corrida* c = corridas_->corrida(mhgCorridas_->currentIndex().row());
    if (!c)
        return;
    const host::BasesDD bases = *programa_.bases;
    const bitacora::Corrida corrida = *c;
    if (!hilo_->inicia([=](Trabajador&) { return bitacora::LeePedidos(bases, corrida); },
                       [this, corrida](FinTrabajo<QVector<bitacora::PedidoAnotado>> d) {
                           terminaPedidos(std::move(d), corrida);
                       }))
        return;
    setCursor(Qt::BusyCursor);
}

void frmBitacora::terminaCorridas(FinTrabajo<bitacora::Lectura> desenlace, bool nueva) {
    unsetCursor();
    const QString fallo = desenlace.fallo();
    const bitacora::Lectura l =
        std::move(desenlace).o([](const QString&) { return bitacora::Lectura(); });
    if (nueva) {
        // The orders and the pages asked for belong to the list being replaced.
        pedidosPendientes_ = false;
        masPendientes_ = false;
        corridas_->ponEmpresas(l.empresas);
        pedidos_->ponEmpresas(l.empresas);
        corridas_->pon(l.corridas);
    } else {
        corridas_->agrega(l.corridas);
    }
    corridas_->ponHayMas(l.hayMas);
    QStringList detalles;
    lblEstado_->setText(textoEstado(corridas_->rowCount(), l, fallo, detalles));
    // The driver's words in the tooltip, for whoever supports the clerk.
    lblEstado_->setToolTip(detalles.join(QLatin1Char('\n')));
    if (nueva) {
        if (!l.corridas.isEmpty())
            mhgCorridas_->setCurrentIndex(corridas_->index(0, 0));
        else
            eligeCorrida();
    }
    siguiente();
}

void frmBitacora::terminaPedidos(FinTrabajo<QVector<bitacora::PedidoAnotado>> desenlace,
                                 const bitacora::Corrida& leida) {
    unsetCursor();
    if (!desenlace.ok()) {
        lblEstado_->setText(QStringLiteral("No se pudieron leer los pedidos de la corrida: %1")
                                .arg(desenlace.fallo()));
    } else {
        const bitacora::Corrida* c = corridas_->corrida(mhgCorridas_->currentIndex().row());
        // Kept only while the same run is still selected.
        if (c && c->base == leida.base && c->id == leida.id) {
            leidos_ = std::move(desenlace.valor());
            pedidos_->pon(*leidos_);
            cmdVerInforme_->setEnabled(true);
        }
    }
    siguiente();
}

void frmBitacora::verInforme() {
    const bitacora::Corrida* c = corridas_->corrida(mhgCorridas_->currentIndex().row());
    if (!c || !leidos_)
        return;
    InformeVentana::muestra(this, bitacora::InformeCorrida(*c, *leidos_, corridas_->empresas()));
}

void frmBitacora::siguiente() {
    if (consultaPendiente_)
        consulta();
    else if (pedidosPendientes_)
        cargaPedidos();
    else if (masPendientes_)
        cargaMas();
}
