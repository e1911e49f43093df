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
using pruebas::falloArchivo;
using pruebas::leeArchivo;

namespace {

class ArchivoIniTest : public ::testing::Test {
protected:
    // Sets a key of section S; gives the error, empty when it was written.
    static QString pon(const QString& archivo, const char* clave, const QString& valor,
                       ArchivoIni::Codificacion siNoSeSabe = ArchivoIni::Codificacion::Utf8) {
        return falloArchivo([&] {
            ArchivoIni::escribeValor(archivo, QStringLiteral("S"), QString::fromUtf8(clave), valor,
                                     siNoSeSabe);
        });
    }
    // Owner and permission bits.
    static std::pair<uid_t, mode_t> dueno(const QString& archivo) {
        struct stat datos {};
        stat(QFile::encodeName(archivo).constData(), &datos);
        return {datos.st_uid, datos.st_mode & 07777};
    }
    static void daA(const QString& archivo, uid_t usuario, mode_t modo) {
        ASSERT_EQ(chown(QFile::encodeName(archivo).constData(), usuario, usuario), 0);
        ASSERT_EQ(chmod(QFile::encodeName(archivo).constData(), modo), 0);
    }

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
    nucleo.EscribeIni(QStringLiteral("configuración"), QStringLiteral("Ruta de Korvan"),
                      QStringLiteral("/nuevo"), ruta);
    nucleo.EscribeIni(QStringLiteral("Configuración"), QStringLiteral("Base de datos principal"),
                      QStringLiteral("datos1"), ruta);
    nucleo.EscribeIni(QStringLiteral("Ventana Principal"), QStringLiteral("Linea"),
                      QStringLiteral("10"), ruta);
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
    ASSERT_EQ(pon(ruta, "b", QStringLiteral("2")), QString());
    EXPECT_EQ(leeArchivo(ruta), QByteArray("\xEF\xBB\xBF[S]\r\na=1\r\nb=2\r\n"));
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("S"), QStringLiteral("A")), "1");
}

TEST_F(ArchivoIniTest, OnlyTheChangedValuesBytesChangeAndTheEncodingStays) {
    // Windows-1252, CR LF and a lone LF, a key written twice, no line end at the end.
    escribeArchivo(ruta, "; \xF1\r\n[S]\r\nEmpresa=Compa\xF1\xED"
                         "a \x80\r\nPuerto=\nclave=1\r\nclave=2\r\nservidor=srv");
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("s"), QStringLiteral("Empresa")),
              QStringLiteral("Compañía €"));
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("S"), QStringLiteral("clave")), "1");
    ArchivoIni ini(ruta);
    ini.carga();
    ini.escribe(QStringLiteral("S"), QStringLiteral("Puerto"), QStringLiteral("3306"));
    ini.escribe(QStringLiteral("S"), QStringLiteral("clave"), QStringLiteral("ñ"));
    ini.escribe(QStringLiteral("S"), QStringLiteral("Nueva"), QStringLiteral("Año"));
    ini.guarda();
    const QByteArray escrito = "; \xF1\r\n[S]\r\nEmpresa=Compa\xF1\xED"
                               "a \x80\r\nPuerto=3306\nclave=\xF1\r\nclave=2\r\nservidor=srv\r\n"
                               "Nueva=A\xF1o";
    EXPECT_EQ(leeArchivo(ruta), escrito);
    // What Windows-1252 cannot hold is refused, not written as "?".
    const QString error = pon(ruta, "servidor", QStringLiteral("東京"));
    EXPECT_TRUE(error.contains(QStringLiteral("Windows-1252")) &&
                error.contains(QStringLiteral("\"servidor\": 東京.")))
        << error.toStdString();
    EXPECT_EQ(leeArchivo(ruta), escrito);

    // Plain ASCII takes the encoding the file's owner reads; a byte-order mark or UTF-8
    // text already there says UTF-8.
    for (const auto& [antes, despues] :
         {std::pair<QByteArray, QByteArray>{"[S]\n", "[S]\na=\xF1\n"},
          {"\xEF\xBB\xBF[S]\n", "\xEF\xBB\xBF[S]\na=\xC3\xB1\n"},
          {"[S]\nb=\xC3\xA9\n", "[S]\nb=\xC3\xA9\na=\xC3\xB1\n"}}) {
        escribeArchivo(ruta, antes);
        EXPECT_EQ(pon(ruta, "a", QStringLiteral("ñ"), ArchivoIni::Codificacion::Windows1252),
                  QString());
        EXPECT_EQ(leeArchivo(ruta), despues);
    }
}

TEST_F(ArchivoIniTest, LineBreaksInAValueCannotForgeKeysOrSections) {
    ASSERT_EQ(pon(ruta, "a", QStringLiteral("x\r\n[S]\nb=1")), QString());
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("S"), QStringLiteral("b")), "");
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("S"), QStringLiteral("a")),
              QStringLiteral("x  [S] b=1"));
    EXPECT_TRUE(pon(ruta, "c=d", QStringLiteral("1")).contains(QStringLiteral("c=d")));
    EXPECT_NE(falloArchivo([&] {
                  ArchivoIni::escribeValor(ruta, QStringLiteral("a]b"), QStringLiteral("c"),
                                           QStringLiteral("1"));
              }),
              QString());
}

