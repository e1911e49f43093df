#include "shell/Configuracion.h"
#include "EntornoShell.h"
#include "shell/Arranque.h"
#include "shell/host/ArchivoIni.h"
#include "shell/host/Utilerias.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <unistd.h>

using host::ArchivoIni;
using host::Utilerias;
using pruebas::Aviso;
using pruebas::EntornoShell;
using pruebas::escribeArchivo;
using pruebas::leeArchivo;

namespace {

QString ini(const EntornoShell& e, const char* seccion, const char* clave) {
    return ArchivoIni::leeValor(e.programa.archivoIni, QString::fromUtf8(seccion),
                                QString::fromUtf8(clave));
}

QString krx(const EntornoShell& e, const char* clave) {
    return ArchivoIni::leeValor(e.krx(), QStringLiteral("Instalacion"), QString::fromUtf8(clave));
}

} // namespace

TEST(Configuracion, MissingKeysGetTheirDefaultsAndSetValuesAreNeverChanged) {
    EntornoShell e;
    escribeArchivo(e.krx(), "[Instalacion]\nservidor=srv1\n");
    e.iniConKorvan("Base de datos principal=\n"
                   "[Otras bases de datos]\n"
                   "Para exportar pedidos =  empresa2 \n");
    Configuracion configuracion(e.programa);
    ASSERT_TRUE(configuracion.Carga(true));
    EXPECT_EQ(e.programa.bases->cMiBase, QStringLiteral("datos1"));
    EXPECT_EQ(configuracion.LeeConDefecto(QStringLiteral("Otras bases de datos"),
                                          QStringLiteral("Para exportar pedidos"),
                                          QStringLiteral("datos1")),
              QStringLiteral("empresa2"));
    EXPECT_EQ(configuracion.LeeConDefecto(QStringLiteral("Otras bases de datos"),
                                          QStringLiteral("Para importar pedidos"),
                                          QStringLiteral("datos1")),
              QStringLiteral("datos1"));
    EXPECT_EQ(QString::fromUtf8(leeArchivo(e.programa.archivoIni)),
              QStringLiteral("[Configuración]\nRuta de Korvan Maestro=") + e.carpetaKorvan() +
                  QStringLiteral("\nBase de datos principal=datos1\n"
                                 "[Otras bases de datos]\n"
                                 "Para exportar pedidos =  empresa2 \n"
                                 "Para importar pedidos=datos1\n"));
    EXPECT_TRUE(e.avisos().vistos.isEmpty());
}

TEST(Configuracion, WithoutStoredSettingsTheInstallationReceivesTheDefaults) {
    EntornoShell e;
    escribeArchivo(e.krx(), "[Instalacion]\nservidor=srv1\nMySQLServer=  \nMySQLPuerto=abc\n");
    e.iniConKorvan();
    ASSERT_TRUE(Configuracion(e.programa).Carga(false));
    EXPECT_EQ(krx(e, "MySQLPuerto"), QStringLiteral("3306"));
    EXPECT_EQ(krx(e, "MySQLServer"), QStringLiteral("srv1"));
    EXPECT_EQ(krx(e, "MySQLUsuario"), Utilerias::Encripta(QStringLiteral("root")));
    EXPECT_EQ(krx(e, "MySQLPassword"), Utilerias::Encripta(QString()));
    const host::BasesDD& b = *e.programa.bases;
    EXPECT_EQ(b.cRuta, QStringLiteral("srv1"));
    EXPECT_EQ(b.cPuerto, 3306u);
    EXPECT_EQ(b.cUsuario, QStringLiteral("root"));
    EXPECT_EQ(b.cPassword, QString());
    EXPECT_EQ(b.cMiBase, QString()); // not asked for
}

TEST(Configuracion, StoredSettingsAreUsedAndLeftAsTheyAre) {
    EntornoShell e;
    const QByteArray guardado =
        "[Instalacion]\nservidor=otro\nMySQLServer=db.local\nMySQLPuerto=3307\nMySQLUsuario=" +
        Utilerias::Encripta(QStringLiteral("ventas")).toUtf8() +
        "\nMySQLPassword=" + Utilerias::Encripta(QStringLiteral("clavé")).toUtf8() + "\n";
    escribeArchivo(e.krx(), guardado);
    e.iniConKorvan();
    ASSERT_TRUE(Configuracion(e.programa).Carga(true));
    const host::BasesDD& b = *e.programa.bases;
    EXPECT_EQ(b.cRuta, QStringLiteral("db.local"));
    EXPECT_EQ(b.cPuerto, 3307u);
    EXPECT_EQ(b.cUsuario, QStringLiteral("ventas"));
    EXPECT_EQ(b.cPassword, QStringLiteral("clavé"));
    EXPECT_EQ(leeArchivo(e.krx()), guardado);
}

TEST(Configuracion, WrongInstallationFolderTellsTheUserAndOffersToEditTheIni) {
    for (const Avisos::Respuesta respuesta : {Avisos::Respuesta::No, Avisos::Respuesta::Si}) {
        EntornoShell e;
        e.avisos().respuestas = {Avisos::Respuesta::Aceptar, respuesta};
        escribeArchivo(e.programa.archivoIni,
                       "[Configuración]\nRuta de Korvan Maestro=/no/existe\n");
        EXPECT_FALSE(Configuracion(e.programa).Carga(true));
        const auto& vistos = e.avisos().vistos;
        ASSERT_EQ(vistos.size(), 2);
        EXPECT_EQ(vistos[0].prompt,
                  QStringLiteral("En el archivo de configuración de este programa\n\n(") +
                      e.programa.archivoIni +
                      QStringLiteral(")\n\ndebe indicarse la ruta correcta de Korvan Maestro.\n"
                                     "Ruta indicada e incorrecta: \n\n/no/existe"));
        EXPECT_EQ(vistos[0].estilo, Avisos::Icono::Critico);
        EXPECT_EQ(vistos[0].titulo, QStringLiteral("Atención"));
        EXPECT_EQ(vistos[1].prompt, QStringLiteral("¿Desea editar el archivo de configuración?"));
        EXPECT_EQ(vistos[1].estilo, Avisos::Estilo::siNo(false));
        EXPECT_EQ(vistos[1].titulo, QStringLiteral("Editar INI"));
        EXPECT_EQ(e.abiertos, respuesta == Avisos::Respuesta::Si
                                  ? QStringList{e.programa.archivoIni}
                                  : QStringList());
    }
}

