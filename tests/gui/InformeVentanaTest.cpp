#include "shell/ventanas/InformeVentana.h"
#include "ControlesPrueba.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/DialogosEstandar.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QByteArray contenido(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no existe>");
}

template <class T> T* control(QWidget& w, const char* nombre) {
    return pruebas::control<T>(&w, QString::fromLatin1(nombre));
}

} // namespace

TEST(InformeVentana, ShowsTheReportAndCopiesSavesAndPrintsItAsShown) {
    CajaMensaje::limpiaRegistro();
    Informe informe;
    informe.titulo = QStringLiteral("Informe de prueba");
    informe.resumen = QStringLiteral("Se generaron 2 pedidos.\nSegunda línea.");
    informe.columnas = {QStringLiteral("Folio"), QStringLiteral("Empresa de origen")};
    informe.renglones = {{QStringLiteral("A-11"), QStringLiteral("Peña\t<b>uno</b>")},
                         {QStringLiteral("A-1234"), QStringLiteral("dos")}};
    QWidget padre;
    InformeVentana::muestra(&padre, informe); // test mode: shown, and left open
    auto* ventana = padre.findChild<InformeVentana*>(QStringLiteral("InformeVentana"));
    ASSERT_NE(ventana, nullptr);
    EXPECT_TRUE(ventana->isVisible());
    EXPECT_EQ(control<QLabel>(*ventana, "lblTitulo")->text(), informe.titulo);
    EXPECT_EQ(control<QLabel>(*ventana, "lblResumen")->text(), informe.resumen);
    auto* tabla = control<QTableWidget>(*ventana, "tblRenglones");
    ASSERT_EQ(tabla->rowCount(), 2);
    EXPECT_EQ(tabla->horizontalHeaderItem(1)->text(), QStringLiteral("Empresa de origen"));
    EXPECT_EQ(tabla->item(0, 1)->text(), QStringLiteral("Peña\t<b>uno</b>"));

    // Copied tab-separated: a tab inside a cell must not shift the columns.
    QTest::mouseClick(control<QPushButton>(*ventana, "cmdCopiar"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("Folio\tEmpresa de origen\nA-11\tPeña <b>uno</b>\nA-1234\tdos\n"));

    // Saved as UTF-8 in aligned columns; cancelling the dialog writes nothing.
    QTemporaryDir carpeta;
    const QString ruta = carpeta.filePath(QStringLiteral("informe.txt"));
    QTest::mouseClick(control<QPushButton>(*ventana, "cmdGuardar"), Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(ruta));
    DialogosEstandar::siguienteArchivo(ruta);
    QTest::mouseClick(control<QPushButton>(*ventana, "cmdGuardar"), Qt::LeftButton);
    EXPECT_EQ(QString::fromUtf8(contenido(ruta)),
              QStringLiteral("Informe de prueba\nSe generaron 2 pedidos.\nSegunda línea.\n\n"
                             "Folio   Empresa de origen\n"
                             "A-11    Peña <b>uno</b>\n"
                             "A-1234  dos\n"));
    EXPECT_TRUE(control<QLabel>(*ventana, "lblEstado")->text().contains(ruta));
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());

    // A folder that does not exist is told as an error.
    DialogosEstandar::siguienteArchivo(carpeta.filePath(QStringLiteral("falta/informe.txt")));
    QTest::mouseClick(control<QPushButton>(*ventana, "cmdGuardar"), Qt::LeftButton);
    ASSERT_EQ(CajaMensaje::registro().size(), 1);
    EXPECT_EQ(CajaMensaje::registro()[0].titulo, QStringLiteral("Error"));
    EXPECT_TRUE(CajaMensaje::registro()[0].mensaje.contains(QStringLiteral("falta")));

    // Printed (into a PDF file in place of the printer the dialog would give).
    const QString pdf = carpeta.filePath(QStringLiteral("informe.pdf"));
    DialogosEstandar::siguienteImpresion(pdf);
    QTest::mouseClick(control<QPushButton>(*ventana, "cmdImprimir"), Qt::LeftButton);
    EXPECT_TRUE(contenido(pdf).startsWith("%PDF"));
    // A file, not a printer: the line says where it went.
    EXPECT_EQ(control<QLabel>(*ventana, "lblEstado")->text(),
              QStringLiteral("Informe guardado en %1.").arg(pdf));

    QTest::mouseClick(control<QPushButton>(*ventana, "cmdCerrar"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !padre.findChild<InformeVentana*>(); }));
}

// A long reason neither widens its column past the window, to be scrolled sideways, nor is
// cut short: the cell's tooltip holds all of it, and the copy still gives it whole.
TEST(InformeVentana, ALongCellStaysWithinTheWindowAndItsTooltipHoldsAllOfIt) {
    Informe informe;
    informe.titulo = QStringLiteral("Informe");
    informe.columnas = {QStringLiteral("Pedido"), QStringLiteral("Motivo")};
    const QString largo =
        QStringLiteral("no se pudo leer la base de datos de origen empresa3: ") + QString(300, 'x');
    informe.renglones = {{QStringLiteral("A-1"), largo},
                         {QStringLiteral("A-2"), QStringLiteral("cambió después de la corrida")}};
    InformeVentana ventana(informe);
    ventana.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ventana));
    auto* tabla = control<QTableWidget>(ventana, "tblRenglones");
    EXPECT_LE(tabla->columnWidth(0) + tabla->columnWidth(1), tabla->viewport()->width());
    EXPECT_FALSE(tabla->horizontalScrollBar()->isVisible());
    EXPECT_EQ(tabla->item(0, 1)->toolTip(), largo);
    EXPECT_TRUE(tabla->item(1, 1)->toolTip().isEmpty());
    ventana.copia();
    EXPECT_TRUE(QApplication::clipboard()->text().contains(largo));
}
