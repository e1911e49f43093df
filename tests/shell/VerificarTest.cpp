#include "EntornoShell.h"
#include "shell/Arranque.h"
#include "shell/ComandoVerificar.h"
#include "shell/Programa.h"
#include "support/ServidorPruebas.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>
#include <gtest/gtest.h>

using pruebas::BaseEmpresa;
using pruebas::EntornoShell;
using pruebas::escribeArchivo;

namespace {

struct Salida {
    int estado = -1;
    QString salida;
    QString errores;
};

Salida ejecuta(const QStringList& argumentos) {
    QProcess p;
    p.start(QStringLiteral(ACUMULA_EJECUTABLE), argumentos);
    Salida s;
    if (!p.waitForFinished(60000))
        return s;
    s.estado = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    s.salida = QString::fromUtf8(p.readAllStandardOutput());
    s.errores = QString::fromUtf8(p.readAllStandardError());
    return s;
}

} // namespace

TEST(Verificar, WritesOneLinePerDatabaseAndFailsWhenOneCannotBeOpened) {
    BaseEmpresa b(QStringLiteral("verif"));
    Programa programa;
    *programa.bases = pruebas::basesDD(b.nombre());
    programa.baseExportar = b.nombre();
    programa.baseImportar = pruebas::nombreUnico(QStringLiteral("falta"));
    QString salida, errores;
    QTextStream s(&salida), er(&errores);
    EXPECT_EQ(comandos::verificar(programa, {}, s, er), 1);
    s.flush();
    er.flush();
    EXPECT_EQ(salida.count(QStringLiteral("conectada")), 2) << salida.toStdString();
    EXPECT_TRUE(salida.startsWith(QStringLiteral("Base de datos principal \"") + b.nombre()));
    EXPECT_EQ(errores.count(u'\n'), 1) << errores.toStdString();
    EXPECT_TRUE(
        errores.startsWith(QStringLiteral("Para importar pedidos \"") + programa.baseImportar));
}

TEST(Programa, RunsHeadlessCommandsWithExitStatusAndSpanishMessages) {
    BaseEmpresa b(QStringLiteral("prog"));
    EntornoShell e;
    e.configura(pruebas::parametros(), b.nombre(), b.nombre(), b.nombre());
    const QString ini = e.programa.archivoIni;

    // Qt's own options are let through, before or after the command.
    Salida s = ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("verificar"),
                        QStringLiteral("-style"), QStringLiteral("Fusion")});
    EXPECT_EQ(s.estado, 0) << s.errores.toStdString();
    EXPECT_EQ(s.salida.count(QStringLiteral("conectada")), 3) << s.salida.toStdString();

    // Without a command the main window opens and the program runs until it is closed; the
    // window platform is the one given on the line, which Qt takes.
    {
        QProcess p;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.remove(QStringLiteral("QT_QPA_PLATFORM"));
        entorno.remove(QStringLiteral("DISPLAY"));
        entorno.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(entorno);
        p.start(QStringLiteral(ACUMULA_EJECUTABLE),
                {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--ini"),
                 ini});
        ASSERT_TRUE(p.waitForStarted());
        EXPECT_FALSE(p.waitForFinished(1500)) << p.readAllStandardError().toStdString();
        p.kill();
        p.waitForFinished();
    }

    s = ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("desconocida")});
    EXPECT_EQ(s.estado, 1);
    EXPECT_TRUE(s.errores.contains(QStringLiteral("Orden desconocida: desconocida")));
    EXPECT_TRUE(s.errores.contains(QStringLiteral("Uso: acumulapedidos")));

    escribeArchivo(ini, "[Configuración]\nRuta de Korvan Maestro=/no/existe\n");
    s = ejecuta({QStringLiteral("--ini"), ini, QStringLiteral("verificar")});
    EXPECT_EQ(s.estado, 1);
    EXPECT_TRUE(s.errores.contains(QStringLiteral("debe indicarse la ruta correcta de Korvan "
                                                  "Maestro.\nRuta indicada e incorrecta: ")))
        << s.errores.toStdString();
    EXPECT_TRUE(s.errores.contains(QStringLiteral("¿Desea editar el archivo de configuración?")));
}

