#include "accumulation/ventanas/TabAcumular.h"

#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/InformeAcumulacion.h"
#include "accumulation/clsAcumular.h"
#include "journal/AvisoBitacora.h"
#include "shell/Cantidad.h"
#include "shell/host/Conexion.h"
#include "shell/host/libNucleo.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/CampoTexto.h"
#include "shell/ventanas/HiloTrabajo.h"
#include "shell/ventanas/InformeVentana.h"
#include "shell/ventanas/LineaAviso.h"
#include "shell/ventanas/PanelAvance.h"

#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <utility>

using acumulacion::ConOmitidas;
using acumulacion::ListaOmitidas;
using acumulacion::Resultado;

namespace {

// The window moves orders in small groups, so the folio box counts up and "Cancelar" is
// heard soon, at little cost in speed.
constexpr int pedidosPorTransaccion = 10;

// The folio box's text as a folio: its leading number, within the folio's range.
qint32 folioDe(const QString& texto) {
    const double n = host::libNucleo::nxVal(texto);
    return qint32(std::clamp(n, 0.0, double(std::numeric_limits<qint32>::max())));
}

// What the worker hands to the tab, every 50 ms at most (the first at once, the rest when
// it is done): a call per line or per order keeps the tab busy, and the window frozen,
// while the work runs ahead.
template <typename T> class Entregas {
public:
    using Recibe = std::function<void(const QVector<T>&)>;
    // recibe runs on the tab's thread.
    Entregas(Trabajador& t, Recibe recibe) : trabajador_(t), recibe_(std::move(recibe)) {}
    ~Entregas() { entrega(); }
    void agrega(const T& valor) {
        pendientes_ << valor;
        if (!reloj_.isValid() || reloj_.hasExpired(50))
            entrega();
    }

private:
    void entrega() {
        if (pendientes_.isEmpty())
            return;
        trabajador_.enVentana(
            [recibe = recibe_, lote = std::exchange(pendientes_, {})] { recibe(lote); });
        reloj_.start();
    }

    Trabajador& trabajador_;
    const Recibe recibe_;
    QVector<T> pendientes_;
    QElapsedTimer reloj_;
};

} // namespace

TabAcumular::TabAcumular(Programa& programa, QWidget* parent)
    : QWidget(parent), programa_(programa), hilo_(new HiloTrabajo(this)),
      lecturas_(new HiloTrabajo(this)), pausaCliente_(new QTimer(this)) {
    setObjectName(QStringLiteral("TabAcumular"));
    construye();
    avance_->sigue(*hilo_);
    // About the pause between two keys of someone typing a key: one read per key typed would
    // queue behind each other on a slow server.
    pausaCliente_->setSingleShot(true);
    pausaCliente_->setInterval(250);
    connect(pausaCliente_, &QTimer::timeout, this, [this] {
        pideCliente_ = true;
        lee();
    });
}

// Declared here so the header needs no definition of the connection.
TabAcumular::~TabAcumular() = default;

QLabel* TabAcumular::etiqueta(int indice, const QString& texto) {
    auto* l = new QLabel(texto, this);
    l->setObjectName(QStringLiteral("lblEtiqueta(%1)").arg(indice));
    lblEtiqueta_[indice] = l;
    return l;
}

