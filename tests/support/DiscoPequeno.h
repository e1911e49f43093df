#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace pruebas {

// A tiny disk of the test's own (tmpfs), to see what a full disk does. Only the system
// administrator can mount one: montado() says whether there is one, motivo() why not.
class DiscoPequeno {
public:
    explicit DiscoPequeno(int kib) {
        const std::string opciones = "size=" + std::to_string(kib) + "k";
        montado_ = geteuid() == 0 && ::mount("tmpfs", ruta().toLocal8Bit().constData(), "tmpfs", 0,
                                             opciones.c_str()) == 0;
        if (!montado_)
            motivo_ = geteuid() != 0 ? "hace falta ser root para montar un disco de prueba"
                                     : std::string("no se pudo montar: ") + std::strerror(errno);
    }
    ~DiscoPequeno() {
        if (montado_)
            ::umount2(ruta().toLocal8Bit().constData(), MNT_DETACH);
    }

    bool montado() const { return montado_; }
    // From now on it only lets itself be read, as a stick locked against writing.
    bool soloLectura() {
        return montado_ && ::mount("tmpfs", ruta().toLocal8Bit().constData(), "tmpfs",
                                   MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    const std::string& motivo() const { return motivo_; }
    QString ruta(const QString& nombre = {}) const {
        return nombre.isEmpty() ? dir_.path() : dir_.filePath(nombre);
    }
    // Takes every free byte left, in ever smaller pieces.
    void llena() {
        const int fd = ::open(ruta(QStringLiteral("relleno")).toLocal8Bit().constData(),
                              O_WRONLY | O_CREAT, 0600);
        const char bloque[4096] = {};
        for (ssize_t n = sizeof bloque; fd >= 0 && n > 0; n /= 2)
            while (::write(fd, bloque, size_t(n)) == n) {
            }
        ::close(fd);
    }

private:
    QTemporaryDir dir_;
    bool montado_ = false;
    std::string motivo_;
};

} // namespace pruebas
