#include "export/Exportacion.h"

#include "data/FormatoTransferencia.h"
#include "shell/host/ArchivoNuevo.h"
#include "shell/host/FalloSistema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace exportacion {

namespace {

QString nativa(const QString& ruta) {
    return QDir::toNativeSeparators(ruta);
}

QString motivo(const QFileDevice& archivo, int numero) {
    return host::FalloSistema::deArchivo(archivo, numero).texto();
}

// Copies into a new file renamed over the name at the end (ArchivoNuevo), so a full or
// removed volume never leaves a cut copy under the real name, and a link of that name is
// replaced, never written through. Empty on success, else the reason.
QString copia(const QString& origen, const QString& destino, host::ArchivoNuevo::SiHayNombre siHay,
              bool& ocupado) {
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly))
        return motivo(entrada, errno);
    host::ArchivoNuevo nuevo(destino);
    if (!nuevo.abre())
        return nuevo.fallo().texto();
    QFileDevice& salida = nuevo.dispositivo();
    QByteArray bloque(1 << 18, Qt::Uninitialized);
    for (;;) {
        const qint64 n = entrada.read(bloque.data(), bloque.size());
        if (n < 0)
            return motivo(entrada, errno);
        if (n == 0)
            break;
        if (salida.write(bloque.constData(), n) != n)
            return motivo(salida, errno);
    }
    if (!nuevo.confirma(siHay)) {
        ocupado = nuevo.nombreOcupado();
        return nuevo.fallo().texto();
    }
    return {};
}

QString ocupadoAlCopiar(const QString& archivo, const QString& destino) {
    return QStringLiteral("El archivo %1 se escribió, pero no se copió: ya hay un archivo %2, "
                          "que quedó como estaba.")
        .arg(nativa(archivo), nativa(destino));
}

} // namespace

QString MensajeNombreOcupado(const QString& ruta) {
    return QStringLiteral("No se exportó nada: ya hay un archivo %1, que quedó como estaba.")
        .arg(nativa(ruta));
}

bool CopiaEnLaMismaCarpeta(const QString& carpetaPrograma, const QString& carpetaDestino) {
    return QFileInfo(carpetaPrograma).canonicalFilePath() ==
           QFileInfo(carpetaDestino).canonicalFilePath();
}

QString RutaCopia(const QString& nombre, const QString& carpetaDestino) {
    return QDir::cleanPath(QDir(QFileInfo(carpetaDestino).absoluteFilePath())
                               .filePath(transferencia::nombreArchivo(nombre)));
}

QString CompruebaCarpeta(const QString& carpeta, const QString& nombre, bool esDestino) {
    const QString cual = esDestino ? QStringLiteral("la carpeta de destino")
                                   : QStringLiteral("la carpeta del programa");
    // A link to a folder is the folder the user chose; only the file's own name is never
    // followed.
    const QFileInfo info(carpeta);
    if (carpeta.trimmed().isEmpty() || !info.exists())
        return QStringLiteral("No se exportó nada: %1 \"%2\" no existe o no está disponible "
                              "(quizá se retiró la unidad). Elija otra unidad o carpeta.")
            .arg(cual, nativa(carpeta));
    if (!info.isDir())
        return QStringLiteral("No se exportó nada: %1 \"%2\" no es una carpeta. Elija una "
                              "carpeta.")
            .arg(cual, nativa(carpeta));
#ifdef Q_OS_UNIX
    if (::access(QFile::encodeName(info.absoluteFilePath()).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("No se exportó nada: no se puede escribir en %1 \"%2\". %3")
            .arg(cual, nativa(carpeta),
                 host::FalloSistema::deNumero(errno, QFileDevice::OpenError).texto());
#else
    if (!info.isWritable())
        return QStringLiteral("No se exportó nada: no se puede escribir en %1 \"%2\". %3")
            .arg(cual, nativa(carpeta),
                 host::FalloSistema::deNumero(EACCES, QFileDevice::OpenError).texto());
#endif
    const QString ruta = RutaCopia(nombre, carpeta);
    if (const host::FalloSistema f = host::ArchivoNuevo::impide(ruta); !f.mensaje.isEmpty())
        return QStringLiteral("No se exportó nada: el archivo %1 no se puede reemplazar. %2")
            .arg(nativa(ruta), f.texto());
    return {};
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
    // Copying into the program folder itself would only empty the file.
    if (!CopiaEnLaMismaCarpeta(QFileInfo(r.archivo).absolutePath(), carpetaDestino)) {
        if (host::ArchivoNuevo::hayNombre(destino)) {
            if (!reemplazar) {
                r.ok = false;
                r.mensaje = ocupadoAlCopiar(r.archivo, destino);
                return;
            }
            r.reemplazo = true;
        }
        bool ocupado = false;
        const QString fallo = copia(r.archivo, destino,
                                    reemplazar ? host::ArchivoNuevo::SiHayNombre::Reemplaza
                                               : host::ArchivoNuevo::SiHayNombre::Respeta,
                                    ocupado);
        if (ocupado) {
            r.ok = false;
            r.mensaje = ocupadoAlCopiar(r.archivo, destino);
            return;
        }
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