void TabAcumular::construye() {
    etiqueta(3, QStringLiteral("Base de datos a usar: ") + programa_.bases->cMiBase);
    QFont titulo = lblEtiqueta_[3]->font();
    titulo.setBold(true);
    lblEtiqueta_[3]->setFont(titulo);

    for (int i = 0; i < 3; ++i) {
        mskFecha_[i] =
            CampoTexto::creaFecha(QStringLiteral("mskFecha(%1)").arg(i), QLatin1Char('9'), this);
        mskFecha_[i]->installEventFilter(this);
    }
    txtCliente_ = new QLineEdit(this);
    txtCliente_->setObjectName(QStringLiteral("txtCliente"));
    CampoTexto::instala(txtCliente_, QLatin1Char('!'));
    txtCliente_->installEventFilter(this);
    txtResultado_ = new QPlainTextEdit(this);
    txtResultado_->setObjectName(QStringLiteral("txtResultado"));
    txtResultado_->setReadOnly(true);
    txtResultado_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtResultado_->hide();
    lblNotas_ = new QLabel(this);
    lblNotas_->setObjectName(QStringLiteral("lblNotas"));
    lblNotas_->setWordWrap(true);
    lblNotas_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblNotas_->hide();
    command4_ = new QPushButton(QStringLiteral("&Buscar pedidos"), this);
    command4_->setObjectName(QStringLiteral("Command4"));
    cmbDato_ = new QComboBox(this);
    cmbDato_->setObjectName(QStringLiteral("cmbDato"));
    cmbDato_->setMinimumWidth(90);
    txtFolio_ = new QLineEdit(this);
    txtFolio_->setObjectName(QStringLiteral("txtFolio"));
    txtFolio_->setMaxLength(10);
    txtFolio_->setFixedWidth(mskFecha_[0]->width());
    CampoTexto::instala(txtFolio_, QLatin1Char('9'));
    txtFolio_->installEventFilter(this);
    command5_ = new QPushButton(QStringLiteral("&Generar pedido"), this);
    command5_->setObjectName(QStringLiteral("Command5"));
    command5_->hide();
    avance_ = new PanelAvance(this);

    auto* rejilla = new QGridLayout(this);
    rejilla->addWidget(lblEtiqueta_[3], 0, 0, 1, 6);
    rejilla->addWidget(etiqueta(0, QStringLiteral("Fecha inicial:")), 1, 0);
    rejilla->addWidget(mskFecha_[0], 1, 1);
    rejilla->addWidget(etiqueta(1, QStringLiteral("Fecha final:")), 1, 2);
    rejilla->addWidget(mskFecha_[1], 1, 3);
    rejilla->addWidget(etiqueta(2, QStringLiteral("Cliente:")), 2, 0);
    rejilla->addWidget(txtCliente_, 2, 1);
    avisoCliente_ = new LineaAviso(QStringLiteral("lblAvisoCliente"), this);
    auto* cliente = new QVBoxLayout;
    cliente->setContentsMargins(0, 0, 0, 0);
    cliente->addWidget(etiqueta(6, QString()));
    cliente->addWidget(avisoCliente_);
    rejilla->addLayout(cliente, 2, 2, 1, 4);
    rejilla->addWidget(txtResultado_, 3, 0, 1, 6);
    rejilla->addWidget(lblNotas_, 4, 0, 1, 5);
    rejilla->addWidget(command4_, 4, 5);
    rejilla->addWidget(etiqueta(9, QStringLiteral("Datos del pedido a generar:")), 5, 0, 1, 6);
    rejilla->addWidget(etiqueta(7, QStringLiteral("Serie:")), 6, 0);
    rejilla->addWidget(cmbDato_, 6, 1);
    rejilla->addWidget(etiqueta(8, QStringLiteral("Folio:")), 6, 2);
    rejilla->addWidget(txtFolio_, 6, 3);
    rejilla->addWidget(etiqueta(10, QStringLiteral("Fecha del pedido:")), 7, 0);
    rejilla->addWidget(mskFecha_[2], 7, 1);
    rejilla->addWidget(command5_, 7, 5);
    rejilla->addWidget(avance_, 8, 0, 1, 6);
    rejilla->setColumnStretch(4, 1);
    rejilla->setRowStretch(3, 1);
    lblEtiqueta_[9]->setFont(titulo);

    setTabOrder(mskFecha_[0], mskFecha_[1]);
    setTabOrder(mskFecha_[1], txtCliente_);
    setTabOrder(txtCliente_, command4_);
    setTabOrder(command4_, cmbDato_);
    setTabOrder(cmbDato_, txtFolio_);
    setTabOrder(txtFolio_, mskFecha_[2]);
    setTabOrder(mskFecha_[2], command5_);

    connect(cmbDato_, &QComboBox::currentIndexChanged, this, &TabAcumular::eligeSerie);
    connect(txtCliente_, &QLineEdit::textChanged, this, &TabAcumular::cambiaCliente);
    connect(command4_, &QPushButton::clicked, this, &TabAcumular::buscaPedidos);
    connect(command5_, &QPushButton::clicked, this, &TabAcumular::generaPedido);
}

