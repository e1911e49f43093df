#include "import/Importacion.h"

#include "data/CodificacionArchivo.h"
#include "data/ErrorTransferencia.h"
#include "data/FormatoTransferencia.h"
#include "data/LectorTransferencia.h"
#include "import/InformeImportacion.h"
#include "import/SubidaPedidos.h"
#include "journal/Bitacora.h"
#include "shell/Cantidad.h"
#include "shell/host/BasesDD.h"
#include "shell/host/FalloSistema.h"
#include "shell/host/MotorTablas.h"
#include "shell/host/Recordset.h"
#include "shell/host/Reintentos.h"
#include "shell/host/TextoConDetalle.h"
#include "shell/host/Vigia.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <mysql.h>
#include <optional>

namespace importacion {

namespace {

QString nativa(const QString& ruta) {
    return QDir::toNativeSeparators(ruta);
}

ResultadoImportacion fallo(const QString& mensaje, bool cancelado = false) {
    ResultadoImportacion r;
    r.mensaje = mensaje;
    r.cancelado = cancelado;
    return r;
}

// Why the file is no transfer file (a saved report, a spreadsheet, a letter), or the empty
// text when it may be one: it must hold at least one order header ("M" records) before its
// records stop fitting the layout. A transfer file's first header is usually its first
// line, so the look costs little; a file of something else is read to its end or to where
// it stops reading as records. The lines read and the fields of its first line go into the
// detail, for whoever supports the clerk.
QString noEsTransferencia(QIODevice& archivo, transferencia::CodificacionArchivo::Tipo tipo,
                          const QString& ruta) {
    const QByteArray primera = archivo.peek(64 * 1024).split('\n').value(0);
    transferencia::LectorTransferencia lector(archivo, tipo);
    transferencia::Registro registro;
    int registros = 0;
    try {
        while (lector.siguiente(registro)) {
            if (registro.encabezado)
                return {};
            ++registros;
        }
    } catch (const host::Error&) {
        // A file that could not be read is told as that, by the reading that follows.
        const auto* dispositivo = qobject_cast<const QFileDevice*>(&archivo);
        if (dispositivo && dispositivo->error() != QFileDevice::NoError)
            return {};
        ++registros; // what follows is no record either
    }
    // Without any record (empty, or blank lines only) the import says so itself.
    if (registros == 0)
        return {};
    // The reader stands on the line after the last line end: a file that ends with one has
    // no line there.
    int lineas = lector.linea();
    if (archivo.atEnd() && archivo.size() > 0 && archivo.seek(archivo.size() - 1)) {
        char ultimo = 0;
        if (archivo.getChar(&ultimo) && (ultimo == '\n' || ultimo == '\r'))
            --lineas;
    }
    bool entreComillas = false;
    int campos = 1;
    for (char c : primera) {
        if (c == '"')
            entreComillas = !entreComillas;
        else if (c == ',' && !entreComillas)
            ++campos;
    }
    return host::TextoConDetalle::conDetalle(
        QStringLiteral("Este archivo no es un archivo de pedidos exportado: %1 no trae ningún "
                       "pedido como los escribe \"Exportar pedidos\". Elija el archivo que "
                       "copió la exportación. No se importó nada.")
            .arg(nativa(ruta)),
        QStringLiteral("%1 leídas, %2 sin ningún encabezado de pedido; la primera línea trae "
                       "%3, un encabezado trae %4 y un renglón %5")
            .arg(cantidad(lineas, QStringLiteral("línea"), QStringLiteral("líneas")),
                 cantidad(registros, QStringLiteral("registro"), QStringLiteral("registros")),
                 cantidad(campos, QStringLiteral("campo"), QStringLiteral("campos")))
            .arg(transferencia::camposEncabezado)
            .arg(transferencia::camposRenglon));
}

// The import proper, inside the journal entry that SubePedidos opens and closes: the file
// opened, checked whole, written (again when the server undid it to untangle it from another
// session), and its result worded.
class CorridaImportacion {
public:
    CorridaImportacion(host::Conexion& conexion, const QString& archivo,
                       const LlamadasImportacion& llamadas, const OpcionesImportacion& opciones,
                       const bitacora::Bitacora* bitacora)
        : conexion_(conexion), archivo_(archivo), llamadas_(llamadas), opciones_(opciones),
          bitacora_(bitacora), entrada_(archivo),
          base_(conexion.base().isEmpty() ? QString()
                                          : QStringLiteral(" \"%1\"").arg(conexion.base())) {}

