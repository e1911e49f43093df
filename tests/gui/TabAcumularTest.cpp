#include "accumulation/ventanas/TabAcumular.h"
#include "ControlesPrueba.h"
#include "accumulation/Escenario.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/DialogosEstandar.h"
#include "shell/ventanas/InformeVentana.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using pruebas::Escenario;
using pruebas::Renglon;

namespace {

const QDate dia(2026, 5, 10);

class TabAcumularTest : public ::testing::Test, protected pruebas::ControlesPrueba {
protected:
    void SetUp() override {
        *programa.bases = e.bases();
        CajaMensaje::limpiaRegistro();
    }

    void dato(const QString& tabla, const QString& clave, const QString& valor) {
        e.actual().conexion().ejecuta(
            QStringLiteral("REPLACE INTO %1 (Dato, Contenido) VALUES (?, ?)").arg(tabla),
            {clave, valor});
    }
    // Series A active (counter 10), B inactive (20), the series without name at 5.
    void contadores(bool seriesEnPedidos) {
        dato(QStringLiteral("sistema"), QStringLiteral("PE-"), QStringLiteral("5"));
        dato(QStringLiteral("sistema"), QStringLiteral("PE-A"), QStringLiteral("10"));
        dato(QStringLiteral("sistema"), QStringLiteral("PE+A-A"), QStringLiteral("Sí"));
        dato(QStringLiteral("sistema"), QStringLiteral("PE-B"), QStringLiteral("20"));
        dato(QStringLiteral("sistema"), QStringLiteral("PE+A-B"), QStringLiteral("No"));
        dato(QStringLiteral("configura"), QStringLiteral("SeriesEnPed"),
             seriesEnPedidos ? QStringLiteral("1") : QStringLiteral("0"));
    }

    QWidget* raiz() const override { return tab.get(); }
    TabAcumular& abre() {
        tab = std::make_unique<TabAcumular>(programa);
        tab->resize(640, 480);
        muestra();
        tab->entra();
        leido();
        return *tab;
    }
    // The tab's small reads (series, folio, customer's name) are done.
    void leido() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !tab->leyendo(); }, 20000));
    }
    // A session in that database waits for a table: the server's state of its statement.
    bool esperaTabla(const QString& base) {
        return QTest::qWaitFor(
            [&] {
                return e.actual().cuenta(QStringLiteral("information_schema.PROCESSLIST WHERE "
                                                        "DB=? AND STATE LIKE 'Waiting for table%'"),
                                         {base}) > 0;
            },
            20000);
    }
    QLabel* etiqueta(int i) { return control<QLabel>(QStringLiteral("lblEtiqueta(%1)").arg(i)); }

    void fechas(const QDate& desde, const QDate& hasta) {
        campo(QStringLiteral("mskFecha(0)"))->setText(desde.toString(QStringLiteral("dd/MM/yyyy")));
        campo(QStringLiteral("mskFecha(1)"))->setText(hasta.toString(QStringLiteral("dd/MM/yyyy")));
    }
    // n pending orders of one line in the first company, found by a search of their day.
    void buscaPedidosDeUnRenglon(int n) {
        for (int i = 1; i <= n; ++i)
            e.pedido(e.empresa(1), QString(), i, dia, {{"P1", 1, 1}});
        abre();
        fechas(dia, dia);
        busca();
    }
    bool esperaFin() {
        return QTest::qWaitFor([&] { return !tab->ocupado(); }, 60000);
    }
    void busca() {
        QTest::mouseClick(boton(QStringLiteral("Command4")), Qt::LeftButton);
        ASSERT_TRUE(esperaFin());
    }
    qint64 cuentaActual(const QString& condicion) { return e.actual().cuenta(condicion); }
    // The question before a generation, with its counts.
    static QString pregunta(const QString& cuenta) {
        return cuenta +
               QStringLiteral(".\n¿Desea generar el pedido, según los parámetros indicados?");
    }
    // The report the last message's "Ver informe" opened (left open in test mode).
    InformeVentana* informe() {
        auto* v = tab->findChild<InformeVentana*>(QStringLiteral("InformeVentana"));
        EXPECT_NE(v, nullptr);
        return v;
    }

    Escenario e{2};
    Programa programa;
    std::unique_ptr<TabAcumular> tab;
};

