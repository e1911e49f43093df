#include "import/Importacion.h"

#include "data/Bitacora.h"
#include "data/CodificacionArchivo.h"
#include "data/ErrorTransferencia.h"
#include "import/InformeImportacion.h"
#include "import/SubidaPedidos.h"
#include "shell/Cantidad.h"
#include "shell/host/BasesDD.h"
#include "shell/host/FalloSistema.h"
#include "shell/host/MotorTablas.h"
#include "shell/host/Recordset.h"
#include "shell/host/Reintentos.h"
#include "shell/host/Vigia.h"

#include <QDir>
#include <QFile>
#include <cerrno>

namespace importacion {

using Informe = InformeImportacion;

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

QString pedidos(qint64 n) {
    return cantidad(n, QStringLiteral("pedido"), QStringLiteral("pedidos"));
}

// The COMMIT was sent and the connection went before its answer. The journal's rows of the
// run went in or out with the orders: a new connection that finds them knows the import is
// stored. 1: stored, 0: not stored, -1: still unknown.
int guardadaSegunBitacora(const host::Conexion& conexion, const bitacora::Bitacora* bitacora,
                          qint64 pedidosEscritos) {
    if (!bitacora || !bitacora->activa() || pedidosEscritos == 0)
        return -1;
    // The user is told what the server did, whatever the user asks meanwhile.
    const host::Vigia::SinInterrumpir sinInterrumpir;
    try {
        auto otra = host::Conexion::abrir(conexion.parametros());
        auto rs = otra->consulta(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Corrida=?")
                                     .arg(bitacora::Bitacora::tablaPedidos()),
                                 {bitacora->corrida()});
        const qint64 anotados = rs->entero(0);
        return anotados == pedidosEscritos ? 1 : anotados == 0 ? 0 : -1;
    } catch (const host::ErrorBdD&) {
        return -1;
    }
}

// The import proper, inside the journal entry that SubePedidos opens and closes.
ResultadoImportacion importa(host::Conexion& conexion, const QString& archivo,
                             const LlamadasImportacion& llamadas,
                             const OpcionesImportacion& opciones,
                             const bitacora::Bitacora* bitacora) {
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
            return fallo(
                QStringLiteral("No se pudo volver a leer el archivo %1: %2")
                    .arg(nativa(archivo), host::FalloSistema::deArchivo(entrada, errno).texto()));
        subida = std::make_unique<SubidaPedidos>(conexion, llamadas, opciones, bitacora,
                                                 nativa(archivo));
        subida->revisa(entrada, codificacion.tipo());
    } catch (const transferencia::Cancelado&) {
        return fallo(QStringLiteral("Se canceló la importación. %1").arg(nada), true);
    } catch (const host::Error& e) {
        // The file or the database: either way nothing was written.
        return fallo(QStringLiteral("No se importó el archivo %1: %2\n%3")
                         .arg(nativa(archivo), e.mensaje(), nada));
    }

