#include "export/ventanas/BajarPedidos.h"
#include "ControlesPrueba.h"
#include "journal/EsquemaBitacora.h"
#include "shell/Colocacion.h"
#include "shell/host/libNucleo.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/CampoTexto.h"
#include "shell/ventanas/DialogosEstandar.h"
#include "support/ServidorPruebas.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class BajarPedidosTest : public pruebas::PruebaVentana {
protected:
    void SetUp() override { programa.baseExportar = base.nombre(); }
    void TearDown() override { BajarPedidos::ponVolumenes({}); }

    qint64 pedido(const QString& serie, int folio, const QDate& fecha, double subtotal,
                  int renglones = 1) {
        host::Conexion& c = base.conexion();
        c.ejecuta(QStringLiteral("INSERT INTO pedidos (Factura, Serie, Cliente, Fecha, Subtotal, "
                                 "IVA) VALUES (?, ?, 'C1', ?, ?, ?)"),
                  {folio, serie, fecha, subtotal, subtotal * 0.16});
        const qint64 id = qint64(c.ultimoId());
        for (int i = 1; i <= renglones; ++i)
            c.ejecuta(QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, Producto, "
                                     "Cantidad) VALUES (?, ?, 'P1', 2)"),
                      {id, i});
        return id;
    }
    // Four orders, given out of date order.
    void cuatroPedidos() {
        pedido(QStringLiteral("B"), 20, QDate(2026, 3, 5), 1234567.891);
        pedido(QStringLiteral("A"), 15, QDate(2026, 1, 2), 100, 2);
        pedido(QString(), 7, QDate(2026, 2, 1), 0, 0);
        pedido(QStringLiteral("A"), 16, QDate(2026, 4, 9), 50);
    }

    QWidget* raiz() const override { return ventana.get(); }
    BajarPedidos& abre() {
        ventana = std::make_unique<BajarPedidos>(programa);
        muestra();
        return *ventana;
    }
    QTableView* reja() { return control<QTableView>(QStringLiteral("mhgReja")); }
    QString celda(int fila, int columna) {
        return reja()->model()->index(fila, columna).data().toString();
    }
    bool esperaFin() {
        return QTest::qWaitFor([&] { return !ventana->ocupado(); }, 60000);
    }
    // Both date fields emptied: no bound.
    void buscaTodo() {
        campo(QStringLiteral("mkeFecha(0)"))->clear();
        campo(QStringLiteral("mkeFecha(1)"))->clear();
        QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
        ASSERT_TRUE(esperaFin());
    }
    void marca(int fila) {
        reja()->setCurrentIndex(reja()->model()->index(fila, 1));
        QTest::keyClick(reja(), Qt::Key_Space);
    }
    // "Examinar…" answered with carpeta.
    void examina(const QString& carpeta) {
        DialogosEstandar::siguienteCarpeta(carpeta);
        QTest::mouseClick(boton(QStringLiteral("cmdExaminar")), Qt::LeftButton);
    }
    // First press answered Yes, the named file written to destino picked with "Examinar…".
    void exporta(const QString& nombre, const QString& destino) {
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
        examina(destino);
        campo(QStringLiteral("txtArchivo"))->clear();
        QTest::keyClicks(campo(QStringLiteral("txtArchivo")), nombre);
        QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
        ASSERT_TRUE(esperaFin());
    }
    static int encabezados(const QByteArray& archivo) {
        return int(archivo.count("\r\n\"M\",") + (archivo.startsWith("\"M\",") ? 1 : 0));
    }

    pruebas::BaseEmpresa base{QStringLiteral("exp")};
    std::unique_ptr<BajarPedidos> ventana;
};