TEST_F(TabAcumularTest, ListsOnlyActiveSeriesAndProposesTheFirstOnesFolio) {
    contadores(true);
    abre();
    auto* serie = control<QComboBox>(QStringLiteral("cmbDato"));
    EXPECT_EQ(serie->count(), 1);
    EXPECT_EQ(serie->currentText(), QStringLiteral("A"));
    EXPECT_TRUE(serie->isVisible());
    EXPECT_TRUE(etiqueta(7)->isVisible());
    EXPECT_EQ(campo(QStringLiteral("txtFolio"))->text(), QStringLiteral("11"));
    EXPECT_EQ(etiqueta(3)->text(), QStringLiteral("Base de datos a usar: ") + e.actual().nombre());
    EXPECT_FALSE(boton(QStringLiteral("Command5"))->isVisible());
    EXPECT_FALSE(control<QPlainTextEdit>(QStringLiteral("txtResultado"))->isVisible());
    EXPECT_TRUE(campo(QStringLiteral("mskFecha(0)"))->hasFocus());
    EXPECT_EQ(campo(QStringLiteral("mskFecha(2)"))->text(),
              QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
}

TEST_F(TabAcumularTest, WithoutActiveSeriesTheListHidesAndTheFolioComesFromThePlainCounter) {
    contadores(true);
    dato(QStringLiteral("sistema"), QStringLiteral("PE+A-A"), QStringLiteral("Si"));
    abre();
    EXPECT_FALSE(control<QComboBox>(QStringLiteral("cmbDato"))->isVisible());
    EXPECT_FALSE(etiqueta(7)->isVisible());
    EXPECT_EQ(control<QComboBox>(QStringLiteral("cmbDato"))->count(), 0);
    EXPECT_EQ(campo(QStringLiteral("txtFolio"))->text(), QStringLiteral("6"));
}

TEST_F(TabAcumularTest, HiddenSeriesListIsStillUsedByTheGeneration) {
    contadores(false);
    const qint64 origen = e.pedido(e.empresa(1), QStringLiteral("Z"), 77, dia, {{"P1", 2, 2}});
    abre();
    auto* serie = control<QComboBox>(QStringLiteral("cmbDato"));
    EXPECT_FALSE(serie->isVisible());
    EXPECT_FALSE(etiqueta(7)->isVisible());
    EXPECT_EQ(serie->currentText(), QStringLiteral("A"));
    EXPECT_EQ(campo(QStringLiteral("txtFolio"))->text(), QStringLiteral("6"));

    fechas(dia, dia);
    busca();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton);
    ASSERT_TRUE(esperaFin());
    EXPECT_EQ(cuentaActual(QStringLiteral("pedidos WHERE Serie='A' AND Factura=6")), 1);
    EXPECT_EQ(e.empresa(1).valor(QStringLiteral("SELECT Pedido FROM pedidosdetalle WHERE Id=?"),
                                 {origen}),
              QStringLiteral("0.0000"));
}