    const QString deshecha =
        QStringLiteral("La importación se deshizo por completo: la base de datos%1 quedó "
                       "como estaba y el archivo puede importarse de nuevo.")
            .arg(base);
    QString confirmacionPerdida;
    conexion.leeAlDia();
    host::Reintentos reintentos(host::reintentosImportacion);
    for (;;) {
        bool confirmando = false;
        try {
            if (!entrada.seek(0))
                return fallo(QStringLiteral("No se pudo volver a leer el archivo %1: %2")
                                 .arg(nativa(archivo),
                                      host::FalloSistema::deArchivo(entrada, errno).texto()));
            host::Transaccion transaccion(conexion);
            subida->sube(entrada, codificacion.tipo());
            // A preview ends here: leaving the scope rolls everything back.
            if (!opciones.revisar) {
                confirmando = true;
                transaccion.confirma();
            }
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
        } catch (const SubidaPedidos::YaImportados&) {
            ResultadoImportacion r = subida->cuentas();
            r.ok = false;
            r.revision = opciones.revisar;
            r.rechazadoPorImportados = true;
            r.pedidos = r.renglones = r.clientesNuevos = 0;
            const QString cuando = Informe::cuando(r.yaImportados);
            r.mensaje =
                QStringLiteral("El archivo %1 trae %2 que ya se %3 a la base de datos%4%5. %6")
                    .arg(nativa(archivo), pedidos(r.yaImportados.size()),
                         r.yaImportados.size() == 1 ? QStringLiteral("importó")
                                                    : QStringLiteral("importaron"),
                         base, cuando.isEmpty() ? QString() : QLatin1Char(' ') + cuando,
                         opciones.revisar ? QStringLiteral("La importación rechazaría el "
                                                           "archivo; no se escribió nada.")
                                          : QStringLiteral("No se importó nada."));
            return r;
        } catch (const transferencia::Cancelado&) {
            return fallo(QStringLiteral("Se canceló la importación. %1").arg(deshecha), true);
        } catch (const host::ErrorBdD& e) {
            if (confirmando && e.conexionPerdida()) {
                const int guardada =
                    guardadaSegunBitacora(conexion, bitacora, subida->cuentas().pedidos);
                if (guardada == 0)
                    return fallo(QStringLiteral("Se perdió la conexión mientras se confirmaba la "
                                                "importación, y la bitácora muestra que no quedó "
                                                "guardada. %1\n%2")
                                     .arg(deshecha, e.mensaje()));
                if (guardada < 0)
                    return fallo(QStringLiteral("Se perdió la conexión mientras se confirmaba la "
                                                "importación: no se sabe si quedó guardada. "
                                                "Revise los pedidos de la base de datos%1 antes "
                                                "de importar el archivo otra vez.\n%2")
                                     .arg(base, e.mensaje()));
                confirmacionPerdida = QStringLiteral("Se perdió la conexión mientras se "
                                                     "confirmaba la importación, pero la "
                                                     "bitácora muestra que quedó guardada.");
                break;
            }
            // The server undid the transaction to untangle it from another one (also at
            // COMMIT, as a replicated cluster does): nothing is stored, so it runs again.
            // On a cluster, a row another node stored after this one looked shows up as a
            // duplicate key instead; run again, the look-ups find it. A duplicate that stays
            // is reported as the server's own error after the last try.
            if (reintentos.otraVez(e, [&llamadas] { return llamadas.cancelado(); }))
                continue;
            if (host::Reintentos::esBloqueo(e))
                return fallo(QStringLiteral("No se pudo importar el archivo %1: otro usuario o "
                                            "importación ocupaba los mismos datos, y se intentó "
                                            "%2 veces. %3\n%4")
                                 .arg(nativa(archivo))
                                 .arg(reintentos.intentos())
                                 .arg(e.mensaje(), deshecha));
            return fallo(QStringLiteral("Falló la importación del archivo %1: %2\n%3")
                             .arg(nativa(archivo), e.mensaje(), deshecha));
        }
    }

