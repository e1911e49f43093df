#include "export/Exportacion.h"

#include "data/FormatoTransferencia.h"
#include "journal/Bitacora.h"
#include "shell/host/ArchivoNuevo.h"
#include "shell/host/Conexion.h"
#include "shell/host/MotorTablas.h"
#include "shell/host/Recordset.h"

#include <QDir>
#include <future>
#include <optional>

namespace exportacion {

namespace {

// The journal rows of the orders written, one per order. They are stored on a connection of
// their own while the file is still being written, inside one transaction committed only once
// the file is in place; without that connection they wait and go at the end on the export's.
class AnotacionEscritos {
public:
    AnotacionEscritos(host::Conexion& conexion, const bitacora::Bitacora& diario)
        : conexion_(conexion), diario_(diario) {
        if (!diario_.activa())
            return;
        try {
            propia_ = conexion.otra();
            propia_->iniciaTransaccion();
        } catch (const host::ErrorBdD&) {
            propia_.reset();
        }
    }

    // Waits for the rows under way; uncommitted ones are rolled back with the connection.
    ~AnotacionEscritos() { espera(); }

    // A batch just written: its rows are stored while the next batch is written. They are
    // built from the values written rather than read again from the orders: the server has
    // work enough serving the export.
    void agrega(QVector<bitacora::PedidoAnotado> filas) {
        if (!diario_.activa() || filas.isEmpty() || !fallo_.isEmpty())
            return;
        if (!propia_) {
            pendientes_ += filas;
            return;
        }
        espera();
        if (fallo_.isEmpty())
            envio_ = std::async(std::launch::async, [this, filas = std::move(filas)] {
                diario_.anota(*propia_, filas);
            });
    }

    // The file is in place: the rows are committed. Empty, or why they were not.
    QString confirma() {
        if (!diario_.activa())
            return {};
        espera();
        try {
            if (fallo_.isEmpty() && propia_) {
                propia_->confirma();
            } else if (fallo_.isEmpty()) {
                host::Transaccion t(conexion_);
                diario_.anota(conexion_, pendientes_);
                t.confirma();
            }
        } catch (const host::ErrorBdD& e) {
            fallo_ = e.mensaje();
        }
        return fallo_.section(QLatin1Char('\n'), 0, 0);
    }

private:
    void espera() {
        if (!envio_.valid())
            return;
        try {
            envio_.get();
        } catch (const host::ErrorBdD& e) {
            fallo_ = e.mensaje();
        }
    }

    host::Conexion& conexion_;
    const bitacora::Bitacora& diario_;
    std::unique_ptr<host::Conexion> propia_;
    std::future<void> envio_;
    QVector<bitacora::PedidoAnotado> pendientes_;
    QString fallo_;
};

} // namespace

ResultadoExportacion ExportaPedidos(host::Conexion& conexion, const QVector<qint64>& ids,
                                    const QString& nombre, const QString& carpetaPrograma,
                                    const QString& carpetaDestino,
                                    const transferencia::Avance& avance, const QStringList& propios,
                                    bool reemplazar, const std::optional<QDate>& desde,
                                    const std::optional<QDate>& hasta,
                                    const EntregaExportacion& entrega) {
    // Checked before anything is written or recorded: an export that cannot end with its copy
    // in place does not start.
    for (const QString& motivo : {CompruebaNombre(nombre, carpetaPrograma, propios),
                                  CompruebaCarpeta(carpetaPrograma, nombre, false),
                                  CompruebaCarpeta(carpetaDestino, nombre, true)})
        if (!motivo.isEmpty()) {
            ResultadoExportacion r;
            r.mensaje = motivo;
            return r;
        }
    bitacora::Parametros parametros;
    parametros.desde = desde;
    parametros.hasta = hasta;
    parametros.archivo = QDir::toNativeSeparators(QDir::cleanPath(
        QDir(carpetaPrograma).absoluteFilePath(transferencia::nombreArchivo(nombre))));
    parametros.destino =
        entrega.destino.isEmpty() ? QDir::toNativeSeparators(carpetaDestino) : entrega.destino;
    std::optional<bitacora::Bitacora> diario;
    try {
        // The export writes only its journal: a table of it that could not undo the rows of
        // an export cut short would name orders that never reached a file.
        host::ExigeTransacciones(
            conexion, conexion.baseEnUso(),
            bitacora::EsquemaBitacora::tablas(bitacora::Operacion::Exportacion));
        diario.emplace(conexion, bitacora::Operacion::Exportacion, parametros);
    } catch (const host::ErrorBdD& e) {
        ResultadoExportacion r;
        r.mensaje = QStringLiteral("No se escribió el archivo %1.\n%2")
                        .arg(parametros.archivo, e.mensaje());
        return r;
    }
    ResultadoExportacion r;
    // Asked before anything is written: when the copy goes into the program folder itself,
    // the file written there is the one at the destination.
    const bool habia = host::ArchivoNuevo::hayNombre(RutaCopia(nombre, carpetaDestino));
    if (habia && !reemplazar) {
        r.mensaje = MensajeNombreOcupado(RutaCopia(nombre, carpetaDestino));
        r.nombreOcupado = true;
        r.avisoBitacora = bitacora::juntaAvisos(
            diario->aviso(), diario->cierra(bitacora::EstadoCorrida::Fallido, r.mensaje, {}));
        return r;
    }
    {
        AnotacionEscritos anotacion(conexion, *diario);
        // Written into the destination itself, the file must not take the place of one that
        // another export of that name put there meanwhile.
        const bool esLaCopia = CopiaEnLaMismaCarpeta(carpetaPrograma, carpetaDestino);
        r = EscribeArchivo(
            conexion, ids, nombre, carpetaPrograma, avance, propios,
            [&anotacion](QVector<bitacora::PedidoAnotado> escritos) {
                anotacion.agrega(std::move(escritos));
            },
            PlanLectura::Automatico,
            esLaCopia && !reemplazar ? host::ArchivoNuevo::SiHayNombre::Respeta
                                     : host::ArchivoNuevo::SiHayNombre::Reemplaza);
        // The file is good even when its orders could not be recorded: the user is told.
        if (r.ok)
            if (const QString fallo = anotacion.confirma(); !fallo.isEmpty())
                r.avisos << QStringLiteral("Los pedidos escritos no quedaron anotados en la "
                                           "bitácora: %1")
                                .arg(fallo);
    }
    r.reemplazo = habia;
    r.corrida = diario->corrida();
    r.avisoBitacora = diario->aviso();
    if (r.ok && !entrega.entrega)
        CopiaArchivo(r, carpetaDestino, reemplazar);
    QString mensaje = r.mensaje;
    if (r.ok && entrega.entrega)
        mensaje += QLatin1Char('\n') + entrega.entrega(r);
    if (!r.avisos.isEmpty())
        mensaje += QLatin1Char('\n') + r.avisos.join(QLatin1Char('\n'));
    r.avisoBitacora = bitacora::juntaAvisos(
        r.avisoBitacora, diario->cierra(r.ok          ? bitacora::EstadoCorrida::Hecho
                                        : r.cancelado ? bitacora::EstadoCorrida::Cancelado
                                                      : bitacora::EstadoCorrida::Fallido,
                                        mensaje, {r.pedidos, r.renglones, 0}));
    return r;
}

} // namespace exportacion
