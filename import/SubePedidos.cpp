#include "import/Importacion.h"

#include "data/CodificacionArchivo.h"
#include "data/ErrorTransferencia.h"
#include "import/SubidaPedidos.h"
#include "shell/host/BasesDD.h"
#include "shell/host/FalloSistema.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <chrono>
#include <thread>

namespace importacion {

namespace {

// Times a transaction that the server broke off is run again before giving up.
constexpr int reintentos = 3;

QString nativa(const QString& ruta) {
    return QDir::toNativeSeparators(ruta);
}

ResultadoImportacion fallo(const QString& mensaje, bool cancelado = false) {
    ResultadoImportacion r;
    r.mensaje = mensaje;
    r.cancelado = cancelado;
    return r;
}

} // namespace

QString PedidoImportado::texto() const {
    return QStringLiteral("Id %1, folio %2%3")
        .arg(id)
        .arg(serie.isEmpty() ? QString() : serie + QLatin1Char('-'))
        .arg(folio);
}

ResultadoImportacion SubePedidos(host::Conexion& conexion, const QString& archivo,
                                 const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas) {
    // A leftover of earlier versions of the program; nothing reads it any more.
    if (!carpetaPrograma.isEmpty())
        QFile::remove(QDir(carpetaPrograma).filePath(QStringLiteral("ERROR.TMP")));

    QFile entrada(archivo);
    if (!entrada.open(QIODevice::ReadOnly))
        return fallo(
            QStringLiteral("No se pudo abrir el archivo %1. %2")
                .arg(nativa(archivo), host::FalloSistema::deArchivo(entrada, errno).texto()));
    const QString base =
        conexion.base().isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(conexion.base());
    const QString nada = QStringLiteral("No se escribió nada en la base de datos%1.").arg(base);
    std::unique_ptr<SubidaPedidos> subida;
    transferencia::CodificacionArchivo codificacion;
    try {
        codificacion = transferencia::CodificacionArchivo::detecta(entrada);
        if (!entrada.seek(0))
            return fallo(QStringLiteral("No se pudo volver a leer el archivo %1: %2")
                             .arg(nativa(archivo), entrada.errorString()));
        subida = std::make_unique<SubidaPedidos>(conexion, llamadas);
        subida->revisa(entrada, codificacion.tipo());
    } catch (const transferencia::ErrorTransferencia& e) {
        return fallo(QStringLiteral("No se importó el archivo %1: %2\n%3")
                         .arg(nativa(archivo), e.mensaje(), nada));
    } catch (const SubidaPedidos::Cancelado&) {
        return fallo(QStringLiteral("Se canceló la importación. %1").arg(nada), true);
    } catch (const host::ErrorBdD& e) {
        return fallo(QStringLiteral("No se importó el archivo %1: %2\n%3")
                         .arg(nativa(archivo), e.mensaje(), nada));
    }

    const QString deshecha =
        QStringLiteral("La importación se deshizo por completo: la base de datos%1 quedó "
                       "como estaba y el archivo puede importarse de nuevo.")
            .arg(base);
    for (int intento = 1;; ++intento) {
        bool confirmando = false;
        try {
            if (!entrada.seek(0))
                return fallo(QStringLiteral("No se pudo volver a leer el archivo %1: %2")
                                 .arg(nativa(archivo), entrada.errorString()));
            host::Transaccion transaccion(conexion);
            subida->sube(entrada, codificacion.tipo());
            confirmando = true;
            transaccion.confirma();
            break;
        } catch (const transferencia::ErrorTransferencia& e) {
            return fallo(QStringLiteral("El archivo %1 no se leyó igual que al revisarlo (cambió "
                                        "o falló su lectura): %2\n%3")
                             .arg(nativa(archivo), e.mensaje(), deshecha));
        } catch (const SubidaPedidos::ArchivoCambiado&) {
            return fallo(QStringLiteral("El archivo %1 cambió mientras se importaba: lo que se "
                                        "leyó para escribirlo no es lo que se revisó. Espere a "
                                        "que termine de copiarse o de guardarse.\n%2")
                             .arg(nativa(archivo), deshecha));
        } catch (const SubidaPedidos::Cancelado&) {
            return fallo(QStringLiteral("Se canceló la importación. %1").arg(deshecha), true);
        } catch (const host::ErrorBdD& e) {
            if (confirmando && e.conexionPerdida())
                return fallo(QStringLiteral("Se perdió la conexión mientras se confirmaba la "
                                            "importación: no se sabe si quedó guardada. Revise "
                                            "los pedidos de la base de datos%1 antes de "
                                            "importar el archivo otra vez.\n%2")
                                 .arg(base, e.mensaje()));
            // The server undid the transaction to untangle it from another one (also at
            // COMMIT, as a replicated cluster does): nothing is stored, so it runs again.
            const bool ocupada = e.codigo() == 1213 || e.codigo() == 1205;
            if (ocupada && intento <= reintentos && !llamadas.cancelado()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(
                    QRandomGenerator::global()->bounded(50, 250) * intento));
                continue;
            }
            if (ocupada)
                return fallo(QStringLiteral("No se pudo importar el archivo %1: otro usuario o "
                                            "importación ocupaba los mismos datos, y se intentó "
                                            "%2 veces. %3\n%4")
                                 .arg(nativa(archivo))
                                 .arg(intento)
                                 .arg(e.mensaje(), deshecha));
            return fallo(QStringLiteral("Falló la importación del archivo %1: %2\n%3")
                             .arg(nativa(archivo), e.mensaje(), deshecha));
        }
    }

    ResultadoImportacion r = subida->cuentas();
    r.ok = true;
    r.importados = subida->tomaImportados();
    r.mensaje = QStringLiteral("Se importaron %1 pedidos con %2 renglones; %3 clientes nuevos.")
                    .arg(r.pedidos)
                    .arg(r.renglones)
                    .arg(r.clientesNuevos);
    const QString utf8 = codificacion.aviso(subida->primeraLineaMultibyte());
    if (!utf8.isEmpty())
        r.avisos << utf8;
    if (r.renglonesOmitidos > 0)
        r.avisos << QStringLiteral("Se omitieron %1 renglones que estaban antes del primer "
                                   "pedido del archivo.")
                        .arg(r.renglonesOmitidos);
    return r;
}

ResultadoImportacion SubePedidos(const host::BasesDD& bases, const QString& baseImportar,
                                 const QString& archivo, const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas) {
    if (baseImportar.trimmed().isEmpty())
        return fallo(QStringLiteral("No está configurada la base de datos para importar "
                                    "pedidos (\"Para importar pedidos\")."));
    std::unique_ptr<host::Conexion> conexion;
    try {
        conexion = bases.abre(baseImportar);
    } catch (const host::ErrorBdD& e) {
        return fallo(e.mensaje());
    }
    return SubePedidos(*conexion, archivo, carpetaPrograma, llamadas);
}

} // namespace importacion
