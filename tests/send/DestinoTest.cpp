#include "send/Destino.h"
#include "Sucursal.h"
#include "shell/host/Utilerias.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QString escribe(const QTemporaryDir& carpeta, const QByteArray& bytes) {
    const QString ruta = carpeta.filePath(QStringLiteral("a.ini"));
    QFile f(ruta);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return ruta;
}

QByteArray lee(const QString& ruta) {
    QFile f(ruta);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

// The sections as people write them: defaults, a CA relative to the INI's folder, the
// mistakes each told by name; a Windows-1252 file keeps its bytes when its password is
// enciphered, and a password already enciphered is left alone.
TEST(Destino, SectionsAreReadWithDefaultsAndMistakesAreNamed) {
    QTemporaryDir carpeta;
    QFile(carpeta.filePath(QStringLiteral("ca.pem"))).open(QIODevice::WriteOnly);
    const QString cifrada = host::Utilerias::Encripta(QStringLiteral("ya"));
    const QByteArray texto =
        "[Destino norte]\nServidor=10.0.0.5\nBase de datos=empresa2\nUsuario=u\n"
        "Password=se\xf1or\nCertificado CA=ca.pem\n"
        "[destino sur]\nServidor=10.0.0.6\nPuerto=3307\nBase de datos=e\nPassword=" +
        cifrada.toLatin1() +
        "\nCifrado=No\n"
        "[Destino sinpuerto]\nServidor=h\nPuerto=70000\nBase de datos=e\n"
        "[Destino sinca]\nServidor=h\nBase de datos=e\n"
        "[Destino cifrado]\nServidor=127.0.0.1\nBase de datos=e\nCifrado=quiz\xe1\n"
        "[Destino faltaca]\nServidor=h\nBase de datos=e\nCertificado CA=no.pem\n"
        "[Destinos]\nServidor=h\n[Otra]\nx=1\n";
    const QString ruta = escribe(carpeta, texto);
    QStringList avisos;
    const auto d = envio::Destinos::lee(ruta, &avisos);
    EXPECT_TRUE(avisos.isEmpty()) << avisos.join('\n');
    ASSERT_EQ(d.size(), 6);
    EXPECT_EQ(d[0].nombre, QStringLiteral("norte"));
    EXPECT_EQ(d[0].puerto, 3306u);
    EXPECT_TRUE(d[0].cifrado);
    EXPECT_EQ(d[0].password, QString::fromUtf8("señor"));
    EXPECT_EQ(d[0].certificadoCA, QDir::cleanPath(carpeta.filePath(QStringLiteral("ca.pem"))));
    EXPECT_EQ(d[0].error, QString());
    EXPECT_EQ(d[0].parametros().certificadoCA, d[0].certificadoCA);
    EXPECT_EQ(d[1].nombre, QStringLiteral("sur"));
    EXPECT_EQ(d[1].puerto, 3307u);
    EXPECT_FALSE(d[1].cifrado);
    EXPECT_EQ(d[1].password, QStringLiteral("ya"));
    EXPECT_EQ(d[1].parametros().certificadoCA, QString());
    EXPECT_FALSE(d[1].avisoSinCifrado().isEmpty());
    EXPECT_TRUE(d[2].error.contains(QStringLiteral("70000"))) << d[2].error;
    EXPECT_TRUE(d[3].error.contains(QStringLiteral("Certificado CA="))) << d[3].error;
    EXPECT_TRUE(d[4].error.contains(QString::fromUtf8("quizá"))) << d[4].error;
    EXPECT_TRUE(d[5].error.contains(QStringLiteral("no.pem"))) << d[5].error;
    ASSERT_TRUE(envio::Destinos::busca(ruta, QStringLiteral(" NORTE ")));

    // Only the clear password changed, in the file's own encoding and line ends.
    QByteArray esperado = texto;
    esperado.replace(
        "Password=se\xf1or\n",
        "Password=" + host::Utilerias::Encripta(QString::fromUtf8("señor")).toLatin1() + "\n");
    EXPECT_EQ(lee(ruta), esperado);
    // Read again, nothing changes any more.
    envio::Destinos::lee(ruta);
    EXPECT_EQ(lee(ruta), esperado);
}

// A file that cannot be written keeps the password in clear and says so; the destination
// still works.
TEST(Destino, PasswordThatCannotBeStoredBackIsToldAndStillUsed) {
    QTemporaryDir carpeta;
    const QString ruta = escribe(carpeta, "[Destino x]\nServidor=127.0.0.1\nBase de datos=e\n"
                                          "Password=abc\n");
    QFile::setPermissions(ruta, QFileDevice::ReadOwner);
    QFile::setPermissions(carpeta.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QStringList avisos;
    const auto d = envio::Destinos::lee(ruta, &avisos);
    QFile::setPermissions(carpeta.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(d.size(), 1);
    EXPECT_EQ(d[0].password, QStringLiteral("abc"));
    if (geteuid() != 0) { // root writes anyway
        EXPECT_EQ(avisos.size(), 1);
    }
}
