#include "EntornoShell.h"
#include "shell/host/DeArchivos.h"
#include "shell/host/DelRegistro.h"
#include "shell/host/Utilerias.h"
#include "shell/host/libNucleo.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using host::libNucleo;
using host::Utilerias;
using pruebas::escribeArchivo;
using pruebas::falloArchivo;
using pruebas::leeArchivo;

TEST(Utilerias, EnciphermentRoundTripsAndGivesPlainAsciiNeverEmpty) {
    for (const QString& texto :
         {QString(), QStringLiteral("root"), QStringLiteral("Contraseña ñÑ áéíóú €"),
          QStringLiteral("  blancos  "), QStringLiteral("aaaaaaaaaaaaaaaa"),
          QStringLiteral("x").repeated(200)}) {
        const QString cifrado = Utilerias::Encripta(texto);
        EXPECT_FALSE(cifrado.isEmpty());
        EXPECT_NE(cifrado, texto);
        EXPECT_FALSE(cifrado.contains(QStringLiteral("root")));
        for (const QChar c : cifrado)
            EXPECT_TRUE(c.unicode() > 32 && c.unicode() < 127) << cifrado.toStdString();
        EXPECT_EQ(Utilerias::DesEncripta(cifrado), texto);
    }
    // Values typed by hand, and damaged ones, come back as they are.
    EXPECT_EQ(Utilerias::DesEncripta(QStringLiteral("root")), QStringLiteral("root"));
    EXPECT_EQ(Utilerias::DesEncripta(QStringLiteral("KX1:no base64!")),
              QStringLiteral("KX1:no base64!"));
}

TEST(libNucleo, nxValTakesTheLeadingNumber) {
    const std::pair<const char*, double> casos[] = {
        {"12abc", 12}, {"abc", 0},     {"-3.5x", -3.5}, {"  7 ", 7}, {"", 0},
        {"+4", 4},     {"1,5", 1},     {"1e3", 1},      {"-", 0},    {".", 0},
        {".5", 0.5},   {"3306", 3306}, {"1.2.3", 1.2},  {"x12", 0}};
    for (const auto& [texto, valor] : casos)
        EXPECT_DOUBLE_EQ(libNucleo::nxVal(QString::fromUtf8(texto)), valor) << texto;
}

TEST(DeArchivos, OpensExistingFilesWithTheDesktopOpenerAndReportsFailure) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("acumulapedidos.ini"));
    escribeArchivo(ini, "");
    QStringList llamadas;
    bool inicia = true;
    host::DeArchivos archivos([&](const QString& programa, const QStringList& argumentos) {
        llamadas << programa + u'|' + argumentos.join(u'|');
        return inicia;
    });
    EXPECT_TRUE(archivos.HayArchivo(ini));
    EXPECT_FALSE(archivos.HayArchivo(dir.path()));
    EXPECT_FALSE(archivos.HayArchivo(QString()));
    EXPECT_EQ(falloArchivo([&] { archivos.AbreDocumento(ini, 0, 1); }), QString());
    EXPECT_EQ(llamadas, QStringList{QStringLiteral("xdg-open|") + ini});

    inicia = false;
    EXPECT_TRUE(
        falloArchivo([&] { archivos.AbreDocumento(ini); }).contains(QStringLiteral("xdg-open")));
    EXPECT_TRUE(falloArchivo([&] {
                    archivos.AbreDocumento(dir.filePath(QStringLiteral("falta.ini")));
                }).contains(QStringLiteral("falta.ini")));
    EXPECT_EQ(llamadas.size(), 2);
}

TEST(DelRegistro, FindsTheInstallationFileAndKeepsItsValues) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("km"));
    QDir(dir.path()).mkpath(QStringLiteral("vacia"));
    const QString krx = dir.filePath(QStringLiteral("km/Korvan.KRX"));
    escribeArchivo(krx, "[Instalacion]\nservidor=srv1\n");
    host::DelRegistro registro;
    EXPECT_EQ(registro.BuscarRegistroKRX(dir.filePath(QStringLiteral("km"))), krx);
    EXPECT_EQ(registro.DatosKRX(QStringLiteral("Servidor")), QStringLiteral("srv1"));
    registro.GuardaDatosKRX(QStringLiteral("MySQLPuerto"), QStringLiteral("3307"));
    EXPECT_EQ(leeArchivo(krx), QByteArray("[Instalacion]\nservidor=srv1\nMySQLPuerto=3307\n"));

    // A folder without the file, or no folder at all, forgets the file found before.
    EXPECT_EQ(registro.BuscarRegistroKRX(dir.filePath(QStringLiteral("vacia"))), QString());
    EXPECT_EQ(registro.DatosKRX(QStringLiteral("servidor")), QString());
    EXPECT_NE(falloArchivo([&] {
                  registro.GuardaDatosKRX(QStringLiteral("servidor"), QStringLiteral("x"));
              }),
              QString());
    EXPECT_EQ(registro.BuscarRegistroKRX(dir.filePath(QStringLiteral("no-existe"))), QString());
    EXPECT_EQ(registro.BuscarRegistroKRX(QString()), QString());
}
