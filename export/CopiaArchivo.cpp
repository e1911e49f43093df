#include "export/Exportacion.h"

#include "data/FormatoTransferencia.h"
#include "shell/host/FalloSistema.h"
#include "shell/host/ReemplazoArchivo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <cerrno>

namespace exportacion {

namespace {

QString nativa(const QString& ruta) {
    return QDir::toNativeSeparators(ruta);
}

QString motivo(const QFileDevice& archivo, int numero) {
    return host::FalloSistema::deArchivo(archivo, numero).texto();
}

// Copies through a temporary file renamed at the end, so a full or removed volume never
// leaves a cut copy under the real name. Empty on success, else the reason.
QString copia(const QString& origen, const QString& destino) {
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly))
        return motivo(entrada, errno);
    QSaveFile salida(destino);
    if (!salida.open(QIODevice::WriteOnly))
        return motivo(salida, errno);
    QByteArray bloque(1 << 18, Qt::Uninitialized);
    for (;;) {
        const qint64 n = entrada.read(bloque.data(), bloque.size());
        if (n < 0) {
            const QString texto = motivo(entrada, errno);
            salida.cancelWriting();
            return texto;
        }
        if (n == 0)
            break;
        if (salida.write(bloque.constData(), n) != n) {
            const QString texto = motivo(salida, errno);
            salida.cancelWriting();
            return texto;
        }
    }
    if (!host::ReemplazoArchivo::confirma(salida))
        return motivo(salida, errno);
    return {};
}

} // namespace

QString RutaCopia(const QString& nombre, const QString& carpetaDestino) {
    return QDir::cleanPath(QDir(QFileInfo(carpetaDestino).absoluteFilePath())
                               .filePath(transferencia::nombreArchivo(nombre)));
}

void CopiaArchivo(ResultadoExportacion& r, const QString& carpetaDestino, bool reemplazar) {
    const QFileInfo carpeta(carpetaDestino);
    if (carpetaDestino.trimmed().isEmpty() || !carpeta.isDir()) {
        r.ok = false;
        r.mensaje = QStringLiteral("El archivo %1 se escribió, pero no se copió: la carpeta de "
                                   "destino \"%2\" no existe o no está disponible.")
                        .arg(nativa(r.archivo), nativa(carpetaDestino));
        return;
    }
    const QString destino =
        QDir::cleanPath(QDir(carpeta.absoluteFilePath()).filePath(QFileInfo(r.archivo).fileName()));
    // Copying a file onto itself would only empty it.
    if (QFileInfo(destino).canonicalFilePath() != QFileInfo(r.archivo).canonicalFilePath()) {
        if (QFileInfo::exists(destino)) {
            if (!reemplazar) {
                r.ok = false;
                r.mensaje = QStringLiteral("El archivo %1 se escribió, pero no se copió: ya hay "
                                           "un archivo %2, que quedó como estaba.")
                                .arg(nativa(r.archivo), nativa(destino));
                return;
            }
            r.reemplazo = true;
        }
        const QString fallo = copia(r.archivo, destino);
        if (!fallo.isEmpty()) {
            r.ok = false;
            r.mensaje = QStringLiteral("El archivo %1 se escribió, pero no se pudo copiar a "
                                       "%2. %3")
                            .arg(nativa(r.archivo), nativa(destino), fallo);
            return;
        }
    }
    r.copia = destino;
    r.ok = true;
    r.mensaje = MensajeEscrito(r) + QStringLiteral(" y se copió a %1.").arg(nativa(destino));
    if (r.reemplazo)
        r.mensaje += QStringLiteral(" Se reemplazó el archivo que ya había ahí con ese nombre.");
}

QStringList UnidadesDestino() {
    static const QList<QByteArray> internos = {"proc",   "sysfs",   "devtmpfs", "devpts",  "tmpfs",
                                               "cgroup", "cgroup2", "overlay",  "squashfs"};
    QStringList raices;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady() || v.isReadOnly() || internos.contains(v.fileSystemType()))
            continue;
        raices << v.rootPath();
    }
    return raices;
}

} // namespace exportacion
