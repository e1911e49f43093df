#include "EntornoVentana.h"
#include "accumulation/ventanas/TabAcumular.h"
#include "description/ventanas/frmDescripcion.h"
#include "shell/Configuracion.h"
#include "shell/host/ArchivoIni.h"
#include "shell/ventanas/AyudaVentana.h"
#include "shell/ventanas/MarcoVentana.h"

#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using pruebas::EntornoVentana;
using pruebas::escribeArchivo;
using pruebas::espera;
using pruebas::habilitadas;
using pruebas::hijo;

inline void PrintTo(const Geometria& g, std::ostream* os) {
    *os << g.left << ',' << g.top << ' ' << g.width << 'x' << g.height;
}

namespace {

QString ini(const EntornoVentana& e, const char* seccion, const char* clave) {
    return host::ArchivoIni::leeValor(e.programa.archivoIni, QString::fromUtf8(seccion),
                                      QString::fromUtf8(clave));
}

Geometria bordes(const QWidget& w) {
    return AyudaVentana::geometria(w);
}

void arrastra(QWidget& donde, Qt::MouseButton boton, QPoint desde, QPoint hasta) {
    const QPoint g1 = donde.mapToGlobal(desde);
    QMouseEvent pulsa(QEvent::MouseButtonPress, desde, g1, boton, boton, Qt::NoModifier);
    QApplication::sendEvent(&donde, &pulsa);
    const QPoint g2 = donde.mapToGlobal(hasta);
    QMouseEvent mueve(QEvent::MouseMove, hasta, g2, Qt::NoButton, boton, Qt::NoModifier);
    QApplication::sendEvent(&donde, &mueve);
    QMouseEvent suelta(QEvent::MouseButtonRelease, donde.mapFromGlobal(g2), g2, boton, Qt::NoButton,
                       Qt::NoModifier);
    QApplication::sendEvent(&donde, &suelta);
}

// The last message box asked for.
CajaMensaje::Registro ultimo() {
    const auto lista = CajaMensaje::registro();
    if (lista.isEmpty())
        throw std::runtime_error("no se mostró ningún mensaje");
    return lista.last();
}

} // namespace

TEST(frmInicialArranque, AWrongInstallationFolderTellsTheUserAndShowsNoWindow) {
    if (QFileInfo::exists(Configuracion::rutaKorvanDefecto()))
        GTEST_SKIP() << "esta máquina tiene la instalación predeterminada";
    for (const CajaMensaje::Respuesta respuesta :
         {CajaMensaje::Respuesta::No, CajaMensaje::Respuesta::Si}) {
        EntornoVentana e;
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Aceptar);
        CajaMensaje::siguienteRespuesta(respuesta);
        // No INI at all: it is created naming the default installation folder, not there.
        EXPECT_EQ(e.carga(), nullptr);
        EXPECT_EQ(pruebas::ventanasVisibles(), 0);
        const auto vistos = CajaMensaje::registro();
        ASSERT_EQ(vistos.size(), 2);
        EXPECT_EQ(vistos[0].mensaje,
                  QStringLiteral("En el archivo de configuración de este programa\n\n(") +
                      e.programa.archivoIni +
                      QStringLiteral(")\n\ndebe indicarse la ruta correcta de Korvan Maestro.\n"
                                     "Ruta indicada e incorrecta: \n\n") +
                      Configuracion::rutaKorvanDefecto());
        EXPECT_EQ(vistos[0].estilo, CajaMensaje::Icono::Critico);
        EXPECT_EQ(vistos[0].titulo, QStringLiteral("Atención"));
        EXPECT_EQ(vistos[1].mensaje, QStringLiteral("¿Desea editar el archivo de configuración?"));
        EXPECT_EQ(vistos[1].estilo, CajaMensaje::Estilo::siNo(false));
        EXPECT_EQ(vistos[1].titulo, QStringLiteral("Editar INI"));
        EXPECT_EQ(e.abiertos, respuesta == CajaMensaje::Respuesta::Si
                                  ? QStringList{e.programa.archivoIni}
                                  : QStringList());
        EXPECT_EQ(ini(e, "Configuración", "Ruta de Korvan Maestro"),
                  Configuracion::rutaKorvanDefecto());
    }
}