TEST_F(TabAcumularTest, CustomerNameFollowsTheTypedKey) {
    e.actual().conexion().ejecuta(
        QStringLiteral("INSERT INTO clientes (Clave, Nombre) VALUES ('C7', 'Ana Núñez')"));
    abre();
    QLineEdit* cliente = campo(QStringLiteral("txtCliente"));
    cliente->setFocus();
    QTest::keyClicks(cliente, QStringLiteral("C7"));
    leido();
    EXPECT_EQ(etiqueta(6)->text(), QStringLiteral("Ana Núñez"));
    QTest::keyClick(cliente, Qt::Key_Backspace);
    EXPECT_EQ(etiqueta(6)->text(), QString());
    QTest::keyClicks(cliente, QStringLiteral("9"));
    leido();
    EXPECT_EQ(etiqueta(6)->text(), QString()) << "C9 is nobody's key";
    cliente->selectAll();
    QTest::keyClick(cliente, Qt::Key_Delete);
    EXPECT_EQ(etiqueta(6)->text(), QString());

    // A read kept waiting by the server answers for a key no longer in the box: dropped.
    auto bloqueo = pruebas::conecta(e.actual().nombre());
    bloqueo->ejecuta(QStringLiteral("LOCK TABLES clientes WRITE"));
    QTest::keyClicks(cliente, QStringLiteral("C7"));
    ASSERT_TRUE(esperaTabla(e.actual().nombre()));
    cliente->selectAll();
    QTest::keyClick(cliente, Qt::Key_Delete);
    bloqueo->ejecuta(QStringLiteral("UNLOCK TABLES"));
    leido();
    EXPECT_EQ(etiqueta(6)->text(), QString());
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
}

TEST_F(TabAcumularTest, FieldValidationKeepsNumbersDatesAndTheCustomerBox) {
    abre();
    QLineEdit* folio = campo(QStringLiteral("txtFolio"));
    QLineEdit* cliente = campo(QStringLiteral("txtCliente"));
    QLineEdit* inicial = campo(QStringLiteral("mskFecha(0)"));

    // Letters cannot be typed, and pasted ones give 0 once the box is left.
    // Entering a field selects its text.
    const QString propuesto = folio->text();
    folio->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(folio->selectedText(), propuesto);
    QTest::keyClicks(folio, QStringLiteral("abc"));
    EXPECT_EQ(folio->text(), propuesto);
    folio->setText(QStringLiteral("xyz"));
    inicial->setFocus();
    EXPECT_EQ(folio->text(), QStringLiteral("0"));
    folio->setText(QStringLiteral("12abc"));
    folio->setFocus();
    inicial->setFocus();
    EXPECT_EQ(folio->text(), QStringLiteral("12"));

    // A date that does not exist becomes today's.
    inicial->setText(QStringLiteral("31/02/2026"));
    folio->setFocus();
    EXPECT_EQ(inicial->text(), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));

    // Return moves on like Tab.
    inicial->setFocus();
    QTest::keyClick(inicial, Qt::Key_Return);
    EXPECT_TRUE(campo(QStringLiteral("mskFecha(1)"))->hasFocus());

    // The customer box is trimmed, and once entered it may not be left empty.
    cliente->setFocus();
    QTest::keyClicks(cliente, QStringLiteral("  "));
    QTest::keyClick(cliente, Qt::Key_Tab);
    QTest::qWait(50); // on purpose: time for a focus change that must not happen
    EXPECT_TRUE(cliente->hasFocus());
    EXPECT_EQ(cliente->text(), QString());
    // It says why, beside the box, and how to leave it.
    auto* aviso = control<QLabel>(QStringLiteral("lblAvisoCliente"));
    EXPECT_TRUE(aviso->isVisible());
    EXPECT_TRUE(aviso->text().contains(QStringLiteral("clave del cliente")));
    EXPECT_TRUE(aviso->text().contains(QStringLiteral("Esc")));
    QTest::keyClicks(cliente, QStringLiteral(" C1 "));
    EXPECT_FALSE(aviso->isVisible());
    QTest::keyClick(cliente, Qt::Key_Tab);
    QTest::qWait(50); // the same pause, so both checks see the box alike
    EXPECT_FALSE(cliente->hasFocus());
    EXPECT_EQ(cliente->text(), QStringLiteral("C1"));

    // Emptied again: Escape puts back what it held when entered and moves on.
    cliente->setFocus(Qt::TabFocusReason);
    cliente->clear();
    QTest::keyClick(cliente, Qt::Key_Tab);
    QTest::qWait(50);
    ASSERT_TRUE(cliente->hasFocus());
    ASSERT_TRUE(aviso->isVisible());
    QTest::keyClick(cliente, Qt::Key_Escape);
    EXPECT_EQ(cliente->text(), QStringLiteral("C1"));
    EXPECT_FALSE(aviso->isVisible());
    QTest::qWait(50);
    EXPECT_FALSE(cliente->hasFocus());
    EXPECT_TRUE(boton(QStringLiteral("Command4"))->hasFocus());
}

