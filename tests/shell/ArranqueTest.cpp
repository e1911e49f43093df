#include "shell/Arranque.h"
#include "EntornoShell.h"
#include "app/Comandos.h"
#include "app/LineaOrdenes.h"
#include "shell/host/ArchivoIni.h"
#include "shell/host/Utilerias.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using pruebas::EntornoShell;
using pruebas::escribeArchivo;

namespace {

// Start-up changes the working folder; each test gets the old one back.
class ArranqueTest : public ::testing::Test {
protected:
    ~ArranqueTest() override { QDir::setCurrent(anterior); }
    const QString anterior = QDir::currentPath();
    QTemporaryDir ejecutable; // the folder of a program installed elsewhere
    QString programa = ejecutable.filePath(QStringLiteral("acumulapedidos"));
};

} // namespace

TEST(LineaOrdenes, ProgramAndQtOptionsGoBeforeOrAfterTheCommandAndTheCommandsAreChecked) {
    LineaOrdenes l =
        LineaOrdenes::interpreta({"-platform", "offscreen", "--ini", "otra.ini", "exportar",
                                  "--archivo", "a", "-style", "Fusion", "--id=4"});
    EXPECT_EQ(l.error, QString());
    EXPECT_EQ(l.archivoIni, QStringLiteral("otra.ini"));
    EXPECT_EQ(l.orden, QStringLiteral("exportar"));
    EXPECT_EQ(l.argumentos, (QStringList{"--archivo", "a", "-style", "Fusion", "--id=4"}));

    l = LineaOrdenes::interpreta({"bitacora", "--ini=x.ini"});
    EXPECT_EQ(l.archivoIni, QStringLiteral("x.ini"));
    EXPECT_EQ(l.error, QString());
    l = LineaOrdenes::interpreta({"-platform", "offscreen"});
    EXPECT_TRUE(l.orden.isEmpty() && l.error.isEmpty());

    const QList<QPair<QStringList, QString>> errores = {
        {{"--ini"}, "Falta el valor de la opción --ini."},
        {{"--ini="}, "Falta el nombre del archivo después de --ini."},
        {{"--otra", "verificar"}, "Opción desconocida: --otra."},
        {{"-x"}, "Opción desconocida: -x."},
        {{"-platform=offscreen"}, "Opción desconocida: -platform=offscreen."},
        {{"desconocida"}, "Orden desconocida: desconocida"},
        {{"exportar", "--archivo", "a", "--cliente", "C1"}, "Opción desconocida: --cliente."},
        {{"importar", "--revisar=si"}, "La opción --revisar no lleva valor."},
        {{"buscar", "--desde", "--hasta", "01/01/2026"}, "Falta el valor de la opción --desde."},
        {{"verificar", "hoy"}, "Argumento no esperado: \"hoy\"."},
    };
    for (const auto& [argumentos, error] : errores)
        EXPECT_EQ(LineaOrdenes::interpreta(argumentos).error, error)
            << argumentos.join(' ').toStdString();

    // Help wins over a wrong option; version and help go with or without a command.
    l = LineaOrdenes::interpreta({"exportar", "--help", "--cliente"});
    EXPECT_TRUE(l.ayuda && l.error.isEmpty());
    l = LineaOrdenes::interpreta({"acumular", "-h"});
    EXPECT_TRUE(l.ayuda && l.error.isEmpty());
    EXPECT_TRUE(LineaOrdenes::interpreta({"--version"}).version);
}

TEST(LineaOrdenes, TheHelpNamesEveryCommandAndEveryOptionWithItsMeaning) {
    LineaOrdenes programa;
    const QString ayuda = programa.textoAyuda();
    for (const comandos::Orden& o : comandos::ordenes()) {
        EXPECT_TRUE(ayuda.contains(QStringLiteral("  %1 ").arg(o.nombre)))
            << o.nombre.toStdString();
        LineaOrdenes linea;
        linea.orden = o.nombre;
        const QString deLaOrden = linea.textoAyuda();
        EXPECT_TRUE(deLaOrden.startsWith(QStringLiteral("Uso: acumulapedidos [--ini ARCHIVO] ") +
                                         o.nombre));
        for (const Opcion& opcion : o.opciones())
            EXPECT_TRUE(deLaOrden.contains(QStringLiteral("\n  --") + opcion.nombre) &&
                        deLaOrden.contains(opcion.ayuda))
                << opcion.nombre.toStdString();
    }
    for (const Opcion& opcion : OpcionesOrden::comunes())
        EXPECT_TRUE(ayuda.contains(opcion.ayuda)) << opcion.nombre.toStdString();
    EXPECT_TRUE(ayuda.contains(QStringLiteral("-platform NOMBRE")));
    EXPECT_TRUE(ayuda.contains(QStringLiteral("--ini ARCHIVO")));

    LineaOrdenes exportar;
    exportar.orden = QStringLiteral("exportar");
    EXPECT_TRUE(exportar.textoAyuda().contains(
        QStringLiteral("Uso: acumulapedidos [--ini ARCHIVO] exportar [--desde FECHA] [--hasta "
                       "FECHA] --archivo NOMBRE --destino CARPETA [--id ID]...\n")))
        << exportar.textoAyuda().toStdString();
}