TEST(frmInicialArranque, LoadsFromItsOwnFolderWritesTheKeysAndBuildsTheWindow) {
    EntornoVentana e;
    e.iniConKorvan();
    QTemporaryDir otraCarpeta; // a shortcut may start the program anywhere
    QDir::setCurrent(otraCarpeta.path());
    auto v = e.carga();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
    EXPECT_EQ(QDir::currentPath(), QDir(e.ruta(QString())).absolutePath());
    EXPECT_EQ(ini(e, "Configuración", "Base de datos principal"), QStringLiteral("datos1"));
    EXPECT_EQ(ini(e, "Otras bases de datos", "Para exportar pedidos"), QStringLiteral("datos1"));
    EXPECT_EQ(ini(e, "Otras bases de datos", "Para importar pedidos"), QStringLiteral("datos1"));

    EXPECT_EQ(v->objectName(), QStringLiteral("frmInicial"));
    EXPECT_EQ(v->windowTitle(), QStringLiteral("Acumula pedidos   v %1.%2.%3")
                                    .arg(ACUMULA_VERSION_MAJOR)
                                    .arg(ACUMULA_VERSION_MINOR)
                                    .arg(ACUMULA_VERSION_PATCH));
    EXPECT_TRUE(v->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(hijo<QLabel>(*v, "lblMuestra")->text(),
              QStringLiteral(" Servidor: 127.0.0.1\n  Base de datos principal: datos1\n"
                             "  Para exportar pedidos: datos1\n  Para importar pedidos: datos1"));
    auto* tabs = hijo<QTabWidget>(*v, "sstTabs");
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Menú"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral(" Acumular pedidos"));
    EXPECT_EQ(tabs->tabText(2), QStringLiteral(" Exportar pedidos"));
    EXPECT_EQ(tabs->tabText(3), QStringLiteral(" Importar pedidos"));
    EXPECT_NE(qobject_cast<TabAcumular*>(tabs->widget(1)), nullptr);
    EXPECT_EQ(hijo<QPushButton>(*v, "Command1")->text(), QStringLiteral("&Acumular pedidos"));
    EXPECT_EQ(hijo<QPushButton>(*v, "Command2")->text(), QStringLiteral("&Exportar pedidos"));
    EXPECT_EQ(hijo<QPushButton>(*v, "Command3")->text(), QStringLiteral("&Importar pedidos"));
    EXPECT_EQ(hijo<QPushButton>(*v, "cmdRegresar")->text(), QStringLiteral("&Regresar"));
    EXPECT_EQ(hijo<QLabel>(*v, "lblEtiqueta(4)")->text(), QStringLiteral("Base de datos"));
    // Never placed before: centred, design size.
    EXPECT_EQ(bordes(*v), colocacion::centrada(Geometria{0, 0, frmInicial::tamanoDiseno().width(),
                                                         frmInicial::tamanoDiseno().height()},
                                               AyudaVentana::pantallas().areas.first()));
    EXPECT_FALSE(v->confirmaAlCerrar());
    EXPECT_EQ(v->marco(), nullptr);
}

TEST(frmInicial, AfterActivationOnlyTheMenuTabIsEnabledAndTheFrameIsBuilt) {
    EntornoVentana e;
    e.iniConKorvan("[Otras bases de datos]\nPara exportar pedidos=empresa2\n"
                   "Para importar pedidos=empresa3\n");
    auto v = e.abre();
    auto* tabs = hijo<QTabWidget>(*v, "sstTabs");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(habilitadas(*tabs), (std::vector<bool>{true, false, false, false}));
    EXPECT_TRUE(tabs->isVisible());
    EXPECT_FALSE(hijo(*v, "cmdRegresar")->isEnabled());
    EXPECT_TRUE(v->confirmaAlCerrar());
    EXPECT_EQ(hijo<QLabel>(*v, "lblEtiqueta(4)")->text(),
              QStringLiteral("Base de datos a usar: empresa2"));
    EXPECT_EQ(hijo<QLabel>(*v, "lblEtiqueta(5)")->text(),
              QStringLiteral("Base de datos a usar: empresa3"));
    EXPECT_EQ(hijo(*v, "imgLogoVentana")->toolTip(), QStringLiteral("Menú de opciones generales"));
    EXPECT_TRUE(hijo(*v, "MinimizarVentana")->isVisible());
    EXPECT_TRUE(hijo(*v, "CerrarVentana")->isVisible());
    EXPECT_FALSE(hijo(*v, "RestaurarForma")->isVisible());
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
}

TEST(frmInicial, TheTabSwitchLeavesOnlyOneTabAndRegresarGoesBackToTheMenu) {
    EntornoVentana e;
    e.iniConKorvan();
    auto v = e.abre();
    auto* tabs = hijo<QTabWidget>(*v, "sstTabs");
    auto* regresar = hijo<QPushButton>(*v, "cmdRegresar");
    for (int n : {2, 3, 1}) {
        v->seleccionaTab(n);
        EXPECT_EQ(tabs->currentIndex(), n);
        std::vector<bool> esperado(4, false);
        esperado[n] = true;
        EXPECT_EQ(habilitadas(*tabs), esperado);
        EXPECT_TRUE(regresar->isEnabled());
        regresar->click();
        EXPECT_EQ(tabs->currentIndex(), 0);
        EXPECT_EQ(habilitadas(*tabs), (std::vector<bool>{true, false, false, false}));
        EXPECT_FALSE(regresar->isEnabled());
    }
    // The accumulation tab's own way back.
    v->seleccionaTab(1);
    emit hijo<TabAcumular>(*v, "TabAcumular")->regresar();
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST(frmInicial, ClosingAsksWithNoAsDefaultAndNoKeepsTheWindow) {
    EntornoVentana e;
    e.iniConKorvan();
    auto v = e.abre();
    CajaMensaje::limpiaRegistro();
    // Unanswered, the question takes its default button: No.
    hijo<QToolButton>(*v, "CerrarVentana")->click();
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(ultimo().mensaje, QStringLiteral("¿Desea cerrar este programa?"));
    EXPECT_EQ(ultimo().titulo, QStringLiteral("Finalizar"));
    EXPECT_EQ(ultimo().estilo, CajaMensaje::Estilo::siNo(true));

    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::No);
    EXPECT_FALSE(v->close());
    EXPECT_TRUE(v->isVisible());

    v->move(70, 80);
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    EXPECT_TRUE(v->close());
    EXPECT_FALSE(v->isVisible());
    EXPECT_EQ(CajaMensaje::registro().size(), 3);
    // The placement is kept for the next start.
    EXPECT_EQ(ini(e, "frmInicial", "Ventana"), v->windowTitle());
    // In twips, at the offscreen screen's 96 dpi.
    EXPECT_EQ(ini(e, "frmInicial", "Linea"), QStringLiteral("1200"));
    EXPECT_EQ(ini(e, "frmInicial", "Columna"), QStringLiteral("1050"));
}

TEST(frmInicial, AWindowNeverActivatedClosesWithoutAsking) {
    EntornoVentana e;
    e.iniConKorvan();
    auto v = e.carga();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->close());
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
}

