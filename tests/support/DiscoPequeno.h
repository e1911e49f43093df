#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace pruebas {

// A tiny disk of the test's own (tmpfs), to see what a full disk does. Only the system
// administrator can mount one: montado() says whether there is one, motivo() why not.
class DiscoPequeno {
public:
    explicit DiscoPequeno(int kib) {
        if (geteuid() != 0) {
            motivo_ = "hace falta ser root para montar un disco de prueba";
            return;
        }
        const QByteArray opciones = "size=" + QByteArray::number(kib) + "k";
        if (::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0,
                    opciones.constData()) != 0) {
            motivo_ = std::string("no se pudo montar un tmpfs: ") + std::strerror(errno);
            return;
        }
        montado_ = true;
    }
    ~DiscoPequeno() {
        if (montado_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    DiscoPequeno(const DiscoPequeno&) = delete;
    DiscoPequeno& operator=(const DiscoPequeno&) = delete;

    bool montado() const { return montado_; }
    const std::string& motivo() const { return motivo_; }
    QString ruta(const QString& nombre = {}) const {
        return nombre.isEmpty() ? dir_.path() : dir_.filePath(nombre);
    }
    // Takes every free byte left.
    void llena() {
        const int fd = ::open(QFile::encodeName(ruta(QStringLiteral("relleno"))).constData(),
                              O_WRONLY | O_CREAT | O_APPEND, 0600);
        const QByteArray bloque(4096, 'x');
        for (ssize_t tamano = bloque.size(); fd >= 0 && tamano > 0; tamano /= 2)
            while (::write(fd, bloque.constData(), size_t(tamano)) == tamano) {
            }
        if (fd >= 0)
            ::close(fd);
    }

private:
    QTemporaryDir dir_;
    bool montado_ = false;
    std::string motivo_;
};

} // namespace pruebas