TEST_F(TabAcumularTest, EscapeLeavesTheCustomerBoxEmptyWhenItWasEmpty) {
    abre();
    QLineEdit* cliente = campo(QStringLiteral("txtCliente"));
    cliente->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cliente, Qt::Key_Tab);
    QTest::qWait(50); // on purpose: time for a focus change that must not happen
    ASSERT_TRUE(cliente->hasFocus());
    QTest::keyClick(cliente, Qt::Key_Escape);
    QTest::qWait(50);
    EXPECT_FALSE(cliente->hasFocus());
    EXPECT_EQ(cliente->text(), QString());
    EXPECT_FALSE(control<QLabel>(QStringLiteral("lblAvisoCliente"))->isVisible());
    // The rule stands the next time.
    cliente->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cliente, Qt::Key_Tab);
    QTest::qWait(50);
    EXPECT_TRUE(cliente->hasFocus());
}

TEST_F(TabAcumularTest, SearchWithoutHitsShowsNoResultAndSaysSoInTheProgressPanel) {
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 0}});
    e.pedido(e.empresa(2), QString(), 2, dia.addDays(5), {{"P1", 1, 1}});
    abre();
    fechas(dia, dia);
    busca();
    EXPECT_FALSE(control<QPlainTextEdit>(QStringLiteral("txtResultado"))->isVisible());
    EXPECT_FALSE(boton(QStringLiteral("Command5"))->isVisible());
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
    auto* panel = control<QWidget>(QStringLiteral("panelAvance"));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(control<QLabel>(QStringLiteral("lblAvance"))->text(),
              QStringLiteral("No se encontraron pedidos pendientes del 10/05/2026 al 10/05/2026."));
    EXPECT_FALSE(control<QPushButton>(QStringLiteral("cmdCancelar"))->isVisible());

    // A search that finds something leaves no such line; the next one shows its bar again.
    fechas(dia, dia.addDays(5));
    QTest::mouseClick(boton(QStringLiteral("Command4")), Qt::LeftButton);
    EXPECT_TRUE(control<QPushButton>(QStringLiteral("cmdCancelar"))->isVisible());
    ASSERT_TRUE(esperaFin());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(boton(QStringLiteral("Command5"))->isVisible());
}

TEST_F(TabAcumularTest, DeclinedGenerationChangesNothing) {
    contadores(true);
    e.pedido(e.empresa(1), QStringLiteral("B"), 1520, dia, {{"P1", 3, 3}});
    abre();
    fechas(dia, dia);
    busca();
    ASSERT_TRUE(boton(QStringLiteral("Command5"))->isVisible());
    EXPECT_EQ(control<QPlainTextEdit>(QStringLiteral("txtResultado"))->toPlainText(),
              QStringLiteral("Pedido B-1520 en %1  Total: 116.00").arg(e.empresa(1).nombre()));

    QSignalSpy regreso(tab.get(), &TabAcumular::regresar);
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton); // No is the default
    ASSERT_TRUE(esperaFin());
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].mensaje, pregunta(QStringLiteral("Se acumulará 1 pedido de 1 empresa")));
    EXPECT_EQ(registro[0].titulo, QStringLiteral("Generar pedido"));
    EXPECT_EQ(registro[0].estilo, CajaMensaje::Estilo::siNo(true));
    EXPECT_EQ(cuentaActual(QStringLiteral("pedidos")), 0);
    EXPECT_EQ(e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido=3")), 1);
    EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT Contenido FROM sistema WHERE Dato='PE-A'")),
              QStringLiteral("10"));
    EXPECT_EQ(campo(QStringLiteral("txtFolio"))->text(), QStringLiteral("11"));
    EXPECT_EQ(regreso.count(), 0);
}