TEST_F(BajarPedidosTest, SearchFillsTheGridOldestFirst) {
    cuatroPedidos();
    abre();
    buscaTodo();
    ASSERT_TRUE(reja()->isVisible());
    EXPECT_TRUE(reja()->hasFocus());
    EXPECT_FALSE(boton(QStringLiteral("cmdAceptar"))->isVisible());
    EXPECT_TRUE(control<QLabel>(QStringLiteral("Label5"))->isVisible());
    EXPECT_TRUE(boton(QStringLiteral("cmdProceder"))->isVisible());
    EXPECT_FALSE(campo(QStringLiteral("mkeFecha(0)"))->isEnabled());

    const QStringList titulos = {"",         "Serie", "Número",    "Fecha", "Subtotal",
                                 "I. V. A.", "Pasar", "Exportado", "Id"};
    const int anchos[] = {500, 1000, 1100, 1100, 1200, 1200, 800, 1700};
    auto* modelo = reja()->model();
    ASSERT_EQ(modelo->columnCount(), 9);
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(modelo->headerData(c, Qt::Horizontal).toString(), titulos[c]);
        if (c < 8) {
            // The designed widths, or wider where the font needs it.
            EXPECT_GE(reja()->columnWidth(c), colocacion::pixeles(anchos[c])) << c;
        }
    }
    EXPECT_TRUE(reja()->isColumnHidden(8));
    // Never exported: the column is empty.
    EXPECT_EQ(celda(0, 7), QString());

    ASSERT_EQ(modelo->rowCount(), 4);
    EXPECT_EQ(celda(0, 0), QStringLiteral("1"));
    EXPECT_EQ(celda(0, 1), QStringLiteral("A"));
    EXPECT_EQ(celda(0, 2), QStringLiteral("15"));
    EXPECT_EQ(celda(0, 3), QStringLiteral("02/01/2026"));
    EXPECT_EQ(celda(0, 4), QStringLiteral("100.00"));
    EXPECT_EQ(celda(0, 5), QStringLiteral("16.00"));
    EXPECT_EQ(celda(0, 6), QStringLiteral("Sí"));
    EXPECT_EQ(celda(1, 2), QStringLiteral("7"));
    EXPECT_EQ(celda(1, 4), QStringLiteral("0.00"));
    EXPECT_EQ(celda(2, 4), QStringLiteral("1,234,567.89"));
    EXPECT_EQ(celda(3, 0), QStringLiteral("4"));
}

TEST_F(BajarPedidosTest, DateBoundsFilterAndBadDatesMeanNoBound) {
    cuatroPedidos();
    abre();
    QLineEdit* desde = campo(QStringLiteral("mkeFecha(0)"));
    QLineEdit* hasta = campo(QStringLiteral("mkeFecha(1)"));
    desde->setText(QStringLiteral("01/02/2026"));
    hasta->setText(QStringLiteral("31/02/2026"));
    hasta->setFocus();
    desde->setFocus();
    EXPECT_EQ(hasta->displayText(), host::libNucleo::FechaVacia());
    QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
    ASSERT_TRUE(esperaFin());
    ASSERT_EQ(reja()->model()->rowCount(), 3);
    EXPECT_EQ(celda(0, 2), QStringLiteral("7"));
}

TEST_F(BajarPedidosTest, NoMatchIsToldAndTheSearchStaysOpen) {
    abre();
    EXPECT_EQ(ventana->windowTitle(),
              QStringLiteral("Exportar información de pedidos en ") + base.nombre());
    EXPECT_EQ(campo(QStringLiteral("mkeFecha(0)"))->text(),
              QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    for (const char* oculto : {"mhgReja", "cmdProceder", "txtArchivo", "Drive1"})
        EXPECT_FALSE(ventana->findChild<QWidget*>(QString::fromLatin1(oculto))->isVisible())
            << oculto;
    QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
    ASSERT_TRUE(esperaFin());
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].mensaje, QStringLiteral("No hay pedidos registrados con esos datos"));
    EXPECT_EQ(registro[0].estilo, CajaMensaje::Icono::Exclamacion);
    EXPECT_EQ(registro[0].titulo, QStringLiteral("Atención"));
    EXPECT_FALSE(reja()->isVisible());
    EXPECT_TRUE(boton(QStringLiteral("cmdAceptar"))->isEnabled());
    EXPECT_TRUE(campo(QStringLiteral("mkeFecha(0)"))->hasFocus());
}

