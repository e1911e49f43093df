#include "shell/host/ReemplazoArchivo.h"

#include "shell/host/ArchivoNuevo.h"
#include "shell/host/ErrorArchivo.h"
#include "shell/host/FalloSistema.h"

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace host {

namespace {

// Through a new file renamed over the old one (ruta is the file itself, never a link).
// Without datos (a new file) the system's defaults apply. False with nada set when the new
// file could not take the old file's owner or permissions (or could not be created), so the
// caller may write in place.
#ifdef Q_OS_UNIX
bool porRenombre(const QString& ruta, const QByteArray& bytes, const struct stat* datos, bool& nada,
                 FalloSistema& fallo) {
#else
bool porRenombre(const QString& ruta, const QByteArray& bytes, const void*, bool& nada,
                 FalloSistema& fallo) {
#endif
    nada = false;
    ArchivoNuevo archivo(ruta);
    if (!archivo.abre()) {
        fallo = archivo.fallo();
        nada = true;
        return false;
    }
#ifdef Q_OS_UNIX
    if (datos) {
        const int fd = archivo.dispositivo().handle();
        const bool mismoDueno = datos->st_uid == geteuid() && datos->st_gid == getegid();
        if ((!mismoDueno && fchown(fd, datos->st_uid, datos->st_gid) != 0) ||
            fchmod(fd, datos->st_mode & 07777) != 0) {
            fallo = FalloSistema::deNumero(errno, QFileDevice::PermissionsError);
            archivo.descarta();
            nada = true;
            return false;
        }
    }
#endif
    if (archivo.dispositivo().write(bytes) != bytes.size()) {
        fallo = FalloSistema::deArchivo(archivo.dispositivo(), errno);
        return false;
    }
    if (!archivo.confirma()) {
        fallo = archivo.fallo();
        return false;
    }
    return true;
}

#ifdef Q_OS_UNIX
// The same bytes over the old ones, in the file itself, which keeps its owner and
// permissions.
bool enSuLugar(const QString& ruta, const QByteArray& bytes, FalloSistema& fallo) {
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        fallo = FalloSistema::deNumero(errno, QFileDevice::OpenError);
        return false;
    }
    const auto falla = [&](QFileDevice::FileError tipo, int numero) {
        fallo = FalloSistema::deNumero(numero, tipo);
        ::close(fd);
        return false;
    };
    struct stat datos {};
    if (fstat(fd, &datos) != 0)
        return falla(QFileDevice::ReadError, errno);
    // Room first: a disk that cannot hold the new size refuses here, before any byte changed.
    if (bytes.size() > datos.st_size) {
        const int r = posix_fallocate(fd, 0, bytes.size());
        if (r != 0 && r != EOPNOTSUPP && r != EINVAL)
            return falla(QFileDevice::WriteError, r);
    }
    qint64 hecho = 0;
    while (hecho < bytes.size()) {
        const ssize_t n =
            pwrite(fd, bytes.constData() + hecho, size_t(bytes.size() - hecho), hecho);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return falla(QFileDevice::WriteError, n < 0 ? errno : EIO);
        hecho += n;
    }
    if (ftruncate(fd, bytes.size()) != 0 || fsync(fd) != 0)
        return falla(QFileDevice::WriteError, errno);
    if (::close(fd) != 0) {
        fallo = FalloSistema::deNumero(errno, QFileDevice::WriteError);
        return false;
    }
    return true;
}
#endif

} // namespace

bool ReemplazoArchivo::confirma(QSaveFile& archivo) {
    return archivo.flush() && archivo.commit();
}

namespace {

bool reemplazaOFalla(const QString& ruta, const QByteArray& bytes, FalloSistema& fallo) {
    // A link stays a link: what changes is the file it points to.
    const QFileInfo info(ruta);
    const QString destino = !info.isSymLink() ? ruta
                            : info.exists()   ? info.canonicalFilePath()
                                              : info.symLinkTarget();
    bool nada = false;
#ifdef Q_OS_UNIX
    struct stat datos {};
    if (::stat(QFile::encodeName(destino).constData(), &datos) != 0) {
        if (errno != ENOENT) {
            fallo = FalloSistema::deNumero(errno, QFileDevice::OpenError);
            return false;
        }
        return porRenombre(destino, bytes, nullptr, nada, fallo);
    }
    if (S_ISDIR(datos.st_mode) || !S_ISREG(datos.st_mode)) {
        fallo = FalloSistema::deNumero(S_ISDIR(datos.st_mode) ? EISDIR : EACCES,
                                       QFileDevice::OpenError);
        return false;
    }
    if ((datos.st_mode & 0222) == 0) {
        fallo = FalloSistema::deNumero(EACCES, QFileDevice::PermissionsError);
        return false;
    }
    if (::access(QFile::encodeName(destino).constData(), W_OK) != 0) {
        fallo = FalloSistema::deNumero(errno, QFileDevice::PermissionsError);
        return false;
    }
    // A file with other names (hard links) must stay the one file they all name.
    if (datos.st_nlink > 1)
        return enSuLugar(destino, bytes, fallo);
    if (porRenombre(destino, bytes, &datos, nada, fallo))
        return true;
    return nada && enSuLugar(destino, bytes, fallo);
#else
    return porRenombre(destino, bytes, nullptr, nada, fallo);
#endif
}

} // namespace

void ReemplazoArchivo::reemplaza(const QString& ruta, const QByteArray& bytes) {
    FalloSistema fallo;
    if (!reemplazaOFalla(ruta, bytes, fallo))
        throw ErrorArchivo(
            QStringLiteral("No se pudo escribir el archivo \"%1\". %2").arg(ruta, fallo.texto()));
}

} // namespace host