TEST_F(ArranqueTest, AnIniInAnotherFolderMakesThatFolderTheProgramFolder) {
    EntornoShell e;
    escribeArchivo(e.krx(), "[Instalacion]\nservidor=srv9\n");
    e.iniConKorvan("[Otras bases de datos]\nPara importar pedidos=empresa3\n");
    escribeArchivo(ejecutable.filePath(QStringLiteral("acumulapedidos.txt")), "descripción");
    // Given relative to the folder the program was started from.
    QDir::setCurrent(e.ruta(QString()));
    const QString relativo = QStringLiteral("./acumulapedidos.ini");
    ASSERT_TRUE(arranque::arranca(e.programa, programa, relativo));

    const QString carpeta = QDir(e.ruta(QString())).absolutePath();
    EXPECT_EQ(e.programa.carpetaPrograma, carpeta);
    EXPECT_EQ(QDir::currentPath(), carpeta);
    EXPECT_EQ(e.programa.archivoIni, carpeta + QStringLiteral("/acumulapedidos.ini"));
    // The folder has no description: the one installed with the program serves.
    EXPECT_EQ(e.programa.archivoDescripcion,
              ejecutable.filePath(QStringLiteral("acumulapedidos.txt")));
    EXPECT_EQ(e.programa.bases->cMiBase, QStringLiteral("datos1"));
    EXPECT_EQ(e.programa.baseExportar, QStringLiteral("datos1"));
    EXPECT_EQ(e.programa.baseImportar, QStringLiteral("empresa3"));
    EXPECT_EQ(e.programa.textoVersion, QStringLiteral("   v %1.%2.%3")
                                           .arg(ACUMULA_VERSION_MAJOR)
                                           .arg(ACUMULA_VERSION_MINOR)
                                           .arg(ACUMULA_VERSION_PATCH));
    EXPECT_EQ(e.programa.textoMuestra,
              QStringLiteral(" Servidor: srv9\n  Base de datos principal: datos1\n"
                             "  Para exportar pedidos: datos1\n  Para importar pedidos: empresa3"));
    EXPECT_EQ(host::ArchivoIni::leeValor(e.programa.archivoIni,
                                         QStringLiteral("Otras bases de datos"),
                                         QStringLiteral("Para exportar pedidos")),
              QStringLiteral("datos1"));
    EXPECT_TRUE(e.avisos().vistos.isEmpty());
}

TEST_F(ArranqueTest, WithoutIniTheExecutablesFolderHoldsTheFilesNamedAfterIt) {
    EntornoShell e;
    // A renamed copy, as Windows names it.
    escribeArchivo(ejecutable.filePath(QStringLiteral("Sucursal.ini")),
                   "[Configuración]\nRuta de Korvan Maestro=" + e.carpetaKorvan().toUtf8() +
                       "\nBase de datos principal=sucursal\n");
    escribeArchivo(e.krx(), "[Instalacion]\n");
    ASSERT_TRUE(arranque::arranca(e.programa, ejecutable.filePath(QStringLiteral("Sucursal.EXE"))));
    EXPECT_EQ(QDir::currentPath(), QDir(ejecutable.path()).absolutePath());
    EXPECT_EQ(e.programa.archivoIni, ejecutable.filePath(QStringLiteral("Sucursal.ini")));
    EXPECT_EQ(e.programa.archivoDescripcion, ejecutable.filePath(QStringLiteral("Sucursal.txt")));
    EXPECT_EQ(e.programa.bases->cMiBase, QStringLiteral("sucursal"));
}

TEST_F(ArranqueTest, AnIniInAFolderThatDoesNotExistStopsTheStart) {
    EntornoShell e;
    EXPECT_FALSE(arranque::arranca(e.programa, programa,
                                   e.ruta(QStringLiteral("no/existe/acumulapedidos.ini"))));
    ASSERT_EQ(e.avisos().vistos.size(), 1);
    EXPECT_TRUE(e.avisos().vistos[0].prompt.contains(e.ruta(QStringLiteral("no/existe"))));
}

