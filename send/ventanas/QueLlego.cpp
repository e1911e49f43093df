#include "send/ventanas/QueLlego.h"

#include "shell/Informe.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/HiloTrabajo.h"
#include "shell/ventanas/InformeVentana.h"
#include "shell/ventanas/PanelAvance.h"

#include <QDateTime>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const QString kTitulo = QStringLiteral("¿Qué llegó?");

QString llegada(const envio::PedidoConciliado& p) {
    switch (p.llegada) {
    case envio::Llegada::Llego:
        return QStringLiteral("Llegó");
    case envio::Llegada::Repetido:
        return QStringLiteral("Llegó %1 veces").arg(p.veces);
    case envio::Llegada::SinHuella:
        return QStringLiteral("Sin huella");
    case envio::Llegada::Deshecho:
        return QStringLiteral("Llegó; se deshizo allá el %1 (corrida %2)")
            .arg(p.deshecho.isValid() ? p.deshecho.toString(QStringLiteral("dd/MM/yyyy HH:mm"))
                                      : QStringLiteral("fecha desconocida"))
            .arg(p.deshacer);
    case envio::Llegada::NoLlego:
        break;
    }
    return QStringLiteral("No llegó");
}

Informe informe(const envio::ResultadoConciliacion& r) {
    Informe i;
    i.titulo = QStringLiteral("Qué llegó de la exportación %1").arg(r.corrida.id);
    i.resumen = r.mensaje;
    i.columnas = {QStringLiteral("Pedido"),  QStringLiteral("Id"),
                  QStringLiteral("Llegada"), QStringLiteral("Cuándo"),
                  QStringLiteral("Id allá"), QStringLiteral("Folio allá")};
    for (const envio::PedidoConciliado& p : r.pedidos)
        i.renglones.push_back(
            {p.pedidoOrigen, QString::number(p.idOrigen), llegada(p),
             p.cuando.isValid() ? p.cuando.toString(QStringLiteral("dd/MM/yyyy HH:mm")) : QString(),
             p.idNuevo ? QString::number(p.idNuevo) : QString(), p.pedidoNuevo});
    i.archivo = QStringLiteral("que-llego-%1.txt").arg(r.corrida.id);
    return i;
}

} // namespace

QueLlego::QueLlego(Programa& programa, qint64 corrida, QString base, QString destino,
                   QWidget* parent)
    : QDialog(parent), programa_(programa), corrida_(corrida), base_(std::move(base)),
      destino_(std::move(destino)), hilo_(new HiloTrabajo(this)) {
    setObjectName(QStringLiteral("QueLlego"));
    setWindowTitle(kTitulo);
    setAttribute(Qt::WA_DeleteOnClose);
    lblCorrida_ = new QLabel(this);
    lblCorrida_->setObjectName(QStringLiteral("lblCorrida"));
    lblCorrida_->setWordWrap(true);
    lblCorrida_->setText(
        QStringLiteral("Exportación %1 de la base \"%2\"%3.")
            .arg(QString::number(corrida_), base_,
                 destino_.isEmpty() ? QString() : QStringLiteral(", a %1").arg(destino_)));
    avance_ = new PanelAvance(this);
    avance_->sigue(*hilo_);
    auto* capas = new QVBoxLayout(this);
    capas->addWidget(lblCorrida_);
    capas->addWidget(avance_);
    capas->addStretch();
}

QueLlego::~QueLlego() = default;

QueLlego* QueLlego::muestra(Programa& programa, qint64 corrida, const QString& base,
                            const QString& destino, QWidget* parent) {
    auto* ventana = new QueLlego(programa, corrida, base, destino, parent);
    ventana->open();
    ventana->comienza();
    return ventana;
}

bool QueLlego::ocupado() const {
    return hilo_->ocupado();
}

void QueLlego::reject() {
    if (ocupado()) {
        avance_->cancela();
        return;
    }
    QDialog::reject();
}

void QueLlego::comienza() {
    const host::BasesDD bases = *programa_.bases;
    const QString base = base_, destino = destino_, ini = programa_.archivoIni,
                  importar = programa_.baseImportar;
    const qint64 corrida = corrida_;
    if (!hilo_->inicia(
            [=](Trabajador&) {
                return envio::ConciliaCorrida(bases, base, corrida, destino, ini, importar);
            },
            [this](FinTrabajo<envio::ResultadoConciliacion> d) { termina(std::move(d)); }))
        return;
    avance_->comienza(QStringLiteral("Comparando con el destino…"));
}

void QueLlego::termina(FinTrabajo<envio::ResultadoConciliacion> d) {
    const envio::ResultadoConciliacion r = std::move(d).o(fallido<envio::ResultadoConciliacion>);
    avance_->termina();
    if (!r.ok) {
        CajaMensaje::muestra(this, r.mensaje, CajaMensaje::Icono::Critico, kTitulo);
        QDialog::reject();
        return;
    }
    // Shown in front of the journal, which stays as it was.
    InformeVentana::muestra(parentWidget() ? parentWidget() : this, informe(r));
    QDialog::accept();
}