TEST_F(BajarPedidosTest, SpaceAndMouseToggleTheMark) {
    cuatroPedidos();
    abre();
    buscaTodo();
    marca(1);
    EXPECT_EQ(celda(1, 6), QStringLiteral("No"));
    marca(1);
    EXPECT_EQ(celda(1, 6), QStringLiteral("Sí"));
    // A click elsewhere on a row selects it to read it; only the "Pasar" cell flips it.
    const QRect fecha = reja()->visualRect(reja()->model()->index(2, 3));
    QTest::mouseClick(reja()->viewport(), Qt::LeftButton, {}, fecha.center());
    EXPECT_EQ(celda(2, 6), QStringLiteral("Sí"));
    EXPECT_EQ(reja()->currentIndex().row(), 2);
    const QRect pasar = reja()->visualRect(reja()->model()->index(2, 6));
    QTest::mouseClick(reja()->viewport(), Qt::LeftButton, {}, pasar.center());
    EXPECT_EQ(celda(2, 6), QStringLiteral("No"));
    EXPECT_EQ(celda(1, 6), QStringLiteral("Sí"));
    // A double click flips it once, on any cell, "Pasar" included.
    // (as a mouse sends it: a click, then the second press as a double click)
    QTest::mouseClick(reja()->viewport(), Qt::LeftButton, {}, fecha.center());
    QTest::mouseDClick(reja()->viewport(), Qt::LeftButton, {}, fecha.center());
    EXPECT_EQ(celda(2, 6), QStringLiteral("Sí"));
    const QRect pasar3 = reja()->visualRect(reja()->model()->index(3, 6));
    QTest::mouseClick(reja()->viewport(), Qt::LeftButton, {}, pasar3.center());
    QTest::mouseDClick(reja()->viewport(), Qt::LeftButton, {}, pasar3.center());
    EXPECT_EQ(celda(3, 6), QStringLiteral("No"));
}

TEST_F(BajarPedidosTest, NothingMarkedIsToldAndTheSelectionStays) {
    cuatroPedidos();
    abre();
    buscaTodo();
    for (int i = 0; i < 4; ++i)
        marca(i);
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(
        registro[0].mensaje,
        QStringLiteral("No hay pedidos marcados para exportar. Marque los que desea "
                       "exportar con la barra espaciadora o con un clic en \"Pasar\", y pulse "
                       "\"Proceder\" otra vez."));
    EXPECT_EQ(registro[0].estilo, CajaMensaje::Icono::Exclamacion);
    EXPECT_FALSE(campo(QStringLiteral("txtArchivo"))->isVisible());
    EXPECT_TRUE(reja()->isEnabled());
    EXPECT_TRUE(reja()->hasFocus());
}

TEST_F(BajarPedidosTest, ThreeMarksAskWithTheCountAndNoKeepsTheSelection) {
    cuatroPedidos();
    abre();
    buscaTodo();
    marca(2);
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton); // No is the default
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].mensaje, QStringLiteral("Se marcaron para exportar 3 pedidos. ¿Desea "
                                                  "proceder a bajar la información?"));
    EXPECT_EQ(registro[0].titulo, QStringLiteral("Exportar pedidos"));
    EXPECT_EQ(registro[0].estilo, CajaMensaje::Estilo::siNo(true));
    EXPECT_FALSE(campo(QStringLiteral("txtArchivo"))->isVisible());
    EXPECT_TRUE(reja()->isEnabled());
    EXPECT_TRUE(control<QLabel>(QStringLiteral("Label5"))->isVisible());
}