    ResultadoImportacion importa() {
        if (auto refusal = abreYRevisa())
            return *refusal;
        if (auto falla = escribe())
            return *falla;
        return termina();
    }

private:
    QString nativa() const { return QDir::toNativeSeparators(archivo_); }
    // Opens the file and checks every value of it; nothing is written yet.
    std::optional<ResultadoImportacion> abreYRevisa() {
        if (!entrada_.open(QIODevice::ReadOnly))
            return fallo(
                QStringLiteral("No se pudo abrir el archivo %1. %2")
                    .arg(nativa(), host::FalloSistema::deArchivo(entrada_, errno).texto()));
        const QString nada =
            QStringLiteral("No se escribió nada en la base de datos%1.").arg(base_);
        try {
            codificacion_ = transferencia::CodificacionArchivo::detecta(entrada_);
            if (!entrada_.seek(0))
                return otraLecturaFallida();
            const QString ajeno = noEsTransferencia(entrada_, codificacion_.tipo(), archivo_);
            if (!ajeno.isEmpty())
                return fallo(ajeno);
            if (!entrada_.seek(0))
                return otraLecturaFallida();
            subida_ = std::make_unique<SubidaPedidos>(
                conexion_, llamadas_, opciones_, bitacora_,
                opciones_.origen.isEmpty() ? nativa() : opciones_.origen);
            subida_->revisa(entrada_, codificacion_.tipo());
        } catch (const transferencia::Cancelado&) {
            return fallo(QStringLiteral("Se canceló la importación. %1").arg(nada), true);
        } catch (const host::Error& e) {
            // The file or the database: either way nothing was written.
            return fallo(QStringLiteral("No se importó el archivo %1: %2\n%3")
                             .arg(nativa(), e.mensaje(), nada));
        }
        return std::nullopt;
    }

    ResultadoImportacion otraLecturaFallida() {
        return fallo(QStringLiteral("No se pudo volver a leer el archivo %1: %2")
                         .arg(nativa(), host::FalloSistema::deArchivo(entrada_, errno).texto()));
    }

    // Writes the file in one transaction, run again while the server undoes it to untangle
    // it from another session; a preview ends by rolling it back. The result of a failure,
    // none once written.
    std::optional<ResultadoImportacion> escribe() {
        const QString deshecha =
            QStringLiteral("La importación se deshizo por completo: la base de datos%1 quedó "
                           "como estaba y el archivo puede importarse de nuevo.")
                .arg(base_);
        host::Reintentos reintentos(host::reintentosImportacion);
        for (;;) {
            bool confirmando = false;
            try {
                if (!entrada_.seek(0))
                    return otraLecturaFallida();
                // Its reads wait for what other nodes of a cluster committed (leeAlDia).
                host::Transaccion transaccion(conexion_, host::Conexion::AlDia::Si);
                subida_->sube(entrada_, codificacion_.tipo());
                // A preview ends here: leaving the scope rolls everything back.
                if (!opciones_.revisar) {
                    confirmando = true;
                    transaccion.confirma();
                }
                return std::nullopt;
            } catch (const transferencia::ErrorTransferencia& e) {
                return fallo(QStringLiteral("El archivo %1 no se leyó igual que al revisarlo "
                                            "(cambió o falló su lectura): %2\n%3")
                                 .arg(nativa(), e.mensaje(), deshecha));
            } catch (const SubidaPedidos::ArchivoCambiado&) {
                return fallo(QStringLiteral("El archivo %1 cambió mientras se importaba: lo que "
                                            "se leyó para escribirlo no es lo que se revisó. "
                                            "Espere a que termine de copiarse o de guardarse.\n%2")
                                 .arg(nativa(), deshecha));
            } catch (const SubidaPedidos::YaImportados&) {
                ResultadoImportacion r = subida_->cuentas();
                r.ok = false;
                r.revision = opciones_.revisar;
                r.rechazadoPorImportados = true;
                r.pedidos = r.renglones = r.clientesNuevos = 0;
                r.mensaje = InformeImportacion::rechazo(r, nativa(), base_);
                return r;
            } catch (const transferencia::Cancelado&) {
                return fallo(QStringLiteral("Se canceló la importación. %1").arg(deshecha), true);
            } catch (const host::ErrorBdD& e) {
                if (confirmando && e.conexionPerdida())
                    return confirmacionPerdida(e, deshecha);
                // The server undid the transaction to untangle it from another one (also at
                // COMMIT, as a replicated cluster does): nothing is stored, so it runs again.
                // On a cluster, a row another node stored after this one looked shows up as a
                // duplicate key instead; run again, the look-ups find it. A duplicate that
                // stays is reported as the server's own error after the last try.
                if (reintentos.otraVez(e, [this] { return llamadas_.cancelado(); }))
                    continue;
                if (host::Reintentos::esBloqueo(e))
                    return fallo(QStringLiteral("No se pudo importar el archivo %1: otro usuario "
                                                "o importación ocupaba los mismos datos, y se "
                                                "intentó %2 veces. %3\n%4")
                                     .arg(nativa())
                                     .arg(reintentos.intentos())
                                     .arg(e.mensaje(), deshecha));
                return fallo(QStringLiteral("Falló la importación del archivo %1: %2\n%3")
                                 .arg(nativa(), e.mensaje(), deshecha));
            }
        }
    }