bool TabAcumular::ocupado() const {
    return hilo_->ocupado();
}

bool TabAcumular::leyendo() const {
    return leyendo_ != Lectura::Ninguna || pideEntrada_ || pideFolio_ || pideCliente_ ||
           pausaCliente_->isActive();
}

QString TabAcumular::trabajoEnCurso() const {
    switch (operacion_) {
    case Operacion::Busqueda:
        return QStringLiteral("Se están buscando pedidos pendientes.");
    case Operacion::Generacion:
        return QStringLiteral("Se están generando pedidos. Si se cancela, el pedido en curso se "
                              "termina y los ya generados se conservan.");
    case Operacion::Ninguna:
        break;
    }
    return {};
}

void TabAcumular::cancelaParaCerrar() {
    if (!ocupado())
        return;
    cerrando_ = true;
    avance_->cancela();
}

void TabAcumular::entra() {
    if (ocupado())
        return;
    avance_->termina();
    command5_->hide();
    hallazgo_.reset();
    txtResultado_->clear();
    txtResultado_->hide();
    notas({});
    CampoTexto::ponFecha(*mskFecha_[2], QDate::currentDate());
    lblEtiqueta_[3]->setText(QStringLiteral("Base de datos a usar: ") + programa_.bases->cMiBase);

    {
        // The list is refilled quietly once read; the folio is proposed with it.
        const QSignalBlocker quieto(cmbDato_);
        cmbDato_->clear();
    }
    txtFolio_->clear();
    // Opened on every entry: a connection lost since the last one is replaced. What a read
    // of an earlier entry answers is dropped.
    conexion_.reset();
    ++entrada_;
    pideEntrada_ = true;
    pideFolio_ = pideCliente_ = false;
    pausaCliente_->stop();
    {
        const QSignalBlocker quieto(txtCliente_);
        txtCliente_->clear();
    }
    lblEtiqueta_[6]->clear();
    avisoCliente_->limpia();
    lee();
    habilita();
    mskFecha_[0]->setFocus();
}

void TabAcumular::eligeSerie() {
    pideFolio_ = true;
    lee();
    habilita();
}

void TabAcumular::cambiaCliente() {
    lblEtiqueta_[6]->clear();
    if (!txtCliente_->text().trimmed().isEmpty())
        avisoCliente_->limpia();
    pideCliente_ = false;
    if (txtCliente_->text().trimmed().isEmpty())
        pausaCliente_->stop();
    else
        pausaCliente_->start();
}

bool TabAcumular::folioListo() const {
    return !pideEntrada_ && !pideFolio_ && leyendo_ != Lectura::Entrada &&
           leyendo_ != Lectura::Folio;
}

void TabAcumular::lee() {
    if (leyendo_ != Lectura::Ninguna)
        return;
    if (pideEntrada_) {
        leeEntrada();
        return;
    }
    // Without a connection (its entry failed) nothing more is read until the next entry.
    if (!conexion_) {
        pideFolio_ = pideCliente_ = false;
        return;
    }
    if (pideFolio_)
        leeFolio();
    if (leyendo_ == Lectura::Ninguna && pideCliente_)
        leeCliente();
}

namespace {

// What the entry reads: the connection it opened, the series and the folio proposed.
struct Entrada {
    std::shared_ptr<host::Conexion> conexion;
    bool conSeries = false;
    QStringList series;
    qint32 folio = 0;
};

} // namespace