TEST_F(TabAcumularTest, DatesChangedAfterTheSearchAreSearchedAgainBeforeTheQuestion) {
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 1}});
    e.pedido(e.empresa(1), QString(), 2, dia, {{"P1", 1, 1}});
    e.pedido(e.empresa(2), QString(), 3, dia.addDays(1), {{"P1", 1, 1}});
    abre();
    fechas(dia, dia);
    busca();
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton); // No
    fechas(dia, dia.addDays(1));
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton); // searches, then No
    ASSERT_TRUE(esperaFin());
    auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[0].mensaje,
              pregunta(QStringLiteral("Se acumularán 2 pedidos de 1 empresa")));
    EXPECT_EQ(registro[1].mensaje,
              pregunta(QStringLiteral("Se acumularán 3 pedidos de 2 empresas")));
    EXPECT_EQ(control<QPlainTextEdit>(QStringLiteral("txtResultado"))->blockCount(), 3);

    // Dates with nothing pending: told, and nothing to generate.
    fechas(dia.addDays(5), dia.addDays(6));
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton);
    ASSERT_TRUE(esperaFin());
    registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 3);
    EXPECT_EQ(registro[2].mensaje, QStringLiteral("No se encontraron pedidos pendientes que "
                                                  "acumular con las fechas indicadas."));
    EXPECT_FALSE(boton(QStringLiteral("Command5"))->isVisible());
    EXPECT_EQ(cuentaActual(QStringLiteral("pedidos")), 0);
}