TEST_F(ArchivoIniTest, FailuresAreReportedAndAnUnreadableFileIsNeverOverwritten) {
    // A folder where a file should be: it can be neither read as INI text nor replaced,
    // whoever runs the test.
    const QString carpeta = dir.filePath(QStringLiteral("carpeta.ini"));
    ASSERT_TRUE(QDir().mkpath(carpeta + QStringLiteral("/dentro")));
    host::libNucleo nucleo;
    const QString error = falloArchivo([&] {
        nucleo.EscribeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), carpeta);
    });
    EXPECT_TRUE(error.contains(carpeta)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(carpeta + QStringLiteral("/dentro")).isDir());

    const QString bajoArchivo = ruta + QStringLiteral("/no.ini");
    escribeArchivo(ruta, "[S]\n");
    EXPECT_NE(falloArchivo([&] {
                  nucleo.EscribeIni(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"),
                                    bajoArchivo);
              }),
              QString());
    EXPECT_EQ(leeArchivo(ruta), QByteArray("[S]\n"));

    // Larger than any INI file: refused without filling the memory, and left alone; so is
    // a file without write permission, even for the administrator.
    escribeArchivo(ruta, "[S]\nk=1\n" + QByteArray(2 * 1024 * 1024, ';'));
    ArchivoIni grande(ruta);
    EXPECT_TRUE(falloArchivo([&] { grande.carga(); }).contains(QStringLiteral("más de 1 MB")));
    EXPECT_EQ(ArchivoIni::leeValor(ruta, QStringLiteral("S"), QStringLiteral("k")), QString());
    EXPECT_NE(pon(ruta, "k", QStringLiteral("2")), QString());
    EXPECT_EQ(QFileInfo(ruta).size(), 8 + 2 * 1024 * 1024);
    escribeArchivo(ruta, "[S]\n");
    QFile::setPermissions(ruta, QFile::ReadOwner);
    EXPECT_TRUE(pon(ruta, "k", QStringLiteral("2")).contains(QStringLiteral("No tiene permiso")));
    EXPECT_EQ(leeArchivo(ruta), QByteArray("[S]\n"));
}

TEST_F(ArchivoIniTest, OwnerPermissionsAndLinksAreKept) {
    if (geteuid() != 0)
        GTEST_SKIP() << "hace falta ser root para dar archivos a otros usuarios";
    escribeArchivo(ruta, "[S]\r\n");
    daA(ruta, 65534, 0640);
    const QString enlace = dir.filePath(QStringLiteral("enlace.ini"));
    ASSERT_TRUE(QFile::link(ruta, enlace));
    ASSERT_EQ(pon(enlace, "a", QStringLiteral("1")), QString());
    EXPECT_EQ(dueno(ruta), std::make_pair(uid_t(65534), mode_t(0640)));
    EXPECT_TRUE(QFileInfo(enlace).isSymLink());
    EXPECT_EQ(leeArchivo(ruta), QByteArray("[S]\r\na=1\r\n"));

    // Not the administrator, and the file another user's: it is written in place, in a
    // folder we may not write to (no temporary file) or may (the owner cannot be given).
    const QString ajena = dir.filePath(QStringLiteral("ajena/k.ini"));
    const QString abierta = dir.filePath(QStringLiteral("abierta/k.ini"));
    for (const QString& archivo : {ajena, abierta}) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(archivo).path()));
        escribeArchivo(archivo, "[S]\na=1\n");
        daA(archivo, 1234, 0666);
    }
    daA(dir.path(), 0, 0755);
    daA(QFileInfo(abierta).path(), 0, 0777);
    const pid_t hijo = fork();
    if (hijo == 0)
        _exit(setgid(65534) == 0 && setuid(65534) == 0 &&
                      pon(ajena, "a", QStringLiteral("22")).isEmpty() &&
                      pon(abierta, "b", QStringLiteral("3")).isEmpty()
                  ? 0
                  : 1);
    int estado = -1;
    ASSERT_EQ(waitpid(hijo, &estado, 0), hijo);
    EXPECT_EQ(estado, 0);
    EXPECT_EQ(leeArchivo(ajena), "[S]\na=22\n");
    EXPECT_EQ(leeArchivo(abierta), "[S]\na=1\nb=3\n");
    for (const QString& archivo : {ajena, abierta}) {
        EXPECT_EQ(dueno(archivo), std::make_pair(uid_t(1234), mode_t(0666)));
        EXPECT_EQ(QDir(QFileInfo(archivo).path()).entryList(QDir::Files), QStringList{"k.ini"});
    }
}

TEST_F(ArchivoIniTest, AFullDiskIsToldInSpanishAndTheOldFileStays) {
    pruebas::DiscoPequeno disco(64);
    if (!disco.montado())
        GTEST_SKIP() << disco.motivo();
    const QString ini = disco.ruta(QStringLiteral("a.ini"));
    escribeArchivo(ini, "[S]\na=1\n");
    disco.llena();
    const QString error = pon(ini, "b", QString(8000, u'x'));
    EXPECT_TRUE(error.contains(QStringLiteral("No hay espacio suficiente en el disco")))
        << error.toStdString();
    EXPECT_EQ(leeArchivo(ini), QByteArray("[S]\na=1\n"));
}
