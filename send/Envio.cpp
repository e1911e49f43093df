#include "send/Envio.h"

#include "data/FormatoTransferencia.h"
#include "send/VerificaDestino.h"
#include "shell/Cantidad.h"
#include "shell/host/Conexion.h"
#include "shell/host/ErrorBdD.h"
#include "shell/host/Recordset.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace envio {

namespace {

QString nativa(const QString& ruta) {
    return QDir::toNativeSeparators(ruta);
}

// How the destination's journal names where the orders came from.
QString origen(host::Conexion& exportacion) {
    const host::ParametrosConexion& p = exportacion.parametros();
    return QStringLiteral("Enviado desde el servidor %1:%2, base %3")
        .arg(p.servidor)
        .arg(p.puerto)
        .arg(exportacion.baseEnUso());
}

// The server and database a connection reaches, as the server names them: two settings that
// reach the same database give the same text.
QString dondeLlega(host::Conexion& conexion) {
    auto rs = conexion.consulta(
        QStringLiteral("SELECT CONCAT(@@hostname, ':', @@port, '/', DATABASE())"));
    return rs->texto(0);
}

// A name no file of the folder has yet: two sends within one second keep both files.
QString nombreLibre(const QString& carpeta, const QString& nombre) {
    QString libre = nombre;
    for (int n = 2; QFileInfo::exists(QDir(carpeta).filePath(transferencia::nombreArchivo(libre)));
         ++n)
        libre = QStringLiteral("%1 (%2)").arg(nombre).arg(n);
    return libre;
}

// The destination's preview: the file goes to a folder of its own that is removed at once,
// so nothing is kept or recorded on either side.
ResultadoEnvio revisa(host::Conexion& exportacion, host::Conexion& destino,
                      const QVector<qint64>& ids, const QStringList& propios,
                      const transferencia::Avance& avance,
                      const importacion::LlamadasImportacion& llamadas,
                      const importacion::OpcionesImportacion& opciones) {
    ResultadoEnvio r;
    QTemporaryDir temporal;
    if (!temporal.isValid()) {
        r.mensaje = QStringLiteral("No se pudo crear la carpeta temporal de la revisión: %1")
                        .arg(temporal.errorString());
        return r;
    }
    const auto e = exportacion::EscribeArchivo(exportacion, ids, QStringLiteral("revision"),
                                               temporal.path(), avance, propios);
    if (!e.ok) {
        r.mensaje = e.mensaje;
        r.cancelado = e.cancelado;
        return r;
    }
    r.avisos << e.avisos;
    r.importacion = importacion::SubePedidos(destino, e.archivo, {}, llamadas, opciones);
    r.importacionHecha = true;
    r.ok = r.importacion.ok;
    r.cancelado = r.importacion.cancelado;
    r.mensaje = r.importacion.mensaje;
    return r;
}

} // namespace

QString CarpetaEnviados(const QString& carpetaPrograma) {
    return QDir::cleanPath(QDir(carpetaPrograma).absoluteFilePath(QStringLiteral("enviados")));
}

QString NombreEnvio(const QDateTime& cuando, const QString& destino) {
    QString nombre = destino;
    for (QChar& c : nombre)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_')
            c = u'_';
    return QStringLiteral("envio %1 %2")
        .arg(cuando.toString(QStringLiteral("yyyy-MM-dd HHmmss")), nombre);
}

