#include "send/ventanas/EnvioPedidos.h"

#include "import/InformeImportacion.h"
#include "import/ventanas/InformesSubida.h"
#include "journal/AvisoBitacora.h"
#include "shell/Cantidad.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/HiloTrabajo.h"
#include "shell/ventanas/InformeVentana.h"
#include "shell/ventanas/PanelAvance.h"

#include <QDir>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const QString kTitulo = QStringLiteral("Enviar pedidos");

QString pedidos(qint64 n) {
    return cantidad(n, QStringLiteral("pedido"), QStringLiteral("pedidos"));
}

} // namespace

struct EnvioPedidos::Corrida {
    envio::ResultadoEnvio r;
    Informe informe;
};

EnvioPedidos::EnvioPedidos(Programa& programa, envio::Destino destino, QVector<qint64> ids,
                           envio::OpcionesEnvio opciones, std::function<void(bool)> fin,
                           QWidget* parent)
    : QDialog(parent), programa_(programa), destino_(std::move(destino)), ids_(std::move(ids)),
      opciones_(std::move(opciones)), fin_(std::move(fin)), hilo_(new HiloTrabajo(this)) {
    setObjectName(QStringLiteral("EnvioPedidos"));
    setWindowTitle(kTitulo);
    setAttribute(Qt::WA_DeleteOnClose);
    lblDestino_ = new QLabel(this);
    lblDestino_->setObjectName(QStringLiteral("lblDestino"));
    lblDestino_->setWordWrap(true);
    lblDestino_->setText(
        QStringLiteral("%1 al destino %2.").arg(pedidos(ids_.size()), destino_.texto()));
    avance_ = new PanelAvance(this);
    avance_->sigue(*hilo_);
    auto* capas = new QVBoxLayout(this);
    capas->addWidget(lblDestino_);
    capas->addWidget(avance_);
    capas->addStretch();
}

EnvioPedidos::~EnvioPedidos() = default;

BajarPedidos::Envios EnvioPedidos::envios(Programa& programa) {
    BajarPedidos::Envios e;
    e.destinos = [&programa] {
        QStringList nombres;
        for (const envio::Destino& d : envio::Destinos::lee(programa.archivoIni))
            nombres << d.nombre;
        return nombres;
    };
    e.envia = [&programa](QWidget* padre, const QString& nombre, const QVector<qint64>& ids,
                          const std::optional<QDate>& desde, const std::optional<QDate>& hasta,
                          std::function<void(bool)> fin) {
        QStringList avisos;
        const auto destino = envio::Destinos::busca(programa.archivoIni, nombre, &avisos);
        if (!avisos.isEmpty())
            CajaMensaje::muestra(padre, avisos.join(QLatin1Char('\n')),
                                 CajaMensaje::Icono::Exclamacion, QStringLiteral("Atención"));
        if (!destino || !destino->error.isEmpty()) {
            CajaMensaje::muestra(padre,
                                 destino ? destino->error
                                         : QStringLiteral("Ya no hay un destino \"%1\" en el "
                                                          "archivo de configuración.")
                                               .arg(nombre),
                                 CajaMensaje::Icono::Critico, kTitulo);
            fin(false);
            return;
        }
        envio::OpcionesEnvio opciones;
        opciones.desde = desde;
        opciones.hasta = hasta;
        auto* ventana = new EnvioPedidos(programa, *destino, ids, opciones, std::move(fin), padre);
        ventana->open();
        ventana->comienza();
    };
    return e;
}

bool EnvioPedidos::ocupado() const {
    return hilo_->ocupado();
}

void EnvioPedidos::reject() {
    if (ocupado()) {
        avance_->cancela();
        return;
    }
    acaba(false);
}

void EnvioPedidos::comienza() {
    // Each time, as the user must know: the orders cross the network unprotected.
    if (const QString aviso = destino_.avisoSinCifrado(); !aviso.isEmpty())
        CajaMensaje::muestra(this, aviso, CajaMensaje::Icono::Exclamacion, kTitulo);
    // Orders the destination has already are left out of the preview, and of the send:
    // a send never doubles them.
    opciones_.importados = importacion::Importados::Omitir;
    corre(true);
}