// The drive list shows the volumes with their labels, read again when it opens, and
// "Examinar…" adds any folder to it.
TEST_F(BajarPedidosTest, YesAsksForTheNameAndTheDestination) {
    QVector<BajarPedidos::Destino> volumenes{
        {QStringLiteral("/media/ana/KINGSTON"), QStringLiteral("KINGSTON")},
        {QStringLiteral("/mnt/datos"), QString()}};
    BajarPedidos::ponVolumenes([&] { return volumenes; });
    cuatroPedidos();
    abre();
    buscaTodo();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
    auto* unidad = control<QComboBox>(QStringLiteral("Drive1"));
    EXPECT_FALSE(reja()->isEnabled());
    EXPECT_FALSE(control<QLabel>(QStringLiteral("Label5"))->isVisible());
    for (const char* visible : {"Label6", "txtArchivo", "Label8", "Drive1", "cmdExaminar"})
        EXPECT_TRUE(ventana->findChild<QWidget*>(QString::fromLatin1(visible))->isVisible())
            << visible;
    EXPECT_TRUE(unidad->hasFocus());
    QStringList lista;
    for (int i = 0; i < unidad->count(); ++i)
        lista << unidad->itemText(i) + QLatin1Char('|') + unidad->itemData(i).toString();
    EXPECT_EQ(
        lista,
        (QStringList{
            QStringLiteral("%1  (carpeta personal)|%1").arg(QDir::cleanPath(QDir::homePath())),
            QStringLiteral("/media/ana/KINGSTON  (KINGSTON)|/media/ana/"
                           "KINGSTON"),
            QStringLiteral("/mnt/datos|/mnt/datos")}));
    EXPECT_EQ(unidad->currentIndex(), 0);

    // A stick plugged in meanwhile is there when the list opens; the selection stays.
    unidad->setCurrentIndex(2);
    volumenes.push_back({QStringLiteral("/media/ana/USB"), QStringLiteral("RESPALDO")});
    unidad->showPopup();
    unidad->hidePopup();
    EXPECT_EQ(unidad->count(), 4);
    EXPECT_EQ(unidad->itemText(3), QStringLiteral("/media/ana/USB  (RESPALDO)"));
    EXPECT_EQ(unidad->currentData().toString(), QStringLiteral("/mnt/datos"));

    // A folder picked becomes the destination and stays listed; a cancelled pick changes
    // nothing. The exports below write through it.
    QTemporaryDir otra;
    examina(otra.path() + QStringLiteral("/"));
    EXPECT_EQ(unidad->currentData().toString(), otra.path());
    EXPECT_TRUE(campo(QStringLiteral("txtArchivo"))->hasFocus());
    examina(QString());
    unidad->showPopup();
    unidad->hidePopup();
    EXPECT_EQ(unidad->count(), 5);
    EXPECT_EQ(unidad->currentData().toString(), otra.path());

    // A blank name only sends the user back to the box.
    QTest::keyClicks(campo(QStringLiteral("txtArchivo")), QStringLiteral("   "));
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
    EXPECT_FALSE(ventana->ocupado());
    EXPECT_TRUE(campo(QStringLiteral("txtArchivo"))->hasFocus());
    EXPECT_TRUE(QDir(carpeta.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(BajarPedidosTest, NameWithoutExtensionIsWrittenAndCopiedAsTxt) {
    cuatroPedidos();
    abre();
    buscaTodo();
    marca(3);
    QTemporaryDir destino;
    exporta(QStringLiteral("pedidos"), destino.path());
    // The window says what it wrote and where.
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[1].mensaje,
              QStringLiteral("Se escribieron 3 pedidos con 3 renglones en el archivo %1 y se "
                             "copió a %2.")
                  .arg(QDir(carpeta.path()).filePath(QStringLiteral("pedidos.txt")),
                       QDir(destino.path()).filePath(QStringLiteral("pedidos.txt"))));
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Exportar pedidos"));
    EXPECT_EQ(registro[1].estilo, CajaMensaje::Icono::Informacion);

    QFile escrito(QDir(carpeta.path()).filePath(QStringLiteral("pedidos.txt")));
    QFile copia(QDir(destino.path()).filePath(QStringLiteral("pedidos.txt")));
    ASSERT_TRUE(escrito.open(QIODevice::ReadOnly));
    ASSERT_TRUE(copia.open(QIODevice::ReadOnly));
    const QByteArray contenido = escrito.readAll();
    EXPECT_EQ(copia.readAll(), contenido);
    EXPECT_EQ(encabezados(contenido), 3);
    EXPECT_EQ(contenido.count("\r\n\"D\","), 3); // 2 + 0 + 1 lines
    EXPECT_TRUE(contenido.startsWith("\"M\",15,\"A\""));

    // Back to the start.
    EXPECT_TRUE(boton(QStringLiteral("cmdAceptar"))->isVisible());
    EXPECT_TRUE(campo(QStringLiteral("mkeFecha(0)"))->isEnabled());
    EXPECT_FALSE(reja()->isVisible());
    EXPECT_FALSE(campo(QStringLiteral("txtArchivo"))->isVisible());
    EXPECT_FALSE(control<QPushButton>(QStringLiteral("cmdCancelar"))->isVisible());
}

TEST_F(BajarPedidosTest, NameHoldingTxtInAnyCaseKeepsIt) {
    cuatroPedidos();
    abre();
    buscaTodo();
    QTemporaryDir destino;
    exporta(QStringLiteral("  Pedidos.TXT "), destino.path());
    EXPECT_TRUE(QFile::exists(QDir(destino.path()).filePath(QStringLiteral("Pedidos.TXT"))));
    EXPECT_FALSE(QFile::exists(QDir(destino.path()).filePath(QStringLiteral("Pedidos.TXT.txt"))));
}

TEST_F(BajarPedidosTest, AFileAlreadyAtTheDestinationIsReplacedOnlyWhenTheUserSaysYes) {
    cuatroPedidos();
    abre();
    buscaTodo();
    for (int i = 1; i < 4; ++i)
        marca(i); // only the first order
    QTemporaryDir destino;
    const QString copia = QDir(destino.path()).filePath(QStringLiteral("pedidos.txt"));
    const QByteArray anterior = "\"M\",1,\"X\"\r\n otro archivo, más largo que el nuevo ......";
    QFile previo(copia);
    ASSERT_TRUE(previo.open(QIODevice::WriteOnly));
    previo.write(anterior);
    previo.close();

    exporta(QStringLiteral("pedidos"), destino.path()); // No is the default
    auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 3);
    EXPECT_EQ(registro[1].mensaje,
              QStringLiteral("Ya existe el archivo %1. ¿Desea reemplazarlo?").arg(copia));
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Exportar pedidos"));
    EXPECT_EQ(registro[1].estilo, CajaMensaje::Estilo::siNo(true));
    EXPECT_EQ(registro[2].mensaje, QStringLiteral("No se escribió nada: el archivo %1 quedó como "
                                                  "estaba. Escriba otro nombre o elija otra "
                                                  "unidad.")
                                       .arg(copia));
    EXPECT_EQ(registro[2].titulo, QStringLiteral("Atención"));
    QFile despues(copia);
    ASSERT_TRUE(despues.open(QIODevice::ReadOnly));
    EXPECT_EQ(despues.readAll(), anterior);
    despues.close();
    EXPECT_TRUE(QDir(carpeta.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(campo(QStringLiteral("txtArchivo"))->isVisible());
    EXPECT_TRUE(campo(QStringLiteral("txtArchivo"))->hasFocus());

    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
    ASSERT_TRUE(esperaFin());
    registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 5);
    EXPECT_EQ(registro[4].mensaje,
              QStringLiteral("Se escribió 1 pedido con 2 renglones en el archivo %1 y se copió a "
                             "%2. Se reemplazó el archivo que ya había ahí con ese nombre.")
                  .arg(QDir(carpeta.path()).filePath(QStringLiteral("pedidos.txt")), copia));
    ASSERT_TRUE(despues.open(QIODevice::ReadOnly));
    EXPECT_TRUE(despues.readAll().startsWith("\"M\",15,\"A\""));
}

TEST_F(BajarPedidosTest, FailedCopyIsToldAndTheNameCanBeChangedAgain) {
    cuatroPedidos();
    abre();
    buscaTodo();
    const QString falta = QDir(carpeta.path()).filePath(QStringLiteral("no/existe"));
    exporta(QStringLiteral("pedidos"), falta);
    // Told before anything is written, also into the program folder.
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[1].mensaje,
              QStringLiteral("No se exportó nada: la carpeta de destino \"%1\" no existe o no "
                             "está disponible (quizá se retiró la unidad). Elija otra unidad o "
                             "carpeta.")
                  .arg(falta));
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Atención"));
    EXPECT_TRUE(QDir(carpeta.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(campo(QStringLiteral("txtArchivo"))->isVisible());
    EXPECT_TRUE(campo(QStringLiteral("txtArchivo"))->isEnabled());
    EXPECT_TRUE(boton(QStringLiteral("cmdProceder"))->isEnabled());
    EXPECT_FALSE(reja()->isEnabled());

    // The second try, to a folder that exists, goes through.
    QTemporaryDir destino;
    auto* unidad = control<QComboBox>(QStringLiteral("Drive1"));
    unidad->addItem(destino.path(), destino.path());
    unidad->setCurrentIndex(unidad->count() - 1);
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
    ASSERT_TRUE(esperaFin());
    EXPECT_TRUE(QFile::exists(QDir(destino.path()).filePath(QStringLiteral("pedidos.txt"))));
    EXPECT_TRUE(boton(QStringLiteral("cmdAceptar"))->isVisible());
}

TEST_F(BajarPedidosTest, MissingExportDatabaseIsAnError) {
    programa.baseExportar = pruebas::nombreUnico(QStringLiteral("falta"));
    abre();
    QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
    ASSERT_TRUE(esperaFin());
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].titulo, QStringLiteral("Error"));
    EXPECT_TRUE(registro[0].mensaje.contains(programa.baseExportar));
    EXPECT_TRUE(boton(QStringLiteral("cmdAceptar"))->isEnabled());
}

} // namespace