TEST_F(ArranqueTest, AServerThatCannotBeReachedIsNamedWithoutThePassword) {
    EntornoShell e;
    escribeArchivo(e.krx(),
                   "[Instalacion]\nMySQLServer=127.0.0.1\nMySQLPuerto=1\n"
                   "MySQLUsuario=" +
                       host::Utilerias::Encripta(QStringLiteral("vendedor")).toUtf8() +
                       "\nMySQLPassword=" +
                       host::Utilerias::Encripta(QStringLiteral("clave-secreta")).toUtf8() + "\n");
    e.iniConKorvan("Base de datos principal=empresa7\n");
    ASSERT_TRUE(arranque::arranca(e.programa, programa, e.programa.archivoIni));
    EXPECT_FALSE(arranque::compruebaConexion(e.programa));
    ASSERT_EQ(e.avisos().vistos.size(), 1);
    const QString mensaje = e.avisos().vistos[0].prompt;
    for (const char* parte : {"127.0.0.1", "puerto 1", "vendedor", "empresa7"})
        EXPECT_TRUE(mensaje.contains(QString::fromUtf8(parte))) << mensaje.toStdString();
    EXPECT_FALSE(mensaje.contains(QStringLiteral("clave-secreta")));
    EXPECT_EQ(e.avisos().vistos[0].estilo, Avisos::Icono::Critico);
}

// Installed where the user may not write, the program keeps its INI in the user's
// configuration folder, named after the executable, and takes it as its folder; an INI that
// is already beside the executable is still used there.
TEST_F(ArranqueTest, AFolderThatCannotTakeTheIniSendsItToTheUsersConfigurationFolder) {
    EntornoShell e;
    QTemporaryDir configuracion;
    qputenv("XDG_CONFIG_HOME", configuracion.path().toUtf8());
    const QString sucursal = ejecutable.filePath(QStringLiteral("sucursal"));
    const QString usuario = configuracion.filePath(QStringLiteral("sucursal"));
    escribeArchivo(e.krx(), "[Instalacion]\n");
    QFile::setPermissions(ejecutable.path(), QFile::ReadOwner | QFile::ExeOwner);
    const auto devuelve = qScopeGuard([&] {
        QFile::setPermissions(ejecutable.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qunsetenv("XDG_CONFIG_HOME");
    });
    if (QFileInfo(ejecutable.path()).isWritable())
        GTEST_SKIP() << "the administrator may write in any folder";
    // The first start writes the INI's defaults there; the Korvan folder is then named in it.
    EXPECT_FALSE(arranque::arranca(e.programa, sucursal));
    const QString ini = QDir(usuario).filePath(QStringLiteral("sucursal.ini"));
    EXPECT_EQ(e.programa.archivoIni, ini);
    EXPECT_TRUE(QFileInfo::exists(ini));
    host::ArchivoIni::escribeValor(ini, QStringLiteral("Configuración"),
                                   QStringLiteral("Ruta de Korvan Maestro"), e.carpetaKorvan());
    ASSERT_TRUE(arranque::arranca(e.programa, sucursal));
    EXPECT_EQ(e.programa.carpetaPrograma, usuario);
    EXPECT_EQ(QDir::currentPath(), usuario);
    EXPECT_EQ(e.programa.carpetaSinIni, QDir(ejecutable.path()).absolutePath());
    // The description installed with the program serves.
    EXPECT_EQ(e.programa.archivoDescripcion, ejecutable.filePath(QStringLiteral("sucursal.txt")));

    // Beside the executable, the INI stays where it is, even in a folder that is not writable.
    QFile::setPermissions(ejecutable.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::copy(ini, ejecutable.filePath(QStringLiteral("sucursal.ini")));
    QFile::setPermissions(ejecutable.path(), QFile::ReadOwner | QFile::ExeOwner);
    ASSERT_TRUE(arranque::arranca(e.programa, sucursal));
    EXPECT_EQ(e.programa.archivoIni, ejecutable.filePath(QStringLiteral("sucursal.ini")));
    EXPECT_TRUE(e.programa.carpetaSinIni.isEmpty());
}

// Installed by the package, the description is in share/<name>/ beside bin/.
TEST_F(ArranqueTest, TheInstalledDescriptionIsFoundInTheShareFolder) {
    EntornoShell e;
    escribeArchivo(e.krx(), "[Instalacion]\n");
    QDir raiz(ejecutable.path());
    raiz.mkpath(QStringLiteral("bin"));
    raiz.mkpath(QStringLiteral("share/acumulapedidos"));
    const QString texto = raiz.filePath(QStringLiteral("share/acumulapedidos/acumulapedidos.txt"));
    escribeArchivo(texto, "descripción");
    e.iniConKorvan();
    ASSERT_TRUE(arranque::arranca(e.programa, raiz.filePath(QStringLiteral("bin/acumulapedidos")),
                                  e.programa.archivoIni));
    EXPECT_EQ(e.programa.archivoDescripcion, texto);
}