TEST(Programa, TheCommandLineExplainsItselfAndRefusesWhatItDoesNotKnow) {
    Salida s = ejecuta({QStringLiteral("--help")});
    EXPECT_EQ(s.estado, 0);
    EXPECT_TRUE(s.salida.startsWith(QStringLiteral("Uso: acumulapedidos")));
    for (const char* texto : {"  verificar ", "  importar ", "  bitacora ", "--ini ARCHIVO",
                              "-platform NOMBRE", "-style ESTILO", "--version"})
        EXPECT_TRUE(s.salida.contains(QString::fromUtf8(texto))) << texto;
    EXPECT_EQ(s.errores, QString());

    s = ejecuta({QStringLiteral("importar"), QStringLiteral("--help")});
    EXPECT_EQ(s.estado, 0);
    EXPECT_TRUE(s.salida.contains(QStringLiteral("\n  --repetir  ")));
    EXPECT_TRUE(s.salida.contains(QStringLiteral("muestra lo que haría la importación sin "
                                                 "escribir nada")))
        << s.salida.toStdString();

    s = ejecuta({QStringLiteral("--version")});
    EXPECT_EQ(s.estado, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^acumulapedidos \\d+\\.\\d+\\.\\d+\n$"))
                    .match(s.salida)
                    .hasMatch())
        << s.salida.toStdString();

    // Nothing runs: the error, how to call the command and where its help is.
    s = ejecuta({QStringLiteral("buscar"), QStringLiteral("--desde"), QStringLiteral("01/01/2026"),
                 QStringLiteral("--cliente"), QStringLiteral("C1")});
    EXPECT_EQ(s.estado, 1);
    EXPECT_EQ(s.salida, QString());
    EXPECT_EQ(s.errores, QStringLiteral("Opción desconocida: --cliente.\n"
                                        "Uso: acumulapedidos [--ini ARCHIVO] buscar --desde FECHA "
                                        "--hasta FECHA\n"
                                        "«acumulapedidos buscar --help» explica sus opciones.\n"));
}

TEST(Programa, ACommandStopsWhenTheServerCannotBeReached) {
    EntornoShell e;
    e.configura(pruebas::parametros(), QStringLiteral("datos1"), QStringLiteral("datos1"),
                QStringLiteral("datos1"));
    escribeArchivo(e.krx(), "[Instalacion]\nMySQLServer=127.0.0.1\nMySQLPuerto=1\n");
    const Salida s =
        ejecuta({QStringLiteral("--ini"), e.programa.archivoIni, QStringLiteral("exportar")});
    EXPECT_EQ(s.estado, 1);
    EXPECT_TRUE(s.errores.contains(QStringLiteral("127.0.0.1, puerto 1")))
        << s.errores.toStdString();
}

TEST(Programa, TheStartCheckStopsOnlyWhenTheServerRefusesUs) {
    Programa programa;
    auto avisos = std::make_unique<pruebas::AvisosRegistrados>();
    auto& vistos = avisos->vistos;
    programa.avisos = std::move(avisos);
    *programa.bases = pruebas::basesDD(pruebas::nombreUnico(QStringLiteral("falta")));
    EXPECT_TRUE(arranque::compruebaConexion(programa));
    programa.bases->cPassword = QStringLiteral("clave-equivocada");
    programa.bases->cUsuario = QStringLiteral("nadie");
    EXPECT_FALSE(arranque::compruebaConexion(programa));
    ASSERT_EQ(vistos.size(), 1);
    EXPECT_TRUE(vistos[0].prompt.contains(QStringLiteral("\"nadie\"")));
    EXPECT_FALSE(vistos[0].prompt.contains(QStringLiteral("clave-equivocada")));
}
