#include "shell/host/ArchivoIni.h"
#include "EntornoShell.h"
#include "shell/host/libNucleo.h"

#include <QDir>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using host::ArchivoIni;
using pruebas::escribeArchivo;
using pruebas::leeArchivo;

namespace {

class ArchivoIniTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ruta = dir.filePath(QStringLiteral("prueba.ini"));
};

} // namespace

TEST_F(ArchivoIniTest, LooksUpSectionsAndKeysWithBlanksAndAccentsWithoutRegardToCase) {
    escribeArchivo(ruta, "; comentario = no es clave\n"
                         "[Configuración]\n"
                         "Ruta de Korvan Maestro = /opt/km \n"
                         "  base de datos PRINCIPAL=datos7\n"
                         "Vacía=\n"
                         "[ Otra sección ]\n"
                         "Clave=\"entre comillas\"\n"
                         "Ruta de Korvan Maestro=no es esta\n");
    const host::libNucleo nucleo;
    EXPECT_EQ(nucleo.LeeIni(QStringLiteral("CONFIGURACIÓN"),
                            QStringLiteral("ruta de korvan maestro"), ruta),
              QStringLiteral("/opt/km"));
    EXPECT_EQ(nucleo.LeeIni(QStringLiteral("configuración"),
                            QStringLiteral("Base de datos principal"), ruta),
              QStringLiteral("datos7"));
    EXPECT_EQ(nucleo.LeeIni(QStringLiteral("otra SECCIÓN"), QStringLiteral("clave"), ruta),
              QStringLiteral("entre comillas"));
    EXPECT_EQ(nucleo.LeeIni(QStringLiteral("Configuración"), QStringLiteral("Vacía"), ruta), "");
    EXPECT_EQ(nucleo.LeeIni(QStringLiteral("Configuración"), QStringLiteral("Clave"), ruta), "");
    EXPECT_EQ(nucleo.LeeIni(QStringLiteral("Falta"), QStringLiteral("Clave"), ruta), "");
    EXPECT_EQ(nucleo.LeeIni(QStringLiteral("S"), QStringLiteral("K"), dir.filePath("no.ini")), "");
}

TEST_F(ArchivoIniTest, RewriteKeepsCommentsOtherLinesAndTheLinesOwnSpelling) {
    escribeArchivo(ruta, "; hecho a mano\n"
                         "[Configuración]\n"
                         "RUTA de korvan = /viejo\n"
                         "# otra nota\n"
                         "línea suelta sin igual\n"
                         "\n"
                         "[Otras bases de datos]\n"
                         "Para exportar pedidos=datos2\n");
    host::libNucleo nucleo;
    ASSERT_TRUE(nucleo.EscribeIni(QStringLiteral("configuración"), QStringLiteral("Ruta de Korvan"),
                                  QStringLiteral("/nuevo"), ruta));
    ASSERT_TRUE(nucleo.EscribeIni(QStringLiteral("Configuración"),
                                  QStringLiteral("Base de datos principal"),
                                  QStringLiteral("datos1"), ruta));
    ASSERT_TRUE(nucleo.EscribeIni(QStringLiteral("Ventana Principal"), QStringLiteral("Linea"),
                                  QStringLiteral("10"), ruta));
    EXPECT_EQ(QString::fromUtf8(leeArchivo(ruta)), QStringLiteral("; hecho a mano\n"
                                                                  "[Configuración]\n"
                                                                  "RUTA de korvan = /nuevo\n"
                                                                  "# otra nota\n"
                                                                  "línea suelta sin igual\n"
                                                                  "Base de datos principal=datos1\n"
                                                                  "\n"
                                                                  "[Otras bases de datos]\n"
                                                                  "Para exportar pedidos=datos2\n"
                                                                  "\n"
                                                                  "[Ventana Principal]\n"
                                                                  "Linea=10\n"));
    // Nothing but the finished file is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("prueba.ini")});
}

TEST_F(ArchivoIniTest, KeepsWindowsLineEndsAndByteOrderMark) {
    escribeArchivo(ruta, "\xEF\xBB\xBF[S]\r\na=1\r\n");
    ASSERT_TRUE(ArchivoIni::escribeValor(ruta, QStringLiteral("s"), QStringLiteral("b"),
                                         QStringLiteral("2")));
    EXPECT_EQ(leeArchivo(ruta), QByteArray("\xEF\xBB\xBF[S]\r\na=1\r\nb=2\r\n"));
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("S"), QStringLiteral("A")), "1");
}

TEST_F(ArchivoIniTest, ReadsWindows1252AndRewritesAsUtf8) {
    escribeArchivo(ruta, "[Configuraci\xF3n]\r\nRuta=C:\\Compa\xF1\xED"
                         "a \x80\x96\x9F\r\n");
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("Configuración"), QStringLiteral("Ruta")),
              QStringLiteral("C:\\Compañía €–Ÿ"));
    ASSERT_TRUE(ArchivoIni::escribeValor(ruta, QStringLiteral("configuración"),
                                         QStringLiteral("Otra"), QStringLiteral("sí")));
    const QByteArray bytes = leeArchivo(ruta);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString texto = utf8.decode(bytes);
    EXPECT_FALSE(utf8.hasError());
    EXPECT_EQ(texto, QStringLiteral("[Configuración]\r\nRuta=C:\\Compañía €–Ÿ\r\nOtra=sí\r\n"));
}

TEST_F(ArchivoIniTest, LineBreaksInAValueCannotForgeKeysOrSections) {
    ASSERT_TRUE(ArchivoIni::escribeValor(ruta, QStringLiteral("S"), QStringLiteral("a"),
                                         QStringLiteral("x\r\n[S]\nb=1")));
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("S"), QStringLiteral("b")), "");
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("S"), QStringLiteral("a")),
              QStringLiteral("x  [S] b=1"));
    QString error;
    EXPECT_FALSE(ArchivoIni::escribeValor(ruta, QStringLiteral("S"), QStringLiteral("c=d"),
                                          QStringLiteral("1"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("c=d")));
    EXPECT_FALSE(ArchivoIni::escribeValor(ruta, QStringLiteral("a]b"), QStringLiteral("c"),
                                          QStringLiteral("1")));
}

TEST_F(ArchivoIniTest, FailuresAreReportedAndAnUnreadableFileIsNeverOverwritten) {
    // A folder where a file should be: it can be neither read as INI text nor replaced,
    // whoever runs the test.
    const QString carpeta = dir.filePath(QStringLiteral("carpeta.ini"));
    ASSERT_TRUE(QDir().mkpath(carpeta + QStringLiteral("/dentro")));
    host::libNucleo nucleo;
    EXPECT_FALSE(
        nucleo.EscribeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), carpeta));
    EXPECT_TRUE(nucleo.ultimoError().contains(carpeta)) << nucleo.ultimoError().toStdString();
    EXPECT_TRUE(QFileInfo(carpeta + QStringLiteral("/dentro")).isDir());

    const QString bajoArchivo = ruta + QStringLiteral("/no.ini");
    escribeArchivo(ruta, "[S]\n");
    EXPECT_FALSE(nucleo.EscribeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"),
                                   bajoArchivo));
    EXPECT_FALSE(nucleo.ultimoError().isEmpty());
    EXPECT_EQ(leeArchivo(ruta), QByteArray("[S]\n"));
}