TEST_F(TabAcumularTest, SearchAndGenerateMoveTheOrdersAndGoBackToTheMenu) {
    contadores(true);
    e.pedido(e.actual(), QStringLiteral("A"), 12, dia, {});
    const qint64 a1 = e.pedido(e.empresa(1), QStringLiteral("B"), 11, dia, {{"P1", 2, 2}});
    e.pedido(e.empresa(1), QString(), 12, dia, {{"P2", 3, 3}, {"P3", 1, 0}});
    e.pedido(e.empresa(2), QStringLiteral("B"), 11, dia.addDays(1), {{"P1", 4, 4}});
    e.pedido(e.empresa(2), QStringLiteral("B"), 13, dia.addDays(9), {{"P1", 4, 4}});
    abre();
    fechas(dia, dia.addDays(1));
    busca();
    auto* resultado = control<QPlainTextEdit>(QStringLiteral("txtResultado"));
    EXPECT_TRUE(resultado->isVisible());
    EXPECT_EQ(resultado->toPlainText().split(QLatin1Char('\n')).size(), 3);
    ASSERT_TRUE(boton(QStringLiteral("Command5"))->isVisible());

    QSignalSpy regreso(tab.get(), &TabAcumular::regresar);
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    CajaMensaje::siguienteAccion(); // "Ver informe"
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton);
    EXPECT_TRUE(tab->ocupado());
    ASSERT_TRUE(esperaFin());

    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[0].mensaje,
              pregunta(QStringLiteral("Se acumularán 3 pedidos de 2 empresas")));
    EXPECT_EQ(registro[1].mensaje, QStringLiteral("Pedido generado"));
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Fin del proceso"));
    EXPECT_EQ(registro[1].estilo, CajaMensaje::Icono::Ninguno);
    EXPECT_EQ(registro[1].accion, QStringLiteral("Ver informe"));
    EXPECT_EQ(regreso.count(), 1);

    // The report names each new folio with the company and order it came from; it can be
    // copied and saved.
    InformeVentana* v = informe();
    ASSERT_NE(v, nullptr);
    const QString e1 = e.empresa(1).nombre(), e2 = e.empresa(2).nombre();
    EXPECT_EQ(pruebas::lineasInforme(*v), (QStringList{QStringLiteral("A-11|%1|B-11|1").arg(e1),
                                                       QStringLiteral("A-13|%1|12|1").arg(e1),
                                                       QStringLiteral("A-14|%1|B-11|1").arg(e2)}));
    EXPECT_TRUE(v->informe().resumen.startsWith(
        QStringLiteral("Se generaron 3 pedidos en %1.\n").arg(e.actual().nombre())));
    QTest::mouseClick(v->findChild<QPushButton*>(QStringLiteral("cmdCopiar")), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("Folio\tEmpresa de origen\tPedido de origen\tRenglones\n"
                             "A-11\t%1\tB-11\t1\nA-13\t%1\t12\t1\nA-14\t%2\tB-11\t1\n")
                  .arg(e1, e2));
    QTemporaryDir carpeta;
    const QString archivo = carpeta.filePath(QStringLiteral("informe.txt"));
    DialogosEstandar::siguienteArchivo(archivo);
    QTest::mouseClick(v->findChild<QPushButton*>(QStringLiteral("cmdGuardar")), Qt::LeftButton);
    QFile guardado(archivo);
    ASSERT_TRUE(guardado.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(guardado.readAll()), v->informe().texto());
    v->close();
    // 11 was proposed; 12 is taken, so the three orders get 11, 13 and 14.
    EXPECT_EQ(cuentaActual(QStringLiteral("pedidos WHERE Serie='A' AND Factura IN (11,13,14)")), 3);
    EXPECT_EQ(campo(QStringLiteral("txtFolio"))->text(), QStringLiteral("14"));
    EXPECT_EQ(cuentaActual(QStringLiteral("pedidosdetalle")), 3);
    EXPECT_EQ(e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 0);
    EXPECT_EQ(e.empresa(2).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 1);
    EXPECT_EQ(
        e.empresa(1).valor(QStringLiteral("SELECT PorVender FROM productos WHERE Clave='P1'")),
        QStringLiteral("98.0000"));
    EXPECT_EQ(e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Id=?"), {a1}), 1);

    // Entering again resets the tab.
    tab->entra();
    leido();
    EXPECT_FALSE(resultado->isVisible());
    EXPECT_FALSE(boton(QStringLiteral("Command5"))->isVisible());
    EXPECT_EQ(campo(QStringLiteral("txtFolio"))->text(), QStringLiteral("15"));
}

TEST_F(TabAcumularTest, CancelStopsTheGenerationBetweenWholeOrders) {
    constexpr int pedidos = 600;
    buscaPedidosDeUnRenglon(pedidos);
    QLineEdit* folio = campo(QStringLiteral("txtFolio"));
    const QString propuesto = folio->text();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    CajaMensaje::siguienteAccion();
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return folio->text() != propuesto; }, 60000));
    auto* cancelar = control<QPushButton>(QStringLiteral("cmdCancelar"));
    ASSERT_TRUE(cancelar->isVisible());
    QTest::mouseClick(cancelar, Qt::LeftButton);
    ASSERT_TRUE(esperaFin());
    EXPECT_FALSE(cancelar->isVisible());

    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_TRUE(registro[1].mensaje.startsWith(QStringLiteral("Acumulación cancelada")))
        << registro[1].mensaje.toStdString();
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Atención"));
    const qint64 movidos = cuentaActual(QStringLiteral("pedidos"));
    EXPECT_GT(movidos, 0);
    EXPECT_LT(movidos, pedidos);
    // What was done before the cancel is in the report the message offers.
    EXPECT_EQ(registro[1].accion, QStringLiteral("Ver informe"));
    InformeVentana* v = informe();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(pruebas::lineasInforme(*v).size(), movidos);
    EXPECT_TRUE(v->informe().resumen.startsWith(registro[1].mensaje + QLatin1Char('\n')));
    // Every order moved whole: its line here, its pending quantity cleared there.
    EXPECT_EQ(cuentaActual(QStringLiteral("pedidosdetalle")), movidos);
    EXPECT_EQ(e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido=0")), movidos);
    EXPECT_TRUE(boton(QStringLiteral("Command4"))->isEnabled());

    // The tab searched again: the list and the next question count what is left.
    const qint64 quedan = pedidos - movidos;
    EXPECT_EQ(control<QPlainTextEdit>(QStringLiteral("txtResultado"))->blockCount(), quedan);
    ASSERT_TRUE(boton(QStringLiteral("Command5"))->isVisible());
    CajaMensaje::limpiaRegistro();
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton); // No
    ASSERT_EQ(CajaMensaje::registro().size(), 1);
    EXPECT_EQ(CajaMensaje::registro()[0].mensaje,
              pregunta(QStringLiteral("Se acumularán %1 pedidos de 1 empresa").arg(quedan)));
}