namespace {

// The line below the grid follows every change of marks, with the totals of the marked
// orders in cents (subtotal plus VAT), and the two buttons mark or unmark the whole list.
TEST_F(BajarPedidosTest, TheCountLineFollowsTheMarksAndTheButtonsMarkAll) {
    cuatroPedidos();
    abre();
    buscaTodo();
    auto* cuenta = control<QLabel>(QStringLiteral("lblCuenta"));
    ASSERT_TRUE(cuenta->isVisible());
    // 1234567.891 + 100 + 0 + 50, each with 16 % VAT, rounded per order to the cent.
    EXPECT_TRUE(cuenta->text().startsWith(QStringLiteral("Marcados: 4 de 4 pedidos;")))
        << cuenta->text().toStdString();
    EXPECT_TRUE(cuenta->text().endsWith(QStringLiteral("1,432,272.75")))
        << cuenta->text().toStdString();
    marca(0); // the oldest: 100 + 16
    EXPECT_TRUE(cuenta->text().startsWith(QStringLiteral("Marcados: 3 de 4 pedidos;")));
    EXPECT_TRUE(cuenta->text().endsWith(QStringLiteral("1,432,156.75")))
        << cuenta->text().toStdString();
    QTest::mouseClick(boton(QStringLiteral("cmdDesmarcarTodos")), Qt::LeftButton);
    EXPECT_TRUE(cuenta->text().startsWith(QStringLiteral("Marcados: 0 de 4")));
    EXPECT_TRUE(cuenta->text().endsWith(QStringLiteral(" 0.00"))) << cuenta->text().toStdString();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(celda(i, 6), QStringLiteral("No"));
    QTest::mouseClick(boton(QStringLiteral("cmdMarcarTodos")), Qt::LeftButton);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(celda(i, 6), QStringLiteral("Sí"));
    EXPECT_TRUE(cuenta->text().endsWith(QStringLiteral("1,432,272.75")))
        << cuenta->text().toStdString();
}

// Each of the window's silent dead ends leaves a line that says why: a refused date (the
// field is still emptied), an inverted range (nothing searched), an empty name.
TEST_F(BajarPedidosTest, ItsDeadEndsAreToldBesideTheControls) {
    cuatroPedidos();
    abre();
    auto* fechas = control<QLabel>(QStringLiteral("lblAvisoFechas"));
    auto* desde = campo(QStringLiteral("mkeFecha(0)"));
    EXPECT_FALSE(fechas->isVisible());
    desde->setFocus();
    desde->setText(QStringLiteral("31/02/2026"));
    campo(QStringLiteral("mkeFecha(1)"))->setFocus();
    EXPECT_FALSE(CampoTexto::tieneDigitos(*desde));
    ASSERT_TRUE(fechas->isVisible());
    EXPECT_TRUE(fechas->text().contains(QStringLiteral("31/02/2026")))
        << fechas->text().toStdString();

    desde->setText(QStringLiteral("10/05/2026"));
    campo(QStringLiteral("mkeFecha(1)"))->setText(QStringLiteral("01/05/2026"));
    QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
    EXPECT_FALSE(ventana->ocupado());
    EXPECT_TRUE(fechas->text().contains(QStringLiteral("posterior")))
        << fechas->text().toStdString();
    EXPECT_FALSE(reja()->isVisible());
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());

