#include "shell/host/ArchivoIni.h"
#include "EntornoShell.h"
#include "shell/host/libNucleo.h"

#include "support/DiscoPequeno.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    // The mark says UTF-8, whatever the file's owner would take for plain text.
    ASSERT_TRUE(ArchivoIni::escribeValor(ruta, QStringLiteral("s"), QStringLiteral("b"),
                                         QStringLiteral("ñ"), nullptr,
                                         ArchivoIni::Codificacion::Windows1252));
    EXPECT_EQ(leeArchivo(ruta), QByteArray("\xEF\xBB\xBF[S]\r\na=1\r\nb=\xC3\xB1\r\n"));
}

TEST_F(ArchivoIniTest, OnlyTheChangedValuesBytesChangeAndTheEncodingStays) {
    // Windows-1252, CR LF and a lone LF, a key written twice, no line end at the end.
    const QByteArray original = "; Compa\xF1\xED"
                                "a\r\n[Instalacion]\r\nEmpresa=Compa\xF1\xED"
                                "a \x80\r\n"
                                "MySQLPuerto=\nclave=1\r\nclave=2\r\nservidor=srv";
    escribeArchivo(ruta, original);
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("instalacion"), QStringLiteral("Empresa")),
              QStringLiteral("Compañía €"));
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("Instalacion"), QStringLiteral("clave")),
              QStringLiteral("1"));
    ArchivoIni ini(ruta);
    ASSERT_TRUE(ini.carga());
    ASSERT_TRUE(ini.escribe(QStringLiteral("Instalacion"), QStringLiteral("MySQLPuerto"),
                            QStringLiteral("3306")));
    ASSERT_TRUE(
        ini.escribe(QStringLiteral("Instalacion"), QStringLiteral("clave"), QStringLiteral("ñ")));
    ASSERT_TRUE(ini.escribe(QStringLiteral("Instalacion"), QStringLiteral("MySQLServer"),
                            QStringLiteral("Año")));
    ASSERT_TRUE(ini.guarda());
    EXPECT_EQ(leeArchivo(ruta), "; Compa\xF1\xED"
                                "a\r\n[Instalacion]\r\nEmpresa=Compa\xF1\xED"
                                "a \x80\r\n"
                                "MySQLPuerto=3306\nclave=\xF1\r\nclave=2\r\nservidor=srv\r\n"
                                "MySQLServer=A\xF1"
                                "o");

    // What Windows-1252 cannot hold is refused, not written as "?".
    const QByteArray antes = leeArchivo(ruta);
    QString error;
    EXPECT_FALSE(ArchivoIni::escribeValor(ruta, QStringLiteral("Instalacion"),
                                          QStringLiteral("servidor"), QStringLiteral("東京 ok"),
                                          &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Windows-1252")) && error.contains(u'東'))
        << error.toStdString();
    EXPECT_EQ(leeArchivo(ruta), antes);
}

TEST_F(ArchivoIniTest, APlainAsciiFileTakesTheEncodingItsOwnerReads) {
    escribeArchivo(ruta, "[S]\n");
    ASSERT_TRUE(ArchivoIni::escribeValor(ruta, QStringLiteral("S"), QStringLiteral("a"),
                                         QStringLiteral("ñ"), nullptr,
                                         ArchivoIni::Codificacion::Windows1252));
    EXPECT_EQ(leeArchivo(ruta), QByteArray("[S]\na=\xF1\n"));
    escribeArchivo(ruta, "[S]\n");
    ASSERT_TRUE(ArchivoIni::escribeValor(ruta, QStringLiteral("S"), QStringLiteral("a"),
                                         QStringLiteral("ñ")));
    EXPECT_EQ(leeArchivo(ruta), QByteArray("[S]\na=\xC3\xB1\n"));
    // A file already in UTF-8 stays so, whatever its owner prefers.
    ASSERT_TRUE(ArchivoIni::escribeValor(ruta, QStringLiteral("S"), QStringLiteral("b"),
                                         QStringLiteral("東"), nullptr,
                                         ArchivoIni::Codificacion::Windows1252));
    EXPECT_EQ(leeArchivo(ruta), QByteArray("[S]\na=\xC3\xB1\nb=\xE6\x9D\xB1\n"));
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

    // Larger than any INI file: refused without filling the memory, and left alone.
    escribeArchivo(ruta, "[S]\nk=1\n" + QByteArray(2 * 1024 * 1024, ';'));
    ArchivoIni grande(ruta);
    EXPECT_FALSE(grande.carga());
    EXPECT_TRUE(grande.ultimoError().contains(QStringLiteral("más de 1 MB")))
        << grande.ultimoError().toStdString();
    EXPECT_EQ(nucleo.LeeIni(QStringLiteral("S"), QStringLiteral("k"), ruta), QString());
    EXPECT_FALSE(
        nucleo.EscribeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("2"), ruta));
    EXPECT_EQ(QFileInfo(ruta).size(), 8 + 2 * 1024 * 1024);

    // A read-only file stays unchanged, even for the administrator.
    escribeArchivo(ruta, "[S]\n");
    QFile::setPermissions(ruta, QFile::ReadOwner | QFile::ReadGroup);
    EXPECT_FALSE(
        nucleo.EscribeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("2"), ruta));
    EXPECT_TRUE(nucleo.ultimoError().contains(QStringLiteral("No tiene permiso")))
        << nucleo.ultimoError().toStdString();
    EXPECT_EQ(leeArchivo(ruta), QByteArray("[S]\n"));
}