void TabAcumular::leeEntrada() {
    pideEntrada_ = false;
    leyendo_ = Lectura::Entrada;
    const host::BasesDD bases = *programa_.bases;
    const quint64 entrada = entrada_;
    lecturas_->inicia(
        [bases](Trabajador&) {
            Entrada e;
            e.conexion = bases.abre(bases.cMiBase);
            e.conSeries = acumulacion::SeriesEnPedidos(*e.conexion);
            e.series = acumulacion::SeriesActivas(*e.conexion);
            // A hidden list still holds the series the generation uses, but the folio then
            // comes from the counter of the series without name.
            const bool visible = e.conSeries && !e.series.isEmpty();
            e.folio =
                acumulacion::FolioPropuesto(*e.conexion, visible ? e.series.first() : QString());
            return e;
        },
        [this, entrada](FinTrabajo<Entrada> d) {
            leyendo_ = Lectura::Ninguna;
            if (entrada == entrada_) {
                if (!d.ok()) {
                    falloLectura(d.fallo());
                } else {
                    Entrada& e = d.valor();
                    conexion_ = std::move(e.conexion);
                    const bool conSeries = e.conSeries && !e.series.isEmpty();
                    cmbDato_->setVisible(conSeries);
                    lblEtiqueta_[7]->setVisible(conSeries);
                    {
                        const QSignalBlocker quieto(cmbDato_);
                        cmbDato_->addItems(e.series);
                        if (!e.series.isEmpty())
                            cmbDato_->setCurrentIndex(0);
                    }
                    txtFolio_->setText(QString::number(e.folio));
                }
            }
            lee();
            habilita();
        });
}

void TabAcumular::leeFolio() {
    pideFolio_ = false;
    // A hidden list still holds the series the generation uses, but the folio then comes
    // from the counter of the series without name.
    const bool visible = !cmbDato_->isHidden();
    if (visible && cmbDato_->count() == 0)
        return;
    const QString serie = visible ? cmbDato_->currentText() : QString();
    leyendo_ = Lectura::Folio;
    const quint64 entrada = entrada_;
    lecturas_->inicia([conexion = conexion_, serie](
                          Trabajador&) { return acumulacion::FolioPropuesto(*conexion, serie); },
                      [this, entrada](FinTrabajo<qint32> d) {
                          leyendo_ = Lectura::Ninguna;
                          // A series chosen meanwhile has its own read asked for, which comes next.
                          if (entrada == entrada_ && !pideFolio_) {
                              if (d.ok())
                                  txtFolio_->setText(QString::number(d.valor()));
                              else
                                  falloLectura(d.fallo());
                          }
                          lee();
                          habilita();
                      });
}

void TabAcumular::leeCliente() {
    pideCliente_ = false;
    const QString clave = txtCliente_->text().trimmed();
    if (clave.isEmpty())
        return;
    leyendo_ = Lectura::Cliente;
    const quint64 entrada = entrada_;
    lecturas_->inicia([conexion = conexion_,
                       clave](Trabajador&) { return acumulacion::NombreCliente(*conexion, clave); },
                      [this, entrada, clave](FinTrabajo<QString> d) {
                          leyendo_ = Lectura::Ninguna;
                          // The name of a key no longer in the box is not shown.
                          if (entrada == entrada_ && txtCliente_->text().trimmed() == clave) {
                              if (d.ok())
                                  lblEtiqueta_[6]->setText(d.valor());
                              else
                                  falloLectura(d.fallo());
                          }
                          lee();
                          habilita();
                      });
}

void TabAcumular::falloLectura(const QString& mensaje) {
    // Told once: the next entry to the tab opens the connection again.
    conexion_.reset();
    pideFolio_ = pideCliente_ = false;
    pausaCliente_->stop();
    avisaError(mensaje);
}