    // The connection went while the COMMIT's answer was on its way: the journal tells.
    std::optional<ResultadoImportacion> confirmacionPerdida(const host::ErrorBdD& e,
                                                            const QString& deshecha) {
        const int guardada =
            bitacora_ ? bitacora_->guardadaSegunOtraConexion(subida_->cuentas().pedidos) : -1;
        if (guardada == 0)
            return fallo(QStringLiteral("Se perdió la conexión mientras se confirmaba la "
                                        "importación, y la bitácora muestra que no quedó "
                                        "guardada. %1\n%2")
                             .arg(deshecha, e.mensaje()));
        if (guardada < 0) {
            ResultadoImportacion r =
                fallo(QStringLiteral("Se perdió la conexión mientras se confirmaba la "
                                     "importación: no se sabe si quedó guardada. Revise los "
                                     "pedidos de la base de datos%1 antes de importar el "
                                     "archivo otra vez.\n%2")
                          .arg(base_, e.mensaje()));
            r.incierta = true;
            return r;
        }
        confirmacionPerdida_ = QStringLiteral("Se perdió la conexión mientras se confirmaba la "
                                              "importación, pero la bitácora muestra que quedó "
                                              "guardada.");
        return std::nullopt;
    }

    ResultadoImportacion termina() {
        ResultadoImportacion r = subida_->cuentas();
        r.ok = true;
        r.revision = opciones_.revisar;
        r.importados = subida_->tomaImportados();
        r.mensaje = InformeImportacion::mensaje(r, base_);
        if (!confirmacionPerdida_.isEmpty())
            r.avisos << confirmacionPerdida_;
        const QString utf8 = codificacion_.aviso(subida_->primeraLineaMultibyte());
        if (!utf8.isEmpty())
            r.avisos << utf8;
        r.avisos << InformeImportacion::avisosDeLectura(r);
        return r;
    }

