#include "export/Exportacion.h"

#include "data/Bitacora.h"
#include "data/FormatoTransferencia.h"
#include "shell/host/Conexion.h"

#include <QDir>
#include <optional>

namespace exportacion {

namespace {

// Orders per statement of the journal: a few large statements, each well within the
// server's packet limit.
constexpr qsizetype pedidosPorTanda = 5000;

// The orders written, one journal row each, all in one transaction.
void anotaEscritos(host::Conexion& conexion, const bitacora::Bitacora& diario,
                   ResultadoExportacion& r) {
    if (!diario.activa() || r.escritos.isEmpty())
        return;
    try {
        host::Transaccion transaccion(conexion);
        const QString archivo = QDir::toNativeSeparators(r.archivo);
        QVector<bitacora::PedidoAnotado> tanda;
        tanda.reserve(std::min(pedidosPorTanda, r.escritos.size()));
        for (const PedidoEscrito& e : r.escritos) {
            bitacora::PedidoAnotado a;
            a.idOrigen = e.id;
            a.pedidoOrigen = e.pedido;
            a.archivo = archivo;
            tanda.push_back(a);
            if (tanda.size() == pedidosPorTanda) {
                diario.anota(conexion, tanda);
                tanda.clear();
            }
        }
        diario.anota(conexion, tanda);
        transaccion.confirma();
    } catch (const host::ErrorBdD& e) {
        // The file is written and good: the user is told that its orders are not recorded.
        r.avisos << QStringLiteral("Los pedidos escritos no quedaron anotados en la bitácora: %1")
                        .arg(e.mensaje().section(QLatin1Char('\n'), 0, 0));
    }
}

} // namespace

ResultadoExportacion ExportaPedidos(host::Conexion& conexion, const QVector<qint64>& ids,
                                    const QString& nombre, const QString& carpetaPrograma,
                                    const QString& carpetaDestino,
                                    const transferencia::Avance& avance, const QStringList& propios,
                                    const std::optional<QDate>& desde,
                                    const std::optional<QDate>& hasta) {
    bitacora::Parametros parametros;
    parametros.desde = desde;
    parametros.hasta = hasta;
    parametros.archivo = QDir::toNativeSeparators(QDir::cleanPath(
        QDir(carpetaPrograma).absoluteFilePath(transferencia::nombreArchivo(nombre))));
    parametros.destino = QDir::toNativeSeparators(carpetaDestino);
    std::optional<bitacora::Bitacora> diario;
    try {
        diario.emplace(conexion, bitacora::Operacion::Exportacion, parametros);
    } catch (const host::ErrorBdD& e) {
        ResultadoExportacion r;
        r.mensaje = QStringLiteral("No se escribió el archivo %1.\n%2")
                        .arg(parametros.archivo, e.mensaje());
        return r;
    }
    ResultadoExportacion r =
        EscribeArchivo(conexion, ids, nombre, carpetaPrograma, avance, propios);
    r.avisoBitacora = diario->aviso();
    if (r.ok) {
        anotaEscritos(conexion, *diario, r);
        CopiaArchivo(r, carpetaDestino);
    }
    QString mensaje = r.mensaje;
    if (!r.avisos.isEmpty())
        mensaje += QLatin1Char('\n') + r.avisos.join(QLatin1Char('\n'));
    diario->cierra(r.ok          ? bitacora::Desenlace::Hecho
                   : r.cancelado ? bitacora::Desenlace::Cancelado
                                 : bitacora::Desenlace::Fallido,
                   mensaje, {r.pedidos, r.renglones, 0});
    return r;
}

} // namespace exportacion