bool TabAcumular::filtraCliente(QEvent* evento) {
    const auto escape = [evento] {
        return static_cast<QKeyEvent*>(evento)->key() == Qt::Key_Escape;
    };
    switch (evento->type()) {
    case QEvent::FocusIn:
        // Not when the box takes the focus back after refusing to be left empty: what it
        // held before is what Escape restores.
        if (!avisoCliente_->isVisible())
            clienteAlEntrar_ = txtCliente_->text();
        return false;
    case QEvent::ShortcutOverride:
        if (escape() && avisoCliente_->isVisible()) {
            evento->accept();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        if (!escape() || !avisoCliente_->isVisible())
            return false;
        // As it was when entered; a box that was empty then may be left empty again.
        txtCliente_->setText(clienteAlEntrar_);
        avisoCliente_->limpia();
        clienteLibre_ = true;
        focusNextChild();
        return true;
    default:
        return false;
    }
}

bool TabAcumular::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == txtCliente_ && filtraCliente(evento))
        return true;
    if (evento->type() != QEvent::FocusOut)
        return QWidget::eventFilter(objeto, evento);
    const Qt::FocusReason motivo = static_cast<QFocusEvent*>(evento)->reason();
    if (objeto == txtFolio_) {
        // The box always holds a whole number of the folio's range.
        txtFolio_->setText(QString::number(folioDe(txtFolio_->text())));
    } else if (objeto == txtCliente_) {
        txtCliente_->setText(txtCliente_->text().trimmed());
        // Leaving the box empty by the user's own move is not allowed; losing the focus to
        // another window or a menu is.
        const bool movida = motivo == Qt::TabFocusReason || motivo == Qt::BacktabFocusReason ||
                            motivo == Qt::MouseFocusReason;
        const bool libre = std::exchange(clienteLibre_, false);
        if (txtCliente_->text().isEmpty() && movida && !libre) {
            avisoCliente_->avisa(QStringLiteral("Escriba la clave del cliente: este campo no "
                                                "puede quedar vacío. Pulse Esc para dejarlo "
                                                "como estaba."));
            QPointer<QLineEdit> cliente(txtCliente_);
            QTimer::singleShot(0, this, [cliente] {
                if (cliente && cliente->isVisible() && cliente->isEnabled())
                    cliente->setFocus(Qt::OtherFocusReason);
            });
        }
    } else {
        for (QLineEdit* campo : mskFecha_)
            if (objeto == campo && !CampoTexto::fecha(*campo).isValid())
                CampoTexto::ponFecha(*campo, QDate::currentDate());
    }
    return QWidget::eventFilter(objeto, evento);
}

void TabAcumular::validaFechas() {
    for (QLineEdit* campo : mskFecha_)
        if (!CampoTexto::fecha(*campo).isValid())
            CampoTexto::ponFecha(*campo, QDate::currentDate());
}

QDate TabAcumular::fecha(int indice) const {
    return CampoTexto::fecha(*mskFecha_[indice]);
}

acumulacion::Retrollamadas TabAcumular::retrollamadas(Trabajador& t, Operacion operacion) {
    acumulacion::Retrollamadas avisos;
    avisos.avance = [&t, operacion](const acumulacion::Avance& a) {
        QString texto = operacion == Operacion::Busqueda
                            ? QStringLiteral("Buscando en %1 (empresa %2 de %3)")
                            : QStringLiteral("Acumulando de %1 (empresa %2 de %3)");
        texto = texto.arg(a.base).arg(a.empresa).arg(a.empresas);
        if (a.pedidos > 0)
            texto += QStringLiteral(": pedido %1 de %2").arg(a.pedido).arg(a.pedidos);
        // Companies done, plus the share of the current one's orders, in thousandths.
        const qint64 parte = a.pedidos > 0 ? qint64(a.pedido) * 1000 / a.pedidos : 0;
        t.informa(texto, qint64(a.empresa - 1) * 1000 + parte, qint64(a.empresas) * 1000);
    };
    avisos.cancelar = [&t] { return t.cancelado(); };
    return avisos;
}

void TabAcumular::buscaPedidos() {
    busca(false);
}

void TabAcumular::busca(bool yGenerar) {
    if (ocupado())
        return;
    validaFechas();
    txtResultado_->clear();
    notas({});
    command5_->hide();
    hallazgo_.reset();
    const QDate desde = fecha(0), hasta = fecha(1);
    const host::BasesDD bases = *programa_.bases;
    // Lines show as they are found.
    auto muestra = [this](const QStringList& lineas) {
        txtResultado_->appendPlainText(lineas.join(QLatin1Char('\n')));
        txtResultado_->show();
    };
    lanza(Operacion::Busqueda, QStringLiteral("Buscando pedidos pendientes…"), [=](Trabajador& t) {
        acumulacion::Retrollamadas avisos = retrollamadas(t, Operacion::Busqueda);
        Entregas<QString> renglones(t, muestra);
        avisos.renglon = [&renglones](const QString& r) { renglones.agrega(r); };
        return acumulacion::clsAcumular(bases).BuscarPedidos(desde, hasta, avisos);
    });
    if (operacion_ != Operacion::Busqueda)
        return;
    buscadoDesde_ = desde;
    buscadoHasta_ = hasta;
    generarTrasBuscar_ = yGenerar;
}