TEST_F(TabAcumularTest, AWaitForAnotherUsersLockIsToldAndCancelEndsItAtOnce) {
    contadores(true);
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 2, 2}});
    abre();
    fechas(dia, dia);
    busca();
    // Another user holds the series' counter, as while giving out a folio.
    auto otro = pruebas::conecta(e.actual().nombre());
    otro->iniciaTransaccion();
    otro->consulta(QStringLiteral("SELECT * FROM sistema WHERE Dato='PE-A' FOR UPDATE"));
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton);
    auto* linea = control<QLabel>(QStringLiteral("lblAvance"));
    const QString aviso = QStringLiteral("Esperando a que otro usuario libere renglones de la "
                                         "tabla sistema de la base de datos \"%1\"…")
                              .arg(e.actual().nombre());
    ASSERT_TRUE(QTest::qWaitFor([&] { return linea->text() == aviso; }, 15000))
        << linea->text().toStdString();
    QElapsedTimer reloj;
    reloj.start();
    QTest::mouseClick(control<QPushButton>(QStringLiteral("cmdCancelar")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return CajaMensaje::registro().size() == 2; }, 15000));
    EXPECT_LT(reloj.elapsed(), 3000);
    const auto registro = CajaMensaje::registro();
    EXPECT_EQ(registro[1].mensaje, QStringLiteral("Acumulación cancelada. Pedidos movidos "
                                                  "completos: 0; los demás quedaron sin cambios."));
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Atención"));
    ASSERT_TRUE(esperaFin());
    otro->deshace();
    EXPECT_EQ(cuentaActual(QStringLiteral("pedidos")), 0);
    EXPECT_EQ(e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido=2")), 1);
    EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT Desenlace FROM acumulapedidos_corridas")),
              QStringLiteral("cancelada"));
    // Searched again, the order is still there to generate.
    EXPECT_TRUE(boton(QStringLiteral("Command5"))->isVisible());
}

TEST_F(TabAcumularTest, ClosingDuringARunWaitsForWholeOrders) {
    constexpr int pedidos = 300;
    buscaPedidosDeUnRenglon(pedidos);
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton);
    ASSERT_TRUE(tab->ocupado());
    tab.reset();
    const qint64 movidos = cuentaActual(QStringLiteral("pedidos"));
    EXPECT_LT(movidos, pedidos);
    EXPECT_EQ(cuentaActual(QStringLiteral("pedidosdetalle")), movidos);
    EXPECT_EQ(e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido=0")), movidos);
}