TEST(frmInicial, KeysF1AndAltF4WorkFromAnyControl) {
    EntornoVentana e;
    e.iniConKorvan();
    escribeArchivo(e.ruta(QStringLiteral("acumulapedidos.txt")), "Descripción");
    auto v = e.abre();
    v->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v.get()));
    auto* boton = hijo(*v, "Command1");
    QTest::keyClick(boton, Qt::Key_F1);
    ASSERT_TRUE(espera([&] { return v->descripcion()->isVisible(); }));
    EXPECT_FALSE(v->descripcion()->isModal());

    v->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v.get()));
    CajaMensaje::limpiaRegistro();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::No);
    QTest::keyClick(boton, Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(ultimo().mensaje, QStringLiteral("¿Desea cerrar este programa?"));
    EXPECT_TRUE(v->isVisible());
}

TEST(frmInicial, DoubleClickAndTheLogoMenuOpenTheConfigurationFile) {
    EntornoVentana e;
    e.iniConKorvan();
    escribeArchivo(e.ruta(QStringLiteral("acumulapedidos.txt")), "Descripción");
    auto v = e.abre();
    QTest::mouseDClick(v.get(), Qt::LeftButton, {}, QPoint(300, 15));
    EXPECT_EQ(e.abiertos, QStringList{e.programa.archivoIni});

    QTest::mouseClick(hijo(*v, "imgLogoVentana"), Qt::LeftButton);
    QMenu* menu = v->descripcion()->menu();
    ASSERT_TRUE(espera([&] { return menu->isVisible(); }));
    EXPECT_EQ(menu->objectName(), QStringLiteral("mnUno"));
    const auto acciones = menu->actions();
    ASSERT_EQ(acciones.size(), 3); // the third, the journal, needs the server
    EXPECT_EQ(acciones[0]->objectName(), QStringLiteral("mnDescrip"));
    EXPECT_EQ(acciones[0]->text(), QStringLiteral("Descripción del programa"));
    EXPECT_EQ(acciones[1]->objectName(), QStringLiteral("mnEditINI"));
    EXPECT_EQ(acciones[1]->text(), QStringLiteral("Editar archivo INI de configuración"));
    menu->hide();
    acciones[1]->trigger();
    EXPECT_EQ(e.abiertos.size(), 2);
    acciones[0]->trigger();
    EXPECT_TRUE(v->descripcion()->isVisible());
}

