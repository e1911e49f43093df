#include "shell/Colocacion.h"
#include "EntornoShell.h"
#include "shell/Cantidad.h"
#include "shell/host/ArchivoIni.h"

#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

using pruebas::escribeArchivo;
using pruebas::leeArchivo;

namespace {

class ColocacionTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("acumulapedidos.ini"));
    const Geometria diseno{50, 60, 640, 480};
    // A primary screen with a task bar at the bottom, a second one to its right; 96 dpi.
    const Pantallas pantallas{{{0, 0, 1920, 1040}, {1920, 0, 1280, 1024}}, 96};
};

} // namespace

TEST_F(ColocacionTest, AWindowNeverPlacedIsCentredWithItsDesignSize) {
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("frmInicial"), diseno, true, pantallas),
              (Geometria{640, 280, 640, 480}));
    // A size alone does not place the window; a zero size keeps the design's.
    escribeArchivo(ini, "[frmInicial]\nAncho=3000\nAlto=1500\n[V]\nLinea=75\nAncho=0\nAlto=300\n");
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("frmInicial"), diseno, true, pantallas),
              (Geometria{860, 470, 200, 100}));
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("V"), diseno, true, pantallas),
              (Geometria{0, 5, 640, 480}));
}

TEST_F(ColocacionTest, PlacementIsKeptInTwipsAtTheScreensDpi) {
    const Geometria movida{-20, 35, 800, 600};
    ASSERT_TRUE(colocacion::guarda(ini, QStringLiteral("BajarPedidos"),
                                   QStringLiteral("Exportar pedidos"), movida, true, 120)
                    .ok);
    EXPECT_EQ(QString::fromUtf8(leeArchivo(ini)),
              QStringLiteral("[BajarPedidos]\nVentana=Exportar pedidos\nLinea=420\n"
                             "Columna=-240\nAncho=9600\nAlto=7200\n"));
    Pantallas a120 = pantallas;
    a120.puntosPorPulgada = 120;
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("bajarpedidos"), diseno, true, a120),
              movida);
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("BajarPedidos"), diseno, false, a120),
              (Geometria{-20, 35, 640, 480}));
    // A file from an older installation, written at 96 dpi, opens at the same size in inches.
    EXPECT_EQ(colocacion::restaura(ini, QStringLiteral("BajarPedidos"), diseno, true, pantallas),
              (Geometria{-16, 28, 640, 480}));
    EXPECT_EQ(colocacion::aTwips(7, 110), 92);
    EXPECT_EQ(colocacion::aPixeles(92, 110), 7);

    ASSERT_TRUE(colocacion::guarda(ini, QStringLiteral("Subir"), QStringLiteral("Importar"), movida,
                                   false, 96)
                    .ok);
    EXPECT_EQ(host::ArchivoIni::leeValor(ini, QStringLiteral("Subir"), QStringLiteral("Ancho")),
              QString());
}

TEST_F(ColocacionTest, APlacementOutOfReachComesBackOntoThePrimaryScreen) {
    const auto restaurada = [&](const QByteArray& valores) {
        escribeArchivo(ini, "[V]\n" + valores);
        return colocacion::restaura(ini, QStringLiteral("V"), diseno, true, pantallas);
    };
    // On the second screen, or partly off an edge with the top still in reach: left alone.
    EXPECT_EQ(restaurada("Linea=1500\nColumna=30000\n"), (Geometria{2000, 100, 640, 480}));
    EXPECT_EQ(restaurada("Linea=600\nColumna=-7500\n"), (Geometria{-500, 40, 640, 480}));
    // Past the right or bottom edge of every screen, above the top, or beyond all reason.
    EXPECT_EQ(restaurada("Linea=3000\nColumna=60000\n"), (Geometria{1280, 200, 640, 480}));
    EXPECT_EQ(restaurada("Linea=45000\nColumna=1500\n"), (Geometria{100, 560, 640, 480}));
    EXPECT_EQ(restaurada("Linea=-300\nColumna=1500\n"), (Geometria{100, 0, 640, 480}));
    EXPECT_EQ(restaurada("Linea=-999999999\nColumna=99999999999\nAncho=abc\nAlto=-5\n"),
              (Geometria{1280, 0, 640, 480}));
    // Larger than any screen: made to fit the one it lands on.
    EXPECT_EQ(restaurada("Linea=0\nColumna=0\nAncho=999999\nAlto=999999\n"),
              (Geometria{0, 0, 1920, 1040}));
}

TEST_F(ColocacionTest, TheSectionIsTheTagElseTheTrimmedNameAndEmptyKeepsNothing) {
    EXPECT_EQ(colocacion::seccion(QStringLiteral("Etiqueta"), QStringLiteral("frm")),
              QStringLiteral("Etiqueta"));
    EXPECT_EQ(colocacion::seccion(QString(), QStringLiteral(" frmInicial ")),
              QStringLiteral("frmInicial"));
    EXPECT_TRUE(colocacion::guarda(ini, QString(), QStringLiteral("T"), diseno, true, 96).ok);
    EXPECT_FALSE(QFileInfo::exists(ini));
    EXPECT_EQ(colocacion::restaura(ini, QString(), diseno, true, pantallas), diseno);
}

TEST_F(ColocacionTest, AFileThatCannotBeWrittenIsReported) {
    escribeArchivo(ini, "");
    const colocacion::Resultado r = colocacion::guarda(
        ini + QStringLiteral("/x.ini"), QStringLiteral("V"), QStringLiteral("T"), diseno, true, 96);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.mensaje.isEmpty());
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

namespace {

// A window larger than the screen is reduced to it, one past an edge is moved in, one that
// fits stays where it is; counts are grouped in thousands with their noun in number.
TEST(AjusteTest, WindowsAreMadeToFitAndCountsAreGrouped) {
    const Geometria area{0, 0, 910, 512};
    EXPECT_EQ(colocacion::ajustada({100, 40, 760, 560}, area), (Geometria{100, 0, 760, 512}));
    EXPECT_EQ(colocacion::ajustada({-50, 300, 1960, 1240}, area), area);
    EXPECT_EQ(colocacion::ajustada({500, 400, 600, 200}, area), (Geometria{310, 312, 600, 200}));
    EXPECT_EQ(colocacion::ajustada({10, 10, 300, 200}, area), (Geometria{10, 10, 300, 200}));
    const Geometria segunda{1920, 100, 1366, 700};
    EXPECT_EQ(colocacion::ajustada({0, 0, 400, 300}, segunda), (Geometria{1920, 100, 400, 300}));

    const QString g = QLocale().groupSeparator();
    EXPECT_EQ(cantidad(1, QStringLiteral("pedido"), QStringLiteral("pedidos")),
              QStringLiteral("1 pedido"));
    EXPECT_EQ(cantidad(9998, QStringLiteral("pedido"), QStringLiteral("pedidos")),
              u'9' + g + QStringLiteral("998 pedidos"));
    EXPECT_EQ(numeroConMiles(999), QStringLiteral("999"));
    EXPECT_EQ(numeroConMiles(1234567),
              u'1' + g + QStringLiteral("234") + g + QStringLiteral("567"));
    EXPECT_EQ(numeroConMiles(-1000), QStringLiteral("-1") + g + QStringLiteral("000"));
    EXPECT_EQ(numeroConMiles(0), QStringLiteral("0"));
    EXPECT_EQ(numeroConMiles(std::numeric_limits<qint64>::min()).size(), 26);
}

} // namespace
