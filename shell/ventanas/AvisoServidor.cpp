#include "shell/ventanas/AvisoServidor.h"

#include "shell/Programa.h"
#include "shell/host/Conexion.h"
#include "shell/host/ErrorBdD.h"
#include "shell/host/TextoConDetalle.h"
#include "shell/ventanas/HiloTrabajo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

// Long enough for a slow network, short enough that a window closing does not wait long
// for a check under way.
constexpr unsigned segundosDeEspera = 4;

// The client library's own failures (2000 and up) are those of reaching the server; a
// refusal by the server (a wrong password) is told by the job that meets it.
bool sinServidor(unsigned codigo) {
    return codigo >= 2000 && codigo < 3000;
}

} // namespace

AvisoServidor::AvisoServidor(const Programa& programa, QWidget* parent)
    : QFrame(parent), programa_(programa), hilo_(new HiloTrabajo(this)) {
    setObjectName(QStringLiteral("AvisoServidor"));
    setFrameShape(QFrame::StyledPanel);
    texto_ = new QLabel(this);
    texto_->setObjectName(QStringLiteral("lblSinConexion"));
    texto_->setWordWrap(true);
    texto_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont negrita = texto_->font();
    negrita.setBold(true);
    texto_->setFont(negrita);
    cmdReintentar_ = new QPushButton(QStringLiteral("Rein&tentar"), this);
    cmdReintentar_->setObjectName(QStringLiteral("cmdReintentar"));
    cmdReintentar_->setAutoDefault(false);
    auto* fila = new QHBoxLayout(this);
    fila->addWidget(texto_, 1);
    fila->addWidget(cmdReintentar_, 0, Qt::AlignVCenter);
    connect(cmdReintentar_, &QPushButton::clicked, this, &AvisoServidor::comprueba);
    hide();
}

AvisoServidor::~AvisoServidor() = default;

bool AvisoServidor::comprobando() const {
    return hilo_->ocupado();
}

void AvisoServidor::comprueba() {
    host::ParametrosConexion p = programa_.bases->parametros(QString());
    p.base.clear();
    p.espera = segundosDeEspera;
    const bool iniciada = hilo_->inicia(
        [p](Trabajador&) {
            try {
                host::Conexion::abrir(p);
            } catch (const host::ErrorBdD& e) {
                return sinServidor(e.codigo()) ? e.mensaje() : QString();
            }
            return QString();
        },
        [this](FinTrabajo<QString> d) { termina(d.ok() ? d.valor() : d.fallo()); });
    if (iniciada)
        cmdReintentar_->setEnabled(false);
}

void AvisoServidor::termina(const QString& fallo) {
    cmdReintentar_->setEnabled(true);
    if (fallo.isEmpty()) {
        hide();
        emit comprobado(true);
        return;
    }
    const host::ParametrosConexion p = programa_.bases->parametros(QString());
    texto_->setText(QStringLiteral("Sin conexión con el servidor %1, puerto %2: no se puede "
                                   "acumular, exportar ni importar. Revise que esté encendido y "
                                   "que la red funcione, y pulse \"Reintentar\".")
                        .arg(p.servidor)
                        .arg(p.puerto));
    // The driver's words for whoever supports the clerk.
    texto_->setToolTip(host::TextoConDetalle::separa(fallo).detalle);
    show();
    emit comprobado(false);
}