TEST(frmInicial, ShrinkingToABarAndExpandingGiveBackTheExactBounds) {
    EntornoVentana e;
    e.iniConKorvan();
    auto v = e.abre();
    v->move(123, 77);
    const Geometria antes = bordes(*v);
    auto* restaurar = hijo<QToolButton>(*v, "RestaurarForma");

    hijo<QToolButton>(*v, "MinimizarVentana")->click();
    const int altoPantalla = v->screen()->geometry().height();
    EXPECT_TRUE(restaurar->isVisible());
    EXPECT_EQ(restaurar->text(), v->windowTitle() + QStringLiteral("   "));
    EXPECT_EQ(v->height(), MarcoVentana::kAltoBanda);
    EXPECT_EQ(v->y(), altoPantalla - MarcoVentana::kAltoBanda - colocacion::pixeles(500));
    EXPECT_EQ(v->x(), colocacion::pixeles(200));
    EXPECT_EQ(v->width(), restaurar->width());
    EXPECT_GT(v->width(), QFontMetrics(v->font()).horizontalAdvance(v->windowTitle()));

    // The bar can be dragged by its button without expanding the window.
    arrastra(*restaurar, Qt::LeftButton, QPoint(20, 10), QPoint(60, 0));
    EXPECT_EQ(v->x(), colocacion::pixeles(200) + 40);
    EXPECT_TRUE(restaurar->isVisible());

    restaurar->click();
    EXPECT_FALSE(restaurar->isVisible());
    EXPECT_EQ(bordes(*v), antes);
}

TEST(frmInicial, ClosedWhileShrunkTheWindowComesBackExpanded) {
    EntornoVentana e;
    e.iniConKorvan();
    {
        auto v = e.abre();
        v->move(40, 50);
        v->encoge();
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        EXPECT_TRUE(v->close());
    }
    auto v = e.carga();
    EXPECT_EQ(bordes(*v), (Geometria{40, 50, frmInicial::tamanoDiseno().width(),
                                     frmInicial::tamanoDiseno().height()}));
}

TEST(frmInicial, DraggingWithTheLeftButtonMovesTheWindowAndOtherButtonsDoNot) {
    EntornoVentana e;
    e.iniConKorvan();
    auto v = e.abre();
    v->move(100, 100);
    arrastra(*v, Qt::RightButton, QPoint(300, 15), QPoint(350, 40));
    EXPECT_EQ(v->pos(), QPoint(100, 100));
    arrastra(*v, Qt::LeftButton, QPoint(300, 15), QPoint(350, 40));
    EXPECT_EQ(v->pos(), QPoint(150, 125));
}

TEST(frmInicial, ASavedPlacementIsRestoredAtLoad) {
    EntornoVentana e;
    e.iniConKorvan("[frmInicial]\nLinea=600\nColumna=-300\nAncho=10\nAlto=10\n");
    auto v = e.carga();
    // The size is the design's: only the position is kept for this window.
    const QSize diseno = frmInicial::tamanoDiseno();
    EXPECT_EQ(bordes(*v), (Geometria{-20, 40, diseno.width(), diseno.height()}));

    // Below and right of the screen, where the frameless window could not be reached:
    // brought back into its corner.
    escribeArchivo(e.programa.archivoIni,
                   "[Configuración]\nRuta de Korvan Maestro=" + e.carpetaKorvan().toUtf8() +
                       "\n[frmInicial]\nLinea=45000\nColumna=60000\n");
    v = e.carga();
    const Geometria area = AyudaVentana::pantallas().areas.first();
    EXPECT_EQ(bordes(*v), (Geometria{area.left + area.width - diseno.width(),
                                     area.top + area.height - diseno.height(), diseno.width(),
                                     diseno.height()}));
}
