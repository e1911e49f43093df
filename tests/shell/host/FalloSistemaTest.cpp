#include "shell/host/FalloSistema.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using host::FalloSistema;

TEST(FalloSistema, EachCommonCauseIsToldInSpanishWithTheSystemsTextAtTheEnd) {
    const std::pair<int, const char*> casos[] = {
        {ENOSPC, "No hay espacio suficiente en el disco."},
        {EDQUOT, "No hay espacio suficiente en el disco para su usuario"},
        {EROFS, "La unidad solo admite lectura"},
        {EACCES, "No tiene permiso"},
        {EPERM, "No tiene permiso"},
        {ENOENT, "El archivo o su carpeta no existe"},
        {EIO, "La unidad no responde o se desconectó"},
        {ENODEV, "La unidad no responde o se desconectó"},
        {ENXIO, "La unidad no responde o se desconectó"},
        {EMFILE, "Hay demasiados archivos abiertos"},
    };
    for (const auto& [numero, inicio] : casos) {
        const QString sistema = QString::fromLocal8Bit(std::strerror(numero));
        // Known from the errno, and from the system's text alone when errno was lost.
        for (const FalloSistema& f :
             {FalloSistema::deArchivo(QFileDevice::WriteError, numero, QStringLiteral("x")),
              FalloSistema::deArchivo(QFileDevice::WriteError, 0, sistema)}) {
            EXPECT_TRUE(f.mensaje.startsWith(QString::fromUtf8(inicio))) << f.mensaje.toStdString();
        }
        EXPECT_EQ(FalloSistema::deNumero(numero, QFileDevice::OpenError).texto(),
                  FalloSistema::deArchivo(QFileDevice::OpenError, numero, {}).mensaje +
                      QStringLiteral(" (detalle: ") + sistema + u')');
    }
    // The system's text names the cause more surely than an errno read afterwards.
    EXPECT_TRUE(FalloSistema::deArchivo(QFileDevice::WriteError, ENOENT,
                                        QString::fromLocal8Bit(std::strerror(ENOSPC)))
                    .mensaje.startsWith(QStringLiteral("No hay espacio")));
    // Unknown causes still say what failed.
    const FalloSistema otro =
        FalloSistema::deArchivo(QFileDevice::ReadError, 0, QStringLiteral("Unknown error"));
    EXPECT_EQ(otro.texto(), QStringLiteral("No se pudo leer el archivo. Compruebe que la unidad "
                                           "funciona y repita la operación. (detalle: Unknown "
                                           "error)"));
}

TEST(FalloSistema, AWriteToAFullDeviceIsADiskFull) {
    QFile lleno(QStringLiteral("/dev/full"));
    if (!lleno.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        GTEST_SKIP() << "no hay /dev/full";
    EXPECT_EQ(lleno.write(QByteArray(100, 'x')), -1);
    EXPECT_TRUE(FalloSistema::deArchivo(lleno, errno)
                    .texto()
                    .startsWith(QStringLiteral("No hay espacio suficiente en el disco.")));
}