TEST_F(ArchivoIniTest, OwnerPermissionsAndLinksAreKept) {
    if (geteuid() != 0)
        GTEST_SKIP() << "hace falta ser root para dar el archivo a otro usuario";
    escribeArchivo(ruta, "[S]\r\n");
    ASSERT_EQ(chown(QFile::encodeName(ruta).constData(), 65534, 65534), 0);
    ASSERT_EQ(chmod(QFile::encodeName(ruta).constData(), 0640), 0);
    const QString enlace = dir.filePath(QStringLiteral("enlace.ini"));
    ASSERT_TRUE(QFile::link(ruta, enlace));
    ASSERT_TRUE(ArchivoIni::escribeValor(enlace, QStringLiteral("S"), QStringLiteral("a"),
                                         QStringLiteral("1")));
    struct stat datos {};
    ASSERT_EQ(stat(QFile::encodeName(ruta).constData(), &datos), 0);
    EXPECT_EQ(datos.st_uid, 65534u);
    EXPECT_EQ(datos.st_gid, 65534u);
    EXPECT_EQ(datos.st_mode & 07777, 0640u);
    EXPECT_TRUE(QFileInfo(enlace).isSymLink());
    EXPECT_EQ(leeArchivo(ruta), QByteArray("[S]\r\na=1\r\n"));

    // Not the administrator, and the file is someone else's: its contents may change, its
    // owner cannot; in a folder we may not write to, or in one we may.
    const QString ajena = QDir(dir.path()).filePath(QStringLiteral("ajena"));
    const QString abierta = QDir(dir.path()).filePath(QStringLiteral("abierta"));
    for (const auto& [carpeta, modo] : {std::pair{ajena, 0755}, std::pair{abierta, 0777}}) {
        ASSERT_TRUE(QDir().mkpath(carpeta));
        ASSERT_EQ(chmod(QFile::encodeName(carpeta).constData(), mode_t(modo)), 0);
        const QString archivo = QDir(carpeta).filePath(QStringLiteral("k.ini"));
        escribeArchivo(archivo, "[S]\na=1\n");
        ASSERT_EQ(chown(QFile::encodeName(archivo).constData(), 1234, 1234), 0);
        ASSERT_EQ(chmod(QFile::encodeName(archivo).constData(), 0666), 0);
    }
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const pid_t hijo = fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
        const bool hecho =
            setgid(65534) == 0 && setuid(65534) == 0 &&
            ArchivoIni::escribeValor(QDir(ajena).filePath(QStringLiteral("k.ini")),
                                     QStringLiteral("S"), QStringLiteral("a"),
                                     QStringLiteral("22")) &&
            ArchivoIni::escribeValor(QDir(abierta).filePath(QStringLiteral("k.ini")),
                                     QStringLiteral("S"), QStringLiteral("b"), QStringLiteral("3"));
        _exit(hecho ? 0 : 1);
    }
    int estado = 0;
    ASSERT_EQ(waitpid(hijo, &estado, 0), hijo);
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0);
    EXPECT_EQ(leeArchivo(QDir(ajena).filePath(QStringLiteral("k.ini"))), "[S]\na=22\n");
    EXPECT_EQ(leeArchivo(QDir(abierta).filePath(QStringLiteral("k.ini"))), "[S]\na=1\nb=3\n");
    for (const QString& carpeta : {ajena, abierta}) {
        ASSERT_EQ(
            stat(QFile::encodeName(QDir(carpeta).filePath(QStringLiteral("k.ini"))).constData(),
                 &datos),
            0);
        EXPECT_EQ(datos.st_uid, 1234u);
        EXPECT_EQ(datos.st_mode & 07777, 0666u);
        EXPECT_EQ(QDir(carpeta).entryList(QDir::Files), QStringList{QStringLiteral("k.ini")});
    }
}

TEST_F(ArchivoIniTest, AFullDiskIsToldInSpanishAndTheOldFileStays) {
    pruebas::DiscoPequeno disco(64);
    if (!disco.montado())
        GTEST_SKIP() << disco.motivo();
    const QString ini = disco.ruta(QStringLiteral("a.ini"));
    escribeArchivo(ini, "[S]\na=1\n");
    disco.llena();
    QString error;
    EXPECT_FALSE(ArchivoIni::escribeValor(ini, QStringLiteral("S"), QStringLiteral("b"),
                                          QString(8000, u'x'), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("No hay espacio suficiente en el disco")))
        << error.toStdString();
    EXPECT_EQ(leeArchivo(ini), QByteArray("[S]\na=1\n"));
}
