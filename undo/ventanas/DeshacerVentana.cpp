#include "undo/ventanas/DeshacerVentana.h"

#include "journal/AvisoBitacora.h"
#include "journal/TextosBitacora.h"
#include "shell/Cantidad.h"
#include "shell/Informe.h"
#include "shell/Programa.h"
#include "shell/host/BasesDD.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/HiloTrabajo.h"
#include "shell/ventanas/InformeVentana.h"
#include "shell/ventanas/PanelAvance.h"
#include "undo/InformeDeshacer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using deshacer::ResultadoDeshacer;

DeshacerVentana::DeshacerVentana(Programa& programa, qint64 corrida, bitacora::Operacion operacion,
                                 const QString& base, QWidget* parent)
    : QDialog(parent), programa_(programa), corrida_(corrida), operacion_(operacion), base_(base),
      hilo_(new HiloTrabajo(this)) {
    setObjectName(QStringLiteral("DeshacerVentana"));
    setWindowTitle(QStringLiteral("Deshacer la corrida %1").arg(corrida));
    setAttribute(Qt::WA_DeleteOnClose);
    lblCorrida_ = new QLabel(
        QStringLiteral("%1 en %2, corrida %3. Primero se revisa lo que haría deshacerla: nada "
                       "se escribe hasta que usted lo confirme.")
            .arg(bitacora::texto(operacion), base)
            .arg(corrida),
        this);
    lblCorrida_->setObjectName(QStringLiteral("lblCorrida"));
    lblCorrida_->setWordWrap(true);
    avance_ = new PanelAvance(this);
    cmdCerrar_ = new QPushButton(QStringLiteral("&Cerrar"), this);
    cmdCerrar_->setObjectName(QStringLiteral("cmdCerrar"));
    cmdCerrar_->setAutoDefault(false);
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdCerrar_);
    auto* columna = new QVBoxLayout(this);
    columna->addWidget(lblCorrida_);
    columna->addWidget(avance_, 1);
    columna->addLayout(botones);
    setMinimumWidth(lblCorrida_->fontMetrics().averageCharWidth() * 70);
    avance_->sigue(*hilo_);
    connect(cmdCerrar_, &QPushButton::clicked, this, &DeshacerVentana::reject);
}

DeshacerVentana::~DeshacerVentana() = default;

bool DeshacerVentana::ocupado() const {
    return hilo_->ocupado();
}

void DeshacerVentana::reject() {
    // Not while the undo runs: "Cancelar" stops it, and it ends with a message.
    if (!ocupado())
        QDialog::reject();
}

void DeshacerVentana::comienza() {
    inicia(true, false);
}

Informe DeshacerVentana::informe(const ResultadoDeshacer& r) {
    Informe i;
    i.titulo = r.revision ? QStringLiteral("Revisión: deshacer la corrida %1").arg(r.corrida)
                          : QStringLiteral("Informe: se deshizo la corrida %1").arg(r.corrida);
    i.resumen = r.mensaje;
    // A preview's warnings too (a product whose stock cannot be put back), before the question.
    for (const QString& aviso : r.avisos)
        i.resumen += QLatin1Char('\n') + aviso;
    i.columnas = {QStringLiteral("Qué"), QStringLiteral("Pedido"), QStringLiteral("Id"),
                  QStringLiteral("Detalle")};
    const QString quita = r.revision ? QStringLiteral("Se quitaría") : QStringLiteral("Se quitó");
    for (const deshacer::PedidoQuitado& q : r.quitados) {
        const QString renglones =
            cantidad(q.renglones, QStringLiteral("renglón"), QStringLiteral("renglones"));
        i.renglones.push_back({quita, q.pedido, QString::number(q.id),
                               q.baseOrigen.isEmpty()
                                   ? renglones
                                   : QStringLiteral("%1; vuelve al pedido %2 (Id %3) de %4")
                                         .arg(renglones)
                                         .arg(q.pedidoOrigen)
                                         .arg(q.idOrigen)
                                         .arg(q.baseOrigen)});
    }
    for (const deshacer::PedidoDejado& d : r.dejados)
        i.renglones.push_back(
            {QStringLiteral("Se deja"), d.pedido, QString::number(d.id), d.motivo});
    for (const deshacer::CambioExistencia& c : r.existencias)
        i.renglones.push_back({QStringLiteral("PorVender"), c.producto, QString(),
                               QStringLiteral("%1: %2 → %3").arg(c.base, c.antes, c.despues)});
    for (const QString& c : r.clientes)
        i.renglones.push_back({r.revision ? QStringLiteral("Cliente que se quitaría")
                                          : QStringLiteral("Cliente quitado"),
                               c, QString(), QString()});
    const QString seDeja = r.revision ? QStringLiteral("Cliente que se dejaría")
                                      : QStringLiteral("Cliente que se dejó");
    for (const auto& [clave, motivo] : r.clientesDejados())
        i.renglones.push_back({seDeja, clave, QString(), motivo});
    i.archivo = QStringLiteral("deshacer-corrida-%1.txt").arg(r.corrida);
    return i;
}

