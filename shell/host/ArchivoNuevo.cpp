#include "shell/host/ArchivoNuevo.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace host {

bool ArchivoNuevo::falla(int numero, QFileDevice::FileError tipo) {
    fallo_ = FalloSistema::deNumero(numero, tipo);
    return false;
}

#ifdef Q_OS_UNIX

namespace {

QByteArray nativo(const QString& ruta) {
    return QFile::encodeName(ruta);
}

// A name beside ruta that nothing is likely to have: "pedidos.txt.k3v9qa".
QString nombreTemporal(const QString& ruta) {
    static const char letras[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString sufijo;
    for (int i = 0; i < 6; ++i)
        sufijo += QLatin1Char(letras[QRandomGenerator::global()->bounded(36)]);
    return ruta + QLatin1Char('.') + sufijo;
}

// Gives temporal the name only while nothing has it, in one step, so that of two writers of
// one name the second fails with EEXIST instead of replacing the first one's file. Volumes
// without such a rename get a hard link; those without links either (a FAT stick) can only
// be asked first.
bool poneSinReemplazar(const QString& temporal, const QString& ruta) {
    const QByteArray de = nativo(temporal), a = nativo(ruta);
    if (::renameat2(AT_FDCWD, de.constData(), AT_FDCWD, a.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(de.constData(), a.constData()) == 0) {
        ::unlink(de.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    struct stat datos {};
    if (::lstat(a.constData(), &datos) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(de.constData(), a.constData()) == 0;
}

} // namespace

ArchivoNuevo::ArchivoNuevo(const QString& ruta) : ruta_(QFileInfo(ruta).absoluteFilePath()) {}

ArchivoNuevo::~ArchivoNuevo() {
    if (!puesto_)
        descarta();
}

bool ArchivoNuevo::abre() {
    const QByteArray carpeta = nativo(QFileInfo(ruta_).absolutePath());
    if (FalloSistema f = impide(ruta_); !f.mensaje.isEmpty()) {
        fallo_ = f;
        return false;
    }
    // The old file of that name (not what a link of that name points to).
    struct stat previo {};
    const bool hayPrevio = ::lstat(nativo(ruta_).constData(), &previo) == 0;
    int fd = -1;
#ifdef O_TMPFILE
    // A file without a name until it is complete: a kill leaves nothing behind. It gets its
    // name through /proc.
    if (::access("/proc/self/fd", X_OK) == 0)
        fd = ::open(carpeta.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#endif
    if (fd < 0) {
        // Volumes that do not keep such files (a FAT stick): a name of its own beside the name.
        for (int intento = 0; intento < 100 && fd < 0; ++intento) {
            temporal_ = nombreTemporal(ruta_);
            fd = ::open(nativo(temporal_).constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST)
                break;
        }
        if (fd < 0) {
            const int numero = errno;
            temporal_.clear();
            return falla(numero, QFileDevice::OpenError);
        }
    }
    // As QSaveFile did: the new file keeps the old one's permissions. A volume without them
    // refuses, which changes nothing.
    if (hayPrevio && S_ISREG(previo.st_mode))
        (void)::fchmod(fd, previo.st_mode & 07777);
    if (!archivo_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        const int numero = errno;
        ::close(fd);
        descarta();
        return falla(numero, QFileDevice::OpenError);
    }
    return true;
}

bool ArchivoNuevo::confirma(SiHayNombre siHay) {
    ocupado_ = false;
    if (!archivo_.isOpen())
        return falla(EBADF, QFileDevice::WriteError);
    const auto deja = [this](int numero, QFileDevice::FileError tipo) {
        descarta();
        return falla(numero, tipo);
    };
    // A flush that fails keeps the device's own account of why.
    if (!archivo_.flush()) {
        fallo_ = FalloSistema::deArchivo(archivo_, errno);
        descarta();
        return false;
    }
    const int fd = archivo_.handle();
    // On the volume before it takes the name: a stick pulled out right after holds the file.
    if (::fsync(fd) != 0)
        return deja(errno, QFileDevice::WriteError);
    if (temporal_.isEmpty()) {
        const QByteArray propio = "/proc/self/fd/" + QByteArray::number(fd);
        int r = -1;
        for (int intento = 0; intento < 100 && r != 0; ++intento) {
            temporal_ = nombreTemporal(ruta_);
            r = ::linkat(AT_FDCWD, propio.constData(), AT_FDCWD, nativo(temporal_).constData(),
                         AT_SYMLINK_FOLLOW);
            if (r != 0 && errno != EEXIST)
                break;
        }
        if (r != 0) {
            const int numero = errno;
            temporal_.clear();
            return deja(numero, QFileDevice::WriteError);
        }
    }
    archivo_.close();
    // rename() replaces the name: a link there goes, what it points to stays as it was.
    if (siHay == SiHayNombre::Reemplaza
            ? ::rename(nativo(temporal_).constData(), nativo(ruta_).constData()) != 0
            : !poneSinReemplazar(temporal_, ruta_)) {
        ocupado_ = errno == EEXIST;
        return deja(errno, QFileDevice::RenameError);
    }
    temporal_.clear();
    puesto_ = true;
    // The folder's new entry on the volume too; a volume that cannot do so refuses quietly.
    const int carpeta =
        ::open(nativo(QFileInfo(ruta_).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (carpeta >= 0) {
        (void)::fsync(carpeta);
        ::close(carpeta);
    }
    return true;
}

void ArchivoNuevo::descarta() {
    archivo_.close();
    if (!temporal_.isEmpty())
        ::unlink(nativo(temporal_).constData());
    temporal_.clear();
}

bool ArchivoNuevo::hayNombre(const QString& ruta) {
    struct stat datos {};
    return ::lstat(nativo(ruta).constData(), &datos) == 0;
}

FalloSistema ArchivoNuevo::impide(const QString& ruta) {
    // What has the name itself, not what a link of that name points to.
    struct stat datos {};
    if (::lstat(nativo(ruta).constData(), &datos) != 0)
        return {};
    if (S_ISDIR(datos.st_mode))
        return FalloSistema::deNumero(EISDIR, QFileDevice::OpenError);
    // Someone made it read-only: it is not ours to replace.
    if (S_ISREG(datos.st_mode) && ::access(nativo(ruta).constData(), W_OK) != 0)
        return FalloSistema::deNumero(errno, QFileDevice::PermissionsError);
    return {};
}

#else

ArchivoNuevo::ArchivoNuevo(const QString& ruta)
    : ruta_(QFileInfo(ruta).absoluteFilePath()), archivo_(ruta_) {}

ArchivoNuevo::~ArchivoNuevo() = default;

bool ArchivoNuevo::abre() {
    if (archivo_.open(QIODevice::WriteOnly))
        return true;
    fallo_ = FalloSistema::deArchivo(archivo_, errno);
    return false;
}

bool ArchivoNuevo::confirma(SiHayNombre siHay) {
    // Only asked first here: the commit itself replaces.
    ocupado_ = siHay == SiHayNombre::Respeta && hayNombre(ruta_);
    if (ocupado_) {
        archivo_.cancelWriting();
        fallo_ = FalloSistema::deNumero(EEXIST, QFileDevice::RenameError);
        return false;
    }
    if (archivo_.flush() && archivo_.commit())
        return true;
    fallo_ = FalloSistema::deArchivo(archivo_, errno);
    return false;
}

void ArchivoNuevo::descarta() {
    archivo_.cancelWriting();
}

bool ArchivoNuevo::hayNombre(const QString& ruta) {
    const QFileInfo info(ruta);
    return info.exists() || info.isSymLink();
}

FalloSistema ArchivoNuevo::impide(const QString& ruta) {
    const QFileInfo info(ruta);
    if (info.isDir() && !info.isSymLink())
        return FalloSistema::deNumero(EISDIR, QFileDevice::OpenError);
    if (info.isFile() && !info.isSymLink() && !info.isWritable())
        return FalloSistema::deNumero(EACCES, QFileDevice::PermissionsError);
    return {};
}

#endif

} // namespace host