void EnvioPedidos::corre(bool revisar) {
    const host::BasesDD bases = *programa_.bases;
    const QString base = programa_.baseExportar;
    const QString carpeta =
        programa_.carpetaPrograma.isEmpty() ? QDir::currentPath() : programa_.carpetaPrograma;
    const QStringList propios = programa_.archivosPropios();
    envio::OpcionesEnvio opciones = opciones_;
    opciones.revisar = revisar;
    const envio::Destino destino = destino_;
    const QVector<qint64> ids = ids_;
    const bool iniciada = hilo_->inicia(
        [=](Trabajador& t) {
            auto conexion = bases.abre(base);
            Corrida c{envio::Envia(*conexion, ids, destino, carpeta, propios, t.avancePedidos(),
                                   opciones),
                      {}};
            // Made here: for many orders, making it would freeze the window for a while.
            const QString origen = QStringLiteral("Destino %1").arg(destino.texto());
            if (c.r.importacionHecha && c.r.importacion.ok)
                c.informe = revisar ? importacion::informeRevision(c.r.importacion, origen)
                                    : importacion::informeImportacion(c.r.importacion, origen);
            return c;
        },
        [this, revisar](FinTrabajo<Corrida> d) {
            const Corrida c = std::move(d).o([](const QString& fallo) {
                return Corrida{fallido<envio::ResultadoEnvio>(fallo), {}};
            });
            if (revisar)
                terminaRevision(c);
            else
                terminaEnvio(c);
        });
    if (!iniciada)
        return;
    avance_->comienza(revisar ? QStringLiteral("Revisando el envío a %1…").arg(destino_.nombre)
                              : QStringLiteral("Enviando a %1…").arg(destino_.nombre));
}

void EnvioPedidos::terminaRevision(const Corrida& c) {
    const envio::ResultadoEnvio& r = c.r;
    if (!r.ok) {
        // A preview writes nothing, whatever stopped it.
        CajaMensaje::muestra(this,
                             r.cancelado ? QStringLiteral("Se canceló la revisión: no se envió "
                                                          "nada.")
                                         : r.mensaje,
                             r.cancelado ? CajaMensaje::Icono::Exclamacion
                                         : CajaMensaje::Icono::Critico,
                             r.cancelado ? QStringLiteral("Atención") : QStringLiteral("Error"));
        acaba(false);
        return;
    }
    if (!r.avisos.isEmpty())
        CajaMensaje::muestra(this, r.avisos.join(QLatin1Char('\n')),
                             CajaMensaje::Icono::Exclamacion, QStringLiteral("Atención"));
    InformeVentana::muestra(this, c.informe);
    const qint64 llegados = r.importacion.yaImportados.size();
    if (r.importacion.pedidos == 0) {
        CajaMensaje::muestra(
            this,
            QStringLiteral("El destino %1 ya tiene %2: no hay nada que enviar.")
                .arg(destino_.nombre,
                     llegados == 1 ? QStringLiteral("el pedido marcado")
                                   : QStringLiteral("los %1 pedidos marcados").arg(llegados)),
            CajaMensaje::Icono::Exclamacion, kTitulo);
        acaba(false);
        return;
    }
    QString pregunta = QStringLiteral("Se enviarán %1 al destino %2.")
                           .arg(pedidos(r.importacion.pedidos), destino_.texto());
    if (llegados > 0)
        pregunta += QStringLiteral(" %1 de los marcados ya habían llegado allá y no se "
                                   "envían otra vez.")
                        .arg(llegados);
    pregunta += QStringLiteral("\n¿Desea enviarlos?");
    const CajaMensaje::Accion verRevision{QStringLiteral("Ver revisión"),
                                          [this, c] { InformeVentana::muestra(this, c.informe); }};
    if (CajaMensaje::muestra(this, pregunta, CajaMensaje::Estilo::siNo(true), kTitulo,
                             verRevision) != CajaMensaje::Respuesta::Si) {
        acaba(false);
        return;
    }
    corre(false);
}

void EnvioPedidos::terminaEnvio(const Corrida& c) {
    const envio::ResultadoEnvio& r = c.r;
    bitacora::avisaSinBitacora(programa_, r.importacion.avisoBitacora);
    QStringList avisos = r.avisos;
    avisos += r.importacion.avisos;
    if (!avisos.isEmpty())
        CajaMensaje::muestra(this, avisos.join(QLatin1Char('\n')), CajaMensaje::Icono::Exclamacion,
                             QStringLiteral("Atención"));
    if (!r.ok) {
        CajaMensaje::muestra(this, r.mensaje,
                             r.cancelado ? CajaMensaje::Icono::Exclamacion
                                         : CajaMensaje::Icono::Critico,
                             r.cancelado ? QStringLiteral("Atención") : QStringLiteral("Error"));
        acaba(false);
        return;
    }
    const CajaMensaje::Accion verInforme{QStringLiteral("Ver informe"),
                                         [this, c] { InformeVentana::muestra(this, c.informe); }};
    CajaMensaje::muestra(this, r.mensaje, CajaMensaje::Icono::Informacion, kTitulo, verInforme);
    acaba(true);
}

void EnvioPedidos::acaba(bool llegaron) {
    avance_->termina();
    if (!terminado_ && fin_) {
        terminado_ = true;
        fin_(llegaron);
    }
    terminado_ = true;
    QDialog::reject();
}