void TabAcumular::lanza(Operacion operacion, const QString& texto,
                        std::function<Resultado(Trabajador&)> cuerpo) {
    if (!hilo_->inicia(std::move(cuerpo),
                       [this](FinTrabajo<Resultado> d) { termina(std::move(d)); }))
        return;
    operacion_ = operacion;
    habilita();
    avance_->comienza(texto);
    emit trabajando(true);
}

void TabAcumular::generaPedido() {
    if (ocupado() || !folioListo())
        return;
    validaFechas();
    if (!hallazgo_ || hallazgo_->desde != fecha(0) || hallazgo_->hasta != fecha(1))
        busca(true);
    else
        preguntaYGenera();
}

void TabAcumular::preguntaYGenera() {
    // Asked again once the folio is read: the button comes back on then.
    if (!folioListo())
        return;
    const int pedidos = hallazgo_ ? hallazgo_->pedidos : 0;
    const int empresas = hallazgo_ ? hallazgo_->empresas : 0;
    const QString pregunta =
        QStringLiteral("%1 %2 de %3.\n¿Desea generar el pedido, según los parámetros indicados?")
            .arg(pedidos == 1 ? QStringLiteral("Se acumulará") : QStringLiteral("Se acumularán"),
                 cantidad(pedidos, QStringLiteral("pedido"), QStringLiteral("pedidos")),
                 cantidad(empresas, QStringLiteral("empresa"), QStringLiteral("empresas")));
    if (!CajaMensaje::confirma(this, pregunta, QStringLiteral("Generar pedido"), true))
        return;
    const QDate desde = fecha(0), hasta = fecha(1);
    const QString serie = cmbDato_->currentText().trimmed();
    const qint32 folio = folioDe(txtFolio_->text());
    const host::BasesDD bases = *programa_.bases;
    // The folio box counts up; the orders stored are kept for the report.
    auto anota = [this](const QVector<acumulacion::FolioDado>& lote) {
        dados_ += lote;
        txtFolio_->setText(QString::number(lote.last().folio));
    };
    dados_.clear();
    lanza(Operacion::Generacion, QStringLiteral("Generando pedidos…"), [=](Trabajador& t) {
        acumulacion::Retrollamadas avisos = retrollamadas(t, Operacion::Generacion);
        Entregas<acumulacion::FolioDado> folios(t, anota);
        avisos.folio = [&folios](const acumulacion::FolioDado& d) { folios.agrega(d); };
        acumulacion::clsAcumular acumular(bases);
        acumular.setPedidosPorTransaccion(pedidosPorTransaccion);
        return acumular.GeneraPedido(desde, hasta, serie, folio, avisos);
    });
    if (operacion_ != Operacion::Generacion)
        return;
    generadoDesde_ = desde;
    generadoHasta_ = hasta;
}

void TabAcumular::termina(FinTrabajo<Resultado> desenlace) {
    const Operacion operacion = std::exchange(operacion_, Operacion::Ninguna);
    const Resultado r = std::move(desenlace).o(fallido<Resultado>);
    habilita();
    if (operacion == Operacion::Busqueda)
        terminaBusqueda(r);
    else if (operacion == Operacion::Generacion)
        terminaGeneracion(r);
    // A search may have gone on to a generation.
    if (!ocupado())
        cerrando_ = false;
    emit trabajando(ocupado());
}

void TabAcumular::notas(const QStringList& lineas) {
    lblNotas_->setText(lineas.join(QLatin1Char('\n')));
    lblNotas_->setVisible(!lineas.isEmpty());
}