    ResultadoImportacion r = subida->cuentas();
    r.ok = true;
    r.revision = opciones.revisar;
    r.importados = subida->tomaImportados();
    const qint64 yaImportados = r.yaImportados.size();
    if (r.pedidos == 0 && r.pedidosOmitidos > 0) {
        const QString cuando = Informe::cuando(r.yaImportados);
        r.mensaje = QStringLiteral("No se %1 ningún pedido: %2 del archivo ya se %3 a la base "
                                   "de datos%4%5.")
                        .arg(r.revision ? QStringLiteral("importaría") : QStringLiteral("importó"),
                             r.pedidosOmitidos == 1
                                 ? QStringLiteral("el único pedido")
                                 : QStringLiteral("los %1 pedidos").arg(r.pedidosOmitidos),
                             r.pedidosOmitidos == 1 ? QStringLiteral("había importado")
                                                    : QStringLiteral("habían importado"),
                             base, cuando.isEmpty() ? QString() : QLatin1Char(' ') + cuando);
    } else {
        const bool uno = r.pedidos == 1;
        r.mensaje =
            QStringLiteral("Se %1 %2 con %3; %4.")
                .arg(r.revision ? (uno ? QStringLiteral("importaría") : QStringLiteral("importarían"))
                                : (uno ? QStringLiteral("importó") : QStringLiteral("importaron")),
                     pedidos(r.pedidos),
                     cantidad(r.renglones, QStringLiteral("renglón"), QStringLiteral("renglones")),
                     cantidad(r.clientesNuevos, QStringLiteral("cliente nuevo"),
                              QStringLiteral("clientes nuevos")));
        const bool unoOmitido = r.pedidosOmitidos == 1;
        if (r.pedidosOmitidos > 0)
            r.mensaje +=
                QStringLiteral(" Se %1 %2 que ya se %3.")
                    .arg(r.revision ? (unoOmitido ? QStringLiteral("omitiría")
                                                  : QStringLiteral("omitirían"))
                                    : (unoOmitido ? QStringLiteral("omitió")
                                                  : QStringLiteral("omitieron")),
                         pedidos(r.pedidosOmitidos),
                         r.pedidosOmitidos == 1 ? QStringLiteral("había importado")
                                                : QStringLiteral("habían importado"));
        else if (yaImportados > 0)
            r.mensaje +=
                QStringLiteral(" %1 ya se %2 antes.")
                    .arg(yaImportados == 1 ? QStringLiteral("Uno de ellos")
                                           : QStringLiteral("%1 de ellos").arg(yaImportados),
                         yaImportados == 1 ? QStringLiteral("había importado")
                                           : QStringLiteral("habían importado"));
    }
    if (r.revision)
        r.mensaje += QStringLiteral(" Es una revisión: no se escribió nada en la base de "
                                    "datos%1.")
                         .arg(base);
    if (!confirmacionPerdida.isEmpty())
        r.avisos << confirmacionPerdida;
    const QString utf8 = codificacion.aviso(subida->primeraLineaMultibyte());
    if (!utf8.isEmpty())
        r.avisos << utf8;
    if (r.renglonesOmitidos > 0)
        r.avisos << (r.renglonesOmitidos == 1
                         ? QStringLiteral("Se %1 1 renglón que estaba antes del primer pedido "
                                          "del archivo.")
                               .arg(r.revision ? QStringLiteral("omitiría")
                                               : QStringLiteral("omitió"))
                         : QStringLiteral("Se %1 %2 renglones que estaban antes del primer "
                                          "pedido del archivo.")
                               .arg(r.revision ? QStringLiteral("omitirían")
                                               : QStringLiteral("omitieron"))
                               .arg(r.renglonesOmitidos));
    const qint64 textos = r.descartesTotal - r.renglonesOmitidos;
    for (const Descarte& d : std::as_const(r.descartes))
        if (!d.texto.isEmpty()) {
            r.avisos << QStringLiteral("Se %1 el texto que seguía a las comillas de cierre de "
                                       "%2 del archivo (el primero, en la línea %3: \"%4\").")
                            .arg(r.revision ? QStringLiteral("descartaría")
                                            : QStringLiteral("descartó"),
                                 textos == 1 ? QStringLiteral("un campo")
                                             : QStringLiteral("%1 campos").arg(textos))
                            .arg(d.linea)
                            .arg(d.texto.left(200));
            break;
        }
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
                bitacora::Bitacora::tablas(bitacora::Operacion::Importacion));
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
        parametros.archivo = nativa(archivo);
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
    ResultadoImportacion r = importa(conexion, archivo, llamadas, opciones, bitacora.get());
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
        const QString fin = bitacora->cierra(r.ok          ? bitacora::Desenlace::Hecho
                                             : r.cancelado ? bitacora::Desenlace::Cancelado
                                                           : bitacora::Desenlace::Fallido,
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