TEST(Configuracion, AMissingIniIsCreatedWithTheInstallationDefault) {
    EntornoShell e;
    EXPECT_FALSE(Configuracion(e.programa).Carga(true)); // the default folder is not installed
    EXPECT_EQ(ini(e, "Configuración", "Ruta de Korvan Maestro"),
              Configuracion::rutaKorvanDefecto());
    EXPECT_EQ(e.avisos().vistos.size(), 2);
}

TEST(Configuracion, AnUnwritableIniGivesTheDefaultsAndOneMessage) {
    EntornoShell e;
    escribeArchivo(e.ruta(QStringLiteral("archivo")), "");
    e.programa.archivoIni = e.ruta(QStringLiteral("archivo/acumulapedidos.ini"));
    Configuracion configuracion(e.programa);
    for (const char* clave : {"Para exportar pedidos", "Para importar pedidos", "Otra"})
        EXPECT_EQ(configuracion.LeeConDefecto(QStringLiteral("Otras bases de datos"),
                                              QString::fromUtf8(clave), QStringLiteral("datos1")),
                  QStringLiteral("datos1"));
    ASSERT_EQ(e.avisos().vistos.size(), 1);
    EXPECT_TRUE(e.avisos().vistos[0].prompt.startsWith(
        QStringLiteral("No se pudo escribir el archivo de configuración\n\n(") +
        e.programa.archivoIni + u')'));
    EXPECT_EQ(e.avisos().vistos[0].estilo, Avisos::Icono::Exclamacion);
}

TEST(Configuracion, AnUnwritableInstallationFileStillGivesUsableSettings) {
    EntornoShell e;
    // The installation file stands for one that cannot be replaced: a link into /proc.
    if (!QFile::link(QStringLiteral("/proc/version"), e.krx()))
        GTEST_SKIP() << "no se puede crear el enlace";
    e.iniConKorvan();
    ASSERT_TRUE(Configuracion(e.programa).Carga(true));
    const host::BasesDD& b = *e.programa.bases;
    EXPECT_EQ(b.cPuerto, 3306u);
    EXPECT_EQ(b.cUsuario, QStringLiteral("root"));
    EXPECT_EQ(b.cPassword, QString());
    ASSERT_EQ(e.avisos().vistos.size(), 1);
    EXPECT_TRUE(e.avisos().vistos[0].prompt.startsWith(
        QStringLiteral("No se pudieron guardar los datos de conexión")));
}

TEST(Configuracion, FillingMissingValuesChangesNothingElseInTheInstallationFile) {
    EntornoShell e;
    // As the host system writes it: Windows-1252, CR LF, no line end at the end; owned by
    // another user when the test may do that.
    escribeArchivo(e.krx(), "[Instalacion]\r\nservidor=srv1\r\nMySQLPuerto=\r\n[Otra]\r\nx=\xE9");
    const uid_t dueno = geteuid() == 0 ? 65534 : geteuid();
    ASSERT_EQ(chown(QFile::encodeName(e.krx()).constData(), dueno, dueno), 0);
    e.iniConKorvan();
    ASSERT_TRUE(Configuracion(e.programa).Carga(true));
    EXPECT_EQ(leeArchivo(e.krx()),
              "[Instalacion]\r\nservidor=srv1\r\nMySQLPuerto=3306\r\nMySQLServer=srv1\r\n"
              "MySQLUsuario=" +
                  Utilerias::Encripta(QStringLiteral("root")).toUtf8() + "\r\nMySQLPassword=" +
                  Utilerias::Encripta(QString()).toUtf8() + "\r\n[Otra]\r\nx=\xE9");
    EXPECT_EQ(QFileInfo(e.krx()).ownerId(), dueno);
    EXPECT_TRUE(e.avisos().vistos.isEmpty());
}

TEST(Configuracion, AFileThatExistsButCannotBeReadStopsTheStart) {
    // A folder in the file's place cannot be read by anyone, the administrator included;
    // nor can a file larger than any INI.
    for (int caso = 0; caso < 3; ++caso) {
        EntornoShell e;
        e.iniConKorvan(caso == 2 ? QByteArray(2 * 1024 * 1024, ';') : QByteArray());
        const QString archivo = caso == 0 ? e.krx() : e.programa.archivoIni;
        if (caso < 2) {
            QFile::remove(archivo);
            ASSERT_TRUE(QDir().mkpath(archivo));
        }
        EXPECT_FALSE(Configuracion(e.programa).Carga(true));
        ASSERT_EQ(e.avisos().vistos.size(), 1);
        const Aviso& aviso = e.avisos().vistos[0];
        EXPECT_TRUE(aviso.prompt.startsWith(QStringLiteral("No se puede leer el archivo")) &&
                    aviso.prompt.contains(archivo))
            << aviso.prompt.toStdString();
        EXPECT_EQ(aviso.estilo, Avisos::Icono::Critico);
    }
}