    buscaTodo();
    EXPECT_FALSE(fechas->isVisible());
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
    auto* archivo = control<QLabel>(QStringLiteral("lblAvisoArchivo"));
    EXPECT_TRUE(archivo->isVisible());
    EXPECT_TRUE(archivo->text().contains(QStringLiteral("nombre del archivo")));
    EXPECT_TRUE(campo(QStringLiteral("txtArchivo"))->hasFocus());
    QTest::keyClicks(campo(QStringLiteral("txtArchivo")), QStringLiteral("a"));
    EXPECT_FALSE(archivo->isVisible());
}

} // namespace

TEST_F(BajarPedidosTest, TheExportadoColumnShowsWhenEachOrderWasLastExported) {
    cuatroPedidos();
    abre();
    buscaTodo();
    marca(1); // the orders of rows 1 and 3 stay out
    marca(3);
    QTemporaryDir destino;
    const QDateTime antes = QDateTime::currentDateTime().addSecs(-60);
    exporta(QStringLiteral("envio"), destino.path());
    ASSERT_FALSE(reja()->isVisible()); // back at the search

    buscaTodo();
    const QString formato = QStringLiteral("dd/MM/yyyy HH:mm");
    for (int fila : {0, 2}) {
        const QDateTime cuando = QDateTime::fromString(celda(fila, 7), formato);
        ASSERT_TRUE(cuando.isValid()) << fila << " " << celda(fila, 7).toStdString();
        EXPECT_GE(cuando, antes.addSecs(-antes.time().second()));
        EXPECT_LE(cuando, QDateTime::currentDateTime());
    }
    EXPECT_EQ(celda(1, 7), QString());
    EXPECT_EQ(celda(3, 7), QString());
    EXPECT_FALSE(control<QLabel>(QStringLiteral("lblAvisoFechas"))->isVisible());
}