ResultadoEnvio Envia(host::Conexion& exportacion, const QVector<qint64>& ids,
                     const Destino& destino, const QString& carpetaPrograma,
                     const QStringList& propios, const transferencia::Avance& avance,
                     const OpcionesEnvio& opciones) {
    ResultadoEnvio r;
    // Reached first: a destination that cannot take the orders leaves no export behind.
    std::unique_ptr<host::Conexion> conexion;
    try {
        conexion = ConectaDestino(destino);
    } catch (const host::ErrorBdD& e) {
        r.mensaje = QStringLiteral("No se envió nada. %1").arg(e.mensaje());
        return r;
    }
    // Sent to the database it comes from, every order would be there twice.
    try {
        if (dondeLlega(*conexion) == dondeLlega(exportacion)) {
            r.mensaje = QStringLiteral("No se envió nada: el destino %1 es la misma base de datos "
                                       "de la que se exportan los pedidos.")
                            .arg(destino.texto());
            return r;
        }
    } catch (const host::ErrorBdD& e) {
        r.mensaje = QStringLiteral("No se envió nada. %1").arg(e.mensaje());
        return r;
    }
    if (const QString aviso = destino.avisoSinCifrado(); !aviso.isEmpty())
        r.avisos << aviso;
    importacion::OpcionesImportacion oi;
    oi.importados = opciones.importados;
    oi.revisar = opciones.revisar;
    oi.origen = origen(exportacion);
    importacion::LlamadasImportacion llamadas;
    static_cast<transferencia::Avance&>(llamadas) = avance;
    if (opciones.revisar) {
        ResultadoEnvio v = revisa(exportacion, *conexion, ids, propios, avance, llamadas, oi);
        v.avisos = r.avisos + v.avisos;
        return v;
    }

    const QString carpeta = CarpetaEnviados(carpetaPrograma);
    if (!QDir().mkpath(carpeta)) {
        r.mensaje = QStringLiteral("No se envió nada: no se pudo crear la carpeta %1, donde se "
                                   "guardan los archivos enviados.")
                        .arg(nativa(carpeta));
        return r;
    }
    exportacion::EntregaExportacion entrega;
    entrega.destino = QStringLiteral("Destino %1").arg(destino.texto());
    // Runs once the file is kept and its orders are in this journal, before the export's
    // entry is closed: the entry then tells what the destination did with it.
    entrega.entrega = [&](exportacion::ResultadoExportacion& e) {
        r.importacion =
            importacion::SubePedidos(*conexion, e.archivo, carpetaPrograma, llamadas, oi);
        r.importacionHecha = true;
        if (r.importacion.ok)
            return QStringLiteral("Llegó al destino %1: %2 en su bitácora, corrida %3.")
                .arg(destino.nombre,
                     cantidad(r.importacion.pedidos, QStringLiteral("pedido importado"),
                              QStringLiteral("pedidos importados")))
                .arg(r.importacion.corrida);
        return QStringLiteral("No llegó al destino %1%2: %3")
            .arg(destino.nombre,
                 r.importacion.corrida
                     ? QStringLiteral(" (corrida %1 de su bitácora)").arg(r.importacion.corrida)
                     : QString(),
                 r.importacion.mensaje);
    };
    // Another send from this folder in the same second may take the name first: the next
    // free one is taken then, and nothing of the first try reached the destination.
    const QDateTime ahora = QDateTime::currentDateTime();
    exportacion::ResultadoExportacion e;
    for (int intento = 0; intento < 10; ++intento) {
        e = exportacion::ExportaPedidos(
            exportacion, ids, nombreLibre(carpeta, NombreEnvio(ahora, destino.nombre)), carpeta,
            carpeta, avance, propios, false, opciones.desde, opciones.hasta, entrega);
        if (!e.nombreOcupado)
            break;
    }
    r.corridaExportacion = e.corrida;
    r.avisos << e.avisos;
    if (!e.avisoBitacora.isEmpty())
        r.avisos << e.avisoBitacora;
    if (!e.ok) {
        r.cancelado = e.cancelado;
        r.mensaje = e.cancelado ? QStringLiteral("Se canceló el envío antes de escribir el "
                                                 "archivo: no se envió nada.")
                                : QStringLiteral("No se envió nada. %1").arg(e.mensaje);
        return r;
    }
    r.exportado = true;
    r.archivo = e.archivo;
    r.cancelado = r.importacion.cancelado;
    r.ok = r.importacion.ok;
    const QString guardado =
        QStringLiteral("El archivo enviado se guardó en %1 (corrida %2 de la bitácora de "
                       "exportación).")
            .arg(nativa(e.archivo))
            .arg(e.corrida);
    // The destination's import is one transaction: unless its COMMIT could not be settled,
    // what is not stored whole is not there at all.
    r.resumen = (r.ok ? QStringLiteral("Llegó al destino %1")
                 : r.importacion.incierta
                     ? QStringLiteral("No se pudo comprobar si llegó el envío al destino %1")
                     : QStringLiteral("No llegó nada al destino %1"))
                    .arg(destino.nombre);
    r.mensaje = QStringLiteral("%1: %2\n%3").arg(r.resumen, r.importacion.mensaje, guardado);
    return r;
}

} // namespace envio
