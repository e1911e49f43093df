#include "shell/Colocacion.h"
#include "EntornoShell.h"
#include "shell/host/ArchivoIni.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using pruebas::escribeArchivo;
using pruebas::leeArchivo;

namespace {

class ColocacionTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("acumulapedidos.ini"));
    const Geometria diseno{50, 60, 640, 480};
};

} // namespace

TEST_F(ColocacionTest, AWindowNeverSavedGoesToTheCornerWithItsDesignSize) {
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("frmInicial"), diseno, true),
              (Geometria{0, 0, 640, 480}));
    escribeArchivo(ini, "[frmInicial]\nLinea=5\nColumna=7\nAncho=0\nAlto=300\n");
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("frmInicial"), diseno, true),
              (Geometria{7, 5, 640, 480}));
}

TEST_F(ColocacionTest, SaveAndRestoreRoundTripWithAndWithoutSize) {
    const Geometria movida{-20, 35, 800, 600};
    ASSERT_TRUE(colocacion::guarda(ini, QStringLiteral("BajarPedidos"),
                                   QStringLiteral("Exportar pedidos"), movida, true));
    EXPECT_EQ(QString::fromUtf8(leeArchivo(ini)),
              QStringLiteral("[BajarPedidos]\nVentana=Exportar pedidos\nLinea=35\nColumna=-20\n"
                             "Ancho=800\nAlto=600\n"));
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("bajarpedidos"), diseno, true), movida);
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("BajarPedidos"), diseno, false),
              (Geometria{-20, 35, 640, 480}));

    ASSERT_TRUE(colocacion::guarda(ini, QStringLiteral("Subir"), QStringLiteral("Importar"), movida,
                                   false));
    EXPECT_EQ(host::ArchivoIni::leeValor(ini, QStringLiteral("Subir"), QStringLiteral("Ancho")),
              QString());
}

TEST_F(ColocacionTest, ValuesOutside16BitsAreClamped) {
    escribeArchivo(ini, "[V]\nLinea=70000\nColumna=-40000\nAncho=99999.9\nAlto=abc\n");
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("V"), diseno, false),
              (Geometria{-32768, 32767, 640, 480}));
    escribeArchivo(ini, "[V]\nLinea=1\nColumna=2\nAncho=99999.9\nAlto=-1e9\n");
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("V"), diseno, true),
              (Geometria{2, 1, 32767, -1}));
}

TEST_F(ColocacionTest, TheSectionIsTheTagElseTheTrimmedNameAndEmptyKeepsNothing) {
    EXPECT_EQ(colocacion::seccion(QStringLiteral("Etiqueta"), QStringLiteral("frm")),
              QStringLiteral("Etiqueta"));
    EXPECT_EQ(colocacion::seccion(QString(), QStringLiteral(" frmInicial ")),
              QStringLiteral("frmInicial"));
    EXPECT_TRUE(colocacion::guarda(ini, QString(), QStringLiteral("T"), diseno, true));
    EXPECT_FALSE(QFileInfo::exists(ini));
    EXPECT_EQ(colocacion::restaura(ini, QString(), diseno, true), diseno);
}

TEST_F(ColocacionTest, AFileThatCannotBeWrittenIsReported) {
    escribeArchivo(ini, "");
    QString error;
    EXPECT_FALSE(colocacion::guarda(ini + QStringLiteral("/x.ini"), QStringLiteral("V"),
                                    QStringLiteral("T"), diseno, true, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(Encogimiento, ShrinkingToABarAndExpandingGivesTheExactBoundsBack) {
    const Geometria ventana{123, 45, 1017, 703};
    const colocacion::Encogida e =
        colocacion::encoge(ventana, QStringLiteral("Acumula pedidos"), 30, 140, 1080);
    EXPECT_EQ(e.tag, QStringLiteral("1017\t703\t123\t45"));
    EXPECT_EQ(e.textoBoton, QStringLiteral("Acumula pedidos   "));
    EXPECT_EQ(e.anchoBoton, 140 + 53);
    EXPECT_EQ(e.ventana, (Geometria{13, 1080 - 30 - 33, 193, 30}));
    EXPECT_EQ(colocacion::expande(e.tag), ventana);

    EXPECT_EQ(colocacion::expande(QString()), std::nullopt);
    EXPECT_EQ(colocacion::expande(QStringLiteral("1\t2\t3")), std::nullopt);
    EXPECT_EQ(colocacion::expande(QStringLiteral("1\t2\tx\t4")), std::nullopt);
}