void TabAcumular::terminaBusqueda(const Resultado& r) {
    // A failed or cancelled search offers no generation: what it did not see, the user has
    // not checked.
    const bool hallados = r.ok && r.encontrados;
    const bool generar = std::exchange(generarTrasBuscar_, false);
    txtResultado_->setVisible(!txtResultado_->toPlainText().isEmpty());
    command5_->setVisible(hallados);
    if (hallados)
        hallazgo_ =
            Hallazgo{buscadoDesde_, buscadoHasta_, int(r.renglones.size()), r.empresasEncontradas};
    QStringList lineas;
    if (r.cancelado)
        lineas << r.mensaje;
    if (!r.omitidas.isEmpty())
        lineas << ListaOmitidas(QStringLiteral("No se revisaron estas empresas:"), r);
    for (const QString& aviso : r.avisos)
        lineas << QStringLiteral("Aviso: %1.").arg(aviso);
    notas(lineas);
    // The list stays empty when nothing was found: the panel says the search ran.
    if (r.ok && !r.encontrados)
        avance_->concluye(QStringLiteral("No se encontraron pedidos pendientes del %1 al %2.")
                              .arg(buscadoDesde_.toString(QStringLiteral("dd/MM/yyyy")),
                                   buscadoHasta_.toString(QStringLiteral("dd/MM/yyyy"))));
    if (!r.ok && !r.cancelado)
        avisaError(r.mensaje + QStringLiteral("\nLa búsqueda quedó incompleta."));
    else if (hallados)
        command5_->setFocus();
    if (cerrando_ && r.cancelado)
        CajaMensaje::muestra(
            this, r.mensaje + QStringLiteral(" Pedidos listados: %1.").arg(r.renglones.size()),
            CajaMensaje::Icono::Exclamacion, QStringLiteral("Atención"));
    if (!generar || !r.ok || cerrando_)
        return;
    if (hallados)
        preguntaYGenera();
    else
        CajaMensaje::muestra(this,
                             QStringLiteral("No se encontraron pedidos pendientes que acumular "
                                            "con las fechas indicadas."),
                             CajaMensaje::Icono::Exclamacion, QStringLiteral("Atención"));
}

void TabAcumular::terminaGeneracion(const Resultado& r) {
    bitacora::avisaSinBitacora(programa_, r.avisoBitacora);
    const QVector<acumulacion::FolioDado> dados = std::exchange(dados_, {});
    // Whatever was stored, even by a run that failed or was cancelled, can be looked at.
    CajaMensaje::Accion verInforme;
    if (!dados.isEmpty()) {
        verInforme.texto = QStringLiteral("Ver informe");
        verInforme.hacer = [this,
                            informe = acumulacion::InformeGeneracion(
                                ConOmitidas(r.mensaje, r), dados, generadoDesde_, generadoHasta_,
                                QDateTime::currentDateTime(), r.nombresEmpresas)] {
            InformeVentana::muestra(this, informe);
        };
    }
    if (r.ok && r.pedidosMovidos > 0) {
        CajaMensaje::muestra(this, ConOmitidas(QStringLiteral("Pedido generado"), r),
                             CajaMensaje::Icono::Ninguno, QStringLiteral("Fin del proceso"),
                             verInforme);
        emit regresar();
        return;
    }
    if (!r.ok && !r.cancelado)
        CajaMensaje::muestra(this, ConOmitidas(r.mensaje, r), CajaMensaje::Icono::Critico,
                             QStringLiteral("Error"), verInforme);
    else // nothing or not everything was generated: not a success to report
        CajaMensaje::muestra(this, ConOmitidas(r.mensaje, r), CajaMensaje::Icono::Exclamacion,
                             QStringLiteral("Atención"), verInforme);
    // What is left is no longer what the last search listed: the list, and the count that
    // the next "Generar pedido" asks about, are read again.
    if (!cerrando_)
        busca(false);
}

void TabAcumular::habilita() {
    const bool libre = !ocupado();
    for (QWidget* w : std::initializer_list<QWidget*>{mskFecha_[0], mskFecha_[1], mskFecha_[2],
                                                      txtCliente_, command4_})
        w->setEnabled(libre);
    // No generation before the folio it starts from is known.
    for (QWidget* w : std::initializer_list<QWidget*>{cmbDato_, txtFolio_, command5_})
        w->setEnabled(libre && folioListo());
    if (!libre)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void TabAcumular::avisaError(const QString& mensaje) {
    CajaMensaje::muestra(this, mensaje, CajaMensaje::Icono::Critico, QStringLiteral("Error"));
}