void DeshacerVentana::inicia(bool revisar, bool parcial) {
    const host::BasesDD bases = *programa_.bases;
    deshacer::OpcionesDeshacer opciones;
    opciones.corrida = corrida_;
    opciones.base = base_;
    opciones.revisar = revisar;
    opciones.parcial = parcial;
    const bool iniciada = hilo_->inicia(
        [=](Trabajador& t) {
            deshacer::LlamadasDeshacer llamadas;
            static_cast<transferencia::Avance&>(llamadas) = t.avancePedidos();
            return deshacer::DeshaceCorrida(bases, {}, opciones, llamadas);
        },
        [this, revisar](FinTrabajo<ResultadoDeshacer> d) { termina(std::move(d), revisar); });
    if (!iniciada)
        return;
    cmdCerrar_->setEnabled(false);
    avance_->comienza(
        revisar ? QStringLiteral("Revisando lo que haría deshacer la corrida %1…").arg(corrida_)
                : QStringLiteral("Deshaciendo la corrida %1…").arg(corrida_));
}

void DeshacerVentana::termina(FinTrabajo<ResultadoDeshacer> desenlace, bool revisar) {
    const ResultadoDeshacer r = std::move(desenlace).o(
        [](const QString& fallo) { return fallido<ResultadoDeshacer>(fallo); });
    cmdCerrar_->setEnabled(true);
    if (revisar)
        terminaRevision(r);
    else
        terminaDeshacer(r);
}

void DeshacerVentana::terminaRevision(const ResultadoDeshacer& r) {
    if (!r.ok && !r.rechazado) {
        avance_->concluye(QStringLiteral("No se deshizo nada."));
        CajaMensaje::muestra(this, r.mensaje,
                             r.cancelado || r.nadaQueDeshacer ? CajaMensaje::Icono::Exclamacion
                                                              : CajaMensaje::Icono::Critico,
                             QStringLiteral("Deshacer"));
        return;
    }
    if (r.nadaQueDeshacer) {
        avance_->concluye(r.mensaje);
        CajaMensaje::muestra(this, r.mensaje, CajaMensaje::Icono::Informacion,
                             QStringLiteral("Deshacer"));
        return;
    }
    const Informe revision = informe(r);
    InformeVentana::muestra(this, revision);
    if (r.rechazado) {
        if (r.quitados.isEmpty()) {
            avance_->concluye(r.mensaje);
            CajaMensaje::muestra(this, r.mensaje, CajaMensaje::Icono::Exclamacion,
                                 QStringLiteral("Deshacer"));
            return;
        }
        const int eleccion = CajaMensaje::elige(
            this,
            QStringLiteral("En la corrida %1 hay %2 (la revisión dice cuáles y por qué). "
                           "¿Deshacer sólo %3?")
                .arg(corrida_)
                .arg(deshacer::InformeDeshacer::dejados(r),
                     r.quitados.size() == 1
                         ? QStringLiteral("el pedido que no se modificó")
                         : QStringLiteral("los %1 que no se modificaron").arg(r.quitados.size())),
            CajaMensaje::Icono::Exclamacion, QStringLiteral("Deshacer"),
            {QStringLiteral("Sólo los no modificados"), QStringLiteral("Cancelar")}, 1);
        if (eleccion != 0) {
            avance_->concluye(QStringLiteral("No se deshizo nada."));
            return;
        }
        inicia(false, true);
        return;
    }
    const CajaMensaje::Accion verRevision{QStringLiteral("Ver revisión"), [this, revision] {
                                              InformeVentana::muestra(this, revision);
                                          }};
    const CajaMensaje::Respuesta respuesta = CajaMensaje::muestra(
        this,
        QStringLiteral("¿Desea deshacer la corrida %1? Se %2 %3; los folios dados quedan usados.")
            .arg(corrida_)
            .arg(r.quitados.size() == 1 ? QStringLiteral("quitará") : QStringLiteral("quitarán"),
                 cantidad(r.quitados.size(), QStringLiteral("pedido"), QStringLiteral("pedidos"))),
        CajaMensaje::Estilo::siNo(true), QStringLiteral("Deshacer"), verRevision);
    if (respuesta != CajaMensaje::Respuesta::Si) {
        avance_->concluye(QStringLiteral("No se deshizo nada: la revisión se deshizo y la base "
                                         "de datos quedó como estaba."));
        return;
    }
    // Refused, rather than partly done, when an order changes meanwhile.
    inicia(false, false);
}

void DeshacerVentana::terminaDeshacer(const ResultadoDeshacer& r) {
    bitacora::avisaSinBitacora(programa_, r.avisoBitacora);
    if (r.ok && !r.quitados.isEmpty())
        emit deshecha();
    avance_->concluye(r.ok ? r.mensaje.section(QLatin1Char('.'), 0, 0) + QLatin1Char('.')
                           : QStringLiteral("No se deshizo nada."));
    if (!r.ok) {
        CajaMensaje::muestra(this, r.mensaje,
                             r.cancelado || r.rechazado ? CajaMensaje::Icono::Exclamacion
                                                        : CajaMensaje::Icono::Critico,
                             QStringLiteral("Deshacer"));
        return;
    }
    QString mensaje = r.mensaje;
    for (const QString& aviso : r.avisos)
        mensaje += QLatin1Char('\n') + aviso;
    const Informe hecho = informe(r);
    const CajaMensaje::Accion verInforme{QStringLiteral("Ver informe"),
                                         [this, hecho] { InformeVentana::muestra(this, hecho); }};
    CajaMensaje::muestra(this, mensaje, CajaMensaje::Icono::Informacion, QStringLiteral("Deshacer"),
                         verInforme);
}
