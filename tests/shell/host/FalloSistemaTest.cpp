#include "shell/host/FalloSistema.h"
#include "shell/host/TextoConDetalle.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using host::FalloSistema;

TEST(FalloSistema, CommonCausesAreToldInSpanishWithTheSystemsTextAtTheEnd) {
    for (const auto& [numero, inicio] :
         {std::pair{ENOSPC, "No hay espacio suficiente en el disco."},
          {EDQUOT, "No hay espacio suficiente en el disco para su usuario"},
          {EROFS, "La unidad solo admite lectura"},
          {EACCES, "No tiene permiso"},
          {ENOENT, "El archivo o su carpeta no existe"},
          {EIO, "La unidad no responde o se desconectó"},
          {ENXIO, "La unidad no responde o se desconectó"},
          {EMFILE, "Hay demasiados archivos abiertos"}}) {
        const QString sistema = QString::fromLocal8Bit(std::strerror(numero));
        const FalloSistema f = FalloSistema::deNumero(numero, QFileDevice::WriteError);
        EXPECT_TRUE(f.mensaje.startsWith(QString::fromUtf8(inicio))) << f.mensaje.toStdString();
        EXPECT_EQ(f.texto(), f.mensaje + QStringLiteral(" (detalle: ") + sistema + u')');
        // Qt's text alone is enough when errno was lost, and outweighs a stale one.
        EXPECT_EQ(FalloSistema::deArchivo(QFileDevice::WriteError, EBADF, sistema).mensaje,
                  f.mensaje);
    }
    EXPECT_EQ(
        FalloSistema::deArchivo(QFileDevice::ReadError, 0, QStringLiteral("Unknown error")).texto(),
        QStringLiteral("No se pudo leer el archivo. Compruebe que la unidad funciona y "
                       "repita la operación. (detalle: Unknown error)"));
    // When Qt had no text of its own, the errno that named the cause gives the detail too.
    const FalloSistema lleno =
        FalloSistema::deArchivo(QFileDevice::WriteError, ENOSPC, QStringLiteral("Unknown error"));
    EXPECT_EQ(lleno.texto(), FalloSistema::deNumero(ENOSPC, QFileDevice::WriteError).texto());
}

TEST(FalloSistema, AWriteToAFullDeviceIsADiskFull) {
    QFile lleno(QStringLiteral("/dev/full"));
    if (!lleno.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        GTEST_SKIP() << "no hay /dev/full";
    EXPECT_EQ(lleno.write(QByteArray(100, 'x')), -1);
    EXPECT_TRUE(FalloSistema::deArchivo(lleno).mensaje.startsWith(
        QStringLiteral("No hay espacio suficiente en el disco.")));
}

TEST(TextoConDetalle, SplitsTheDriversTextAndTheStatementWhereverTheyAre) {
    using host::TextoConDetalle;
    // Nested parentheses in the driver's text, the detail inside a longer message, and a
    // statement whose own line ends do not end its mark early.
    const QString texto = QStringLiteral("La acumulación falló: ") +
                          TextoConDetalle::conDetalle(
                              QStringLiteral("No se pudo conectar."),
                              QStringLiteral("Can't connect to server on '127.0.0.1' (115)")) +
                          QStringLiteral(" Se movieron 2 pedidos.") +
                          TextoConDetalle::instruccion(QStringLiteral("SELECT 1\r\nFROM t"));
    const TextoConDetalle t = TextoConDetalle::separa(texto);
    EXPECT_EQ(t.principal,
              QStringLiteral("La acumulación falló: No se pudo conectar. Se movieron 2 pedidos."));
    EXPECT_EQ(t.detalle, QStringLiteral("Can't connect to server on '127.0.0.1' (115)\n"
                                        "Instrucción: SELECT 1  FROM t"));
    EXPECT_EQ(TextoConDetalle::enDosLineas(texto),
              t.principal + QStringLiteral("\nDetalle: Can't connect to server on '127.0.0.1' "
                                           "(115); Instrucción: SELECT 1  FROM t"));

    // Without marks, or with one left open, everything is main text.
    for (const QString& llano :
         {QStringLiteral("Pedido generado"), QStringLiteral("Falló (detalle: sin cerrar")}) {
        EXPECT_EQ(TextoConDetalle::separa(llano).principal, llano);
        EXPECT_EQ(TextoConDetalle::separa(llano).detalle, QString());
        EXPECT_EQ(TextoConDetalle::enDosLineas(llano), llano);
    }
}