TEST_F(TabAcumularTest, SkippedCompaniesAreListedBelowTheResultsAndAfterTheGeneration) {
    const QString falta = pruebas::nombreUnico(QStringLiteral("falta"));
    e.registra(falta);
    pruebas::BaseEmpresa sinRenglones(QStringLiteral("acu"));
    sinRenglones.conexion().ejecuta(QStringLiteral("DROP TABLE pedidosdetalle"));
    e.registra(sinRenglones.nombre());
    e.pedido(e.empresa(2), QString(), 4, dia, {{"P1", 1, 1}});
    abre();
    fechas(dia, dia);
    busca();
    const QString lista =
        QStringLiteral("\n  %1: no existe la base de datos \"%1\" en el servidor.\n  %2: la base "
                       "de datos \"%2\" no tiene la tabla pedidosdetalle.")
            .arg(falta, sinRenglones.nombre());
    auto* notas = control<QLabel>(QStringLiteral("lblNotas"));
    ASSERT_NE(notas, nullptr);
    EXPECT_TRUE(notas->isVisible());
    EXPECT_EQ(notas->text(), QStringLiteral("No se revisaron estas empresas:") + lista);
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
    ASSERT_TRUE(boton(QStringLiteral("Command5"))->isVisible());

    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(boton(QStringLiteral("Command5")), Qt::LeftButton);
    ASSERT_TRUE(esperaFin());
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[1].mensaje,
              QStringLiteral("Pedido generado\n\nNo se acumuló desde estas empresas:") + lista);
    EXPECT_EQ(cuentaActual(QStringLiteral("pedidos")), 1);
    tab->entra();
    EXPECT_FALSE(notas->isVisible());
}

TEST_F(TabAcumularTest, CancelledSearchSaysTheListIsIncompleteAndOffersNoGeneration) {
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 1}});
    e.pedido(e.empresa(2), QString(), 2, dia, {{"P1", 1, 1}});
    abre();
    fechas(dia, dia);
    // The search waits in the first company until the cancel has been pressed.
    auto bloqueo = pruebas::conecta(e.empresa(1).nombre());
    bloqueo->ejecuta(QStringLiteral("LOCK TABLES pedidos WRITE"));
    QTest::mouseClick(boton(QStringLiteral("Command4")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return e.actual().cuenta(QStringLiteral("information_schema.PROCESSLIST WHERE DB=? "
                                                    "AND STATE LIKE 'Waiting for table%'"),
                                     {e.empresa(1).nombre()}) > 0;
        },
        20000));
    QTest::mouseClick(control<QPushButton>(QStringLiteral("cmdCancelar")), Qt::LeftButton);
    bloqueo->ejecuta(QStringLiteral("UNLOCK TABLES"));
    ASSERT_TRUE(esperaFin());

    EXPECT_EQ(control<QPlainTextEdit>(QStringLiteral("txtResultado"))->toPlainText(),
              QStringLiteral("Pedido 1 en %1  Total: 116.00").arg(e.empresa(1).nombre()));
    EXPECT_FALSE(boton(QStringLiteral("Command5"))->isVisible());
    auto* notas = control<QLabel>(QStringLiteral("lblNotas"));
    ASSERT_NE(notas, nullptr);
    EXPECT_TRUE(notas->isVisible());
    EXPECT_EQ(notas->text(),
              QStringLiteral("Búsqueda cancelada: la lista de pedidos está incompleta."));
    EXPECT_TRUE(boton(QStringLiteral("Command4"))->isEnabled());
}

TEST_F(TabAcumularTest, DatabaseFailuresAreShownAsErrors) {
    programa.bases->cMiBase = pruebas::nombreUnico(QStringLiteral("falta"));
    abre();
    auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    pruebas::esError(registro[0], programa.bases->cMiBase);

    CajaMensaje::limpiaRegistro();
    busca();
    registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].titulo, QStringLiteral("Error"));
    EXPECT_FALSE(boton(QStringLiteral("Command5"))->isVisible());
    EXPECT_TRUE(boton(QStringLiteral("Command4"))->isEnabled());
}

} // namespace