TEST_F(BajarPedidosTest, AJournalThatCannotBeReadLeavesTheColumnEmptyAndSaysSo) {
    cuatroPedidos();
    abre();
    buscaTodo();
    QTemporaryDir destino;
    exporta(QStringLiteral("envio"), destino.path());
    // A journal of another layout: its orders' table lacks the column read.
    base.conexion().ejecuta(QStringLiteral("ALTER TABLE %1 DROP COLUMN IdOrigen")
                                .arg(bitacora::EsquemaBitacora::tablaPedidos()));
    buscaTodo();
    ASSERT_EQ(reja()->model()->rowCount(), 4);
    EXPECT_EQ(celda(0, 7), QString());
    auto* aviso = control<QLabel>(QStringLiteral("lblAvisoFechas"));
    EXPECT_TRUE(aviso->isVisible());
    EXPECT_TRUE(aviso->text().startsWith(QStringLiteral("No se pudo leer en la bitácora")))
        << aviso->text().toStdString();
    EXPECT_FALSE(aviso->text().contains(QStringLiteral("SELECT")));
}

TEST_F(BajarPedidosTest, TheLastFileNameAndDestinationAreProposedFromTheIni) {
    programa.archivoIni = QDir(carpeta.path()).filePath(QStringLiteral("acumulapedidos.ini"));
    // A file of the user's, with its own line ends and a comment: kept byte for byte.
    const QByteArray previo =
        "; mi comentario\r\n[Configuración]\r\nBase de datos principal=e1\r\n";
    {
        QFile f(programa.archivoIni);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(previo);
    }
    cuatroPedidos();
    abre();
    buscaTodo();
    QTemporaryDir destino;
    exporta(QStringLiteral("lunes"), destino.path());
    QFile f(programa.archivoIni);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray despues = f.readAll();
    EXPECT_TRUE(despues.startsWith(previo)) << despues.toStdString();
    EXPECT_TRUE(despues.contains("Archivo de la exportación=lunes.txt\r\n"));

    // Another window proposes both.
    abre();
    buscaTodo();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
    EXPECT_EQ(campo(QStringLiteral("txtArchivo"))->text(), QStringLiteral("lunes.txt"));
    EXPECT_EQ(control<QComboBox>(QStringLiteral("Drive1"))->currentData().toString(),
              QDir::cleanPath(destino.path()));

    // A destination gone since (the stick not plugged in) is not proposed.
    const QString ruta = destino.path();
    destino.remove();
    abre();
    buscaTodo();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(boton(QStringLiteral("cmdProceder")), Qt::LeftButton);
    EXPECT_EQ(control<QComboBox>(QStringLiteral("Drive1"))->findData(QDir::cleanPath(ruta)), -1);
    EXPECT_EQ(control<QComboBox>(QStringLiteral("Drive1"))->currentIndex(), 0);
}