    host::Conexion& conexion_;
    const QString& archivo_;
    const LlamadasImportacion& llamadas_;
    const OpcionesImportacion& opciones_;
    const bitacora::Bitacora* bitacora_;
    QFile entrada_;
    const QString base_; // " \"empresa1\"", or empty
    std::unique_ptr<SubidaPedidos> subida_;
    transferencia::CodificacionArchivo codificacion_;
    QString confirmacionPerdida_;
};

} // namespace

QString PedidoImportado::texto() const {
    return QStringLiteral("Id %1, folio %2%3")
        .arg(id)
        .arg(serie.isEmpty() ? QString() : serie + QLatin1Char('-'))
        .arg(folio);
}

ResultadoImportacion SubePedidos(host::Conexion& conexion, const QString& archivo,
                                 const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas,
                                 const OpcionesImportacion& opciones) {
    // A leftover of earlier versions of the program; nothing reads it any more.
    if (!carpetaPrograma.isEmpty())
        QFile::remove(QDir(carpetaPrograma).filePath(QStringLiteral("ERROR.TMP")));

    // The preview writes what the import would and undoes it: it is refused as the import
    // would be, before anything is written, when a table could not undo it.
    try {
        host::ExigeTransacciones(
            conexion, conexion.baseEnUso(),
            QStringList{QStringLiteral("pedidos"), QStringLiteral("pedidosdetalle"),
                        QStringLiteral("clientes"), QStringLiteral("productos"),
                        QStringLiteral("sistema")} +
                bitacora::EsquemaBitacora::tablas(bitacora::Operacion::Importacion));
        // The preview reads the register too, and keeps no journal that would ask it.
        if (opciones.revisar)
            bitacora::EsquemaBitacora::exigeVersionConocida(conexion);
    } catch (const host::ErrorBdD& e) {
        return fallo(
            QStringLiteral("No se %1 el archivo %2: %3")
                .arg(opciones.revisar ? QStringLiteral("revisó") : QStringLiteral("importó"),
                     nativa(archivo), e.mensaje()));
    }
    // A preview keeps no entry: it stored nothing, and the journal tells what was done.
    std::unique_ptr<bitacora::Bitacora> bitacora;
    if (!opciones.revisar) {
        bitacora::Parametros parametros;
        parametros.archivo = opciones.origen.isEmpty() ? nativa(archivo) : opciones.origen;
        try {
            bitacora = std::make_unique<bitacora::Bitacora>(
                conexion, bitacora::Operacion::Importacion, parametros);
        } catch (const transferencia::Cancelado&) {
            // Stopped while the server kept the journal waiting (a backup's lock, say).
            return fallo(QStringLiteral("Se canceló la importación. No se escribió nada."), true);
        } catch (const host::ErrorBdD& e) {
            return fallo(QStringLiteral("No se importó el archivo %1: %2\nNo se escribió nada.")
                             .arg(nativa(archivo), e.mensaje()));
        }
    }
    ResultadoImportacion r =
        CorridaImportacion(conexion, archivo, llamadas, opciones, bitacora.get()).importa();
    if (bitacora) {
        r.corrida = bitacora->corrida();
        r.avisoBitacora = bitacora->aviso();
        if (!r.avisoBitacora.isEmpty())
            r.avisoBitacora += QStringLiteral("\nSin bitácora, esta importación no queda "
                                              "registrada y no se podrá reconocer si el archivo "
                                              "se importa otra vez.");
        QString mensaje = r.mensaje;
        for (const QString& aviso : std::as_const(r.avisos))
            mensaje += QLatin1Char('\n') + aviso;
        // The end is recorded even when the user cancels meanwhile.
        const host::Vigia::SinInterrumpir sinInterrumpir;
        const QString fin = bitacora->cierra(r.ok          ? bitacora::EstadoCorrida::Hecho
                                             : r.cancelado ? bitacora::EstadoCorrida::Cancelado
                                                           : bitacora::EstadoCorrida::Fallido,
                                             mensaje, {r.pedidos, r.renglones, r.clientesNuevos});
        r.avisoBitacora = bitacora::juntaAvisos(r.avisoBitacora, fin);
    }
    return r;
}

ResultadoImportacion SubePedidos(const host::BasesDD& bases, const QString& baseImportar,
                                 const QString& archivo, const QString& carpetaPrograma,
                                 const LlamadasImportacion& llamadas,
                                 const OpcionesImportacion& opciones) {
    if (baseImportar.trimmed().isEmpty())
        return fallo(QStringLiteral("No está configurada la base de datos para importar "
                                    "pedidos (\"Para importar pedidos\")."));
    std::unique_ptr<host::Conexion> conexion;
    try {
        conexion = bases.abre(baseImportar);
    } catch (const host::ErrorBdD& e) {
        return fallo(e.mensaje());
    }
    return SubePedidos(*conexion, archivo, carpetaPrograma, llamadas, opciones);
}

} // namespace importacion
