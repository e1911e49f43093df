#include "EntornoVentana.h"
#include "accumulation/Escenario.h"
#include "accumulation/ventanas/TabAcumular.h"
#include "db/GeneradorDemo.h"
#include "description/ventanas/frmDescripcion.h"
#include "export/ventanas/BajarPedidos.h"
#include "import/ventanas/Subir.h"
#include "journal/Bitacora.h"
#include "journal/ventanas/ModelosBitacora.h"
#include "journal/ventanas/frmBitacora.h"
#include "shell/Cantidad.h"
#include "shell/host/Utilerias.h"
#include "shell/ventanas/InformeVentana.h"
#include "support/ServidorPruebas.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using pruebas::EntornoVentana;
using pruebas::escribeArchivo;
using pruebas::espera;
using pruebas::habilitadas;
using pruebas::hijo;

namespace {

// The program installed against the test server, with base as the main, export and import
// database.
void instala(EntornoVentana& e, const QString& nombre) {
    const host::ParametrosConexion p = pruebas::parametros();
    escribeArchivo(e.krx(),
                   "[Instalacion]\nMySQLServer=" + p.servidor.toUtf8() +
                       "\nMySQLPuerto=" + QByteArray::number(p.puerto) +
                       "\nMySQLUsuario=" + host::Utilerias::Encripta(p.usuario).toUtf8() +
                       "\nMySQLPassword=" + host::Utilerias::Encripta(p.password).toUtf8() + "\n");
    const QByteArray base = nombre.toUtf8();
    e.iniConKorvan("Base de datos principal=" + base +
                   "\n[Otras bases de datos]\nPara exportar pedidos=" + base +
                   "\nPara importar pedidos=" + base + "\n");
}

// A port of loopback that nothing listens on: one the system handed out and took back.
unsigned puertoSinServidor() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in dir{};
    dir.sin_family = AF_INET;
    dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof dir;
    ::bind(s, reinterpret_cast<sockaddr*>(&dir), sizeof dir);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&dir), &largo);
    ::close(s);
    return ntohs(dir.sin_port);
}

// With a scratch company of its own.
struct EntornoServidor : EntornoVentana {
    EntornoServidor() : empresa(QStringLiteral("ventana"), true) {
        instala(*this, empresa.nombre());
    }
    pruebas::BaseEmpresa empresa;
};

// The window the button opens is modal over the main window and goes away when closed.
template <typename T> void abreModal(frmInicial& v, const char* boton) {
    hijo<QPushButton>(v, boton)->click();
    T* ventana = nullptr;
    ASSERT_TRUE(espera([&] { return (ventana = v.findChild<T*>()) && ventana->isVisible(); }));
    EXPECT_TRUE(ventana->isModal());
    EXPECT_EQ(ventana->windowModality(), Qt::ApplicationModal);
    ventana->close();
    EXPECT_TRUE(espera([&] { return v.findChild<T*>() == nullptr; }));
}

} // namespace

TEST(frmInicialServidor, AcumularShowsOnlyTabOneAndRegresarGoesBack) {
    EntornoServidor e;
    auto v = e.abre();
    EXPECT_EQ(e.programa.bases->cMiBase, e.empresa.nombre());
    auto* tabs = hijo<QTabWidget>(*v, "sstTabs");
    hijo<QPushButton>(*v, "Command1")->click();
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(habilitadas(*tabs), (std::vector<bool>{false, true, false, false}));
    auto* regresar = hijo<QPushButton>(*v, "cmdRegresar");
    EXPECT_TRUE(regresar->isEnabled());
    regresar->click();
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(habilitadas(*tabs), (std::vector<bool>{true, false, false, false}));
    // A close with the accumulation tab's work behind it ends cleanly.
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    EXPECT_TRUE(v->close());
}

TEST(frmInicialServidor, ExportAndImportOpenModalOverTheMainWindow) {
    EntornoServidor e;
    auto v = e.abre();
    abreModal<BajarPedidos>(*v, "Command2");
    abreModal<Subir>(*v, "Command3");
    EXPECT_TRUE(v->isVisible());
}

namespace {

bitacora::PedidoAnotado anotado(qint64 id, const QString& pedido, const QString& nuevo = {}) {
    bitacora::PedidoAnotado p;
    p.idOrigen = id;
    p.pedidoOrigen = pedido;
    if (nuevo.isEmpty()) {
        p.archivo = QStringLiteral("/tmp/pedidos.txt");
    } else {
        p.baseOrigen = QStringLiteral("empresa2");
        p.idNuevo = id + 100;
        p.pedidoNuevo = nuevo;
    }
    return p;
}

QString celda(QTableView* t, int fila, int columna) {
    return t->model()->index(fila, columna).data().toString();
}

} // namespace

// The logo's menu opens the journal: every run newest first, filtered by day and operation,
// and the orders of the run selected with the columns that concern its operation.
TEST(frmInicialServidor, LogoMenuOpensTheJournalWithItsRunsAndTheirOrders) {
    EntornoServidor e;
    host::Conexion& c = e.empresa.conexion();
    {
        bitacora::Bitacora acumulacion(c, bitacora::Operacion::Acumulacion, {});
        acumulacion.anota(c, {anotado(5, "B-5", "A-1"), anotado(6, "B-6", "A-2")});
        acumulacion.cierra(bitacora::EstadoCorrida::Hecho, QStringLiteral("Se generaron 2 pedidos"),
                           {2, 4, 0});
        bitacora::Bitacora exportacion(c, bitacora::Operacion::Exportacion, {});
        exportacion.anota(c, {anotado(7, "A-7")});
        exportacion.cierra(bitacora::EstadoCorrida::Hecho, QStringLiteral("Se escribieron"),
                           {1, 1, 0});
    }
    c.ejecuta(QStringLiteral("UPDATE acumulapedidos_corridas SET Inicio=IF(Operacion="
                             "'acumulacion', '2026-03-01 10:00:00', '2026-03-02 10:00:00')"));

    auto v = e.abre();
    QMenu* menu = v->descripcion()->menu();
    ASSERT_EQ(menu->actions().size(), 3);
    QAction* entrada = menu->actions().last();
    EXPECT_EQ(entrada->objectName(), QStringLiteral("mnBitacora"));
    EXPECT_EQ(entrada->text(), QStringLiteral("Bitácora"));
    entrada->trigger();
    frmBitacora* b = nullptr;
    const auto listo = [&] { return !b->ocupado(); };
    ASSERT_TRUE(espera([&] { return (b = v->findChild<frmBitacora*>()) && b->isVisible(); }));
    ASSERT_TRUE(espera(listo, 10000));
    auto* corridas = hijo<QTableView>(*b, "mhgCorridas");
    auto* pedidos = hijo<QTableView>(*b, "mhgPedidos");
    ASSERT_EQ(corridas->model()->rowCount(), 2);
    EXPECT_EQ(celda(corridas, 0, ModeloCorridas::Inicio), QStringLiteral("02/03/2026 10:00:00"));
    EXPECT_EQ(celda(corridas, 0, ModeloCorridas::Operacion), QStringLiteral("Exportación"));
    EXPECT_EQ(celda(corridas, 0, ModeloCorridas::Desenlace), QStringLiteral("Hecha"));
    EXPECT_EQ(celda(corridas, 1, ModeloCorridas::Operacion), QStringLiteral("Acumulación"));
    ASSERT_EQ(pedidos->model()->rowCount(), 1);
    EXPECT_EQ(celda(pedidos, 0, ModeloPedidosBitacora::PedidoOrigen), QStringLiteral("A-7"));
    EXPECT_FALSE(pedidos->isColumnHidden(ModeloPedidosBitacora::Archivo));
    EXPECT_TRUE(pedidos->isColumnHidden(ModeloPedidosBitacora::BaseOrigen));

    corridas->setCurrentIndex(corridas->model()->index(1, 0));
    ASSERT_TRUE(espera(listo, 10000));
    ASSERT_EQ(pedidos->model()->rowCount(), 2);
    EXPECT_EQ(celda(pedidos, 1, ModeloPedidosBitacora::PedidoNuevo), QStringLiteral("A-2"));
    EXPECT_EQ(celda(pedidos, 1, ModeloPedidosBitacora::IdNuevo), QStringLiteral("106"));
    EXPECT_TRUE(pedidos->isColumnHidden(ModeloPedidosBitacora::Archivo));
    EXPECT_TRUE(hijo<QLabel>(*b, "lblDetalle")->text().contains(QStringLiteral("Se generaron 2")));

    const auto consulta = [&](int operacion, const QString& desde, const QString& hasta) {
        hijo<QComboBox>(*b, "cmbOperacion")->setCurrentIndex(operacion);
        hijo<QLineEdit>(*b, "mkeFecha(0)")->setText(desde);
        hijo<QLineEdit>(*b, "mkeFecha(1)")->setText(hasta);
        hijo<QPushButton>(*b, "cmdConsultar")->click();
        return espera(listo, 10000) ? corridas->model()->rowCount() : -1;
    };
    EXPECT_EQ(consulta(1, {}, {}), 1);
    EXPECT_EQ(celda(corridas, 0, ModeloCorridas::Operacion), QStringLiteral("Acumulación"));
    EXPECT_EQ(consulta(0, QStringLiteral("02/03/2026"), {}), 1);
    EXPECT_EQ(celda(corridas, 0, ModeloCorridas::Operacion), QStringLiteral("Exportación"));
    EXPECT_EQ(consulta(0, {}, QStringLiteral("28/02/2026")), 0);
    EXPECT_EQ(pedidos->model()->rowCount(), 0);
    EXPECT_EQ(hijo<QLabel>(*b, "lblEstado")->text(), QStringLiteral("0 corridas."));

    // The entry raises the window already open.
    entrada->trigger();
    EXPECT_EQ(v->findChildren<frmBitacora*>().size(), 1);
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    EXPECT_TRUE(v->close());
}

// "Ver informe" shows a past run's report from the journal's rows, the company beside its
// database where generalkorvan.empresas names it; "Cerrar" and Escape close the window.
TEST(frmInicialServidor, TheJournalShowsAPastRunsReportAndCloses) {
    EntornoServidor e;
    host::Conexion& c = e.empresa.conexion();
    demo::creaGeneral(c);
    c.ejecuta(QStringLiteral("INSERT INTO generalkorvan.empresas (Nombre, BaseDeDatos) VALUES "
                             "('Comercial del Norte', 'EMPRESA2'), (NULL, 'empresa3'), "
                             "('<b>Sucursal</b>', ?)"),
              {e.empresa.nombre()});
    {
        bitacora::Bitacora acumulacion(c, bitacora::Operacion::Acumulacion, {});
        // Cut short: the journal lists one order more than the counts stored at the end.
        acumulacion.anota(c, {anotado(5, "B-5", "A-1"), anotado(6, "B-6", "A-2")});
        acumulacion.cierra(bitacora::EstadoCorrida::Cancelado, QStringLiteral("Se canceló"),
                           {1, 4, 0});
    }
    auto v = e.abre();
    frmBitacora* b = frmBitacora::muestra(e.programa, v.get());
    const auto listo = [&] { return !b->ocupado(); };
    ASSERT_TRUE(espera(listo, 10000));
    auto* ver = hijo<QPushButton>(*b, "cmdVerInforme");
    ASSERT_TRUE(espera([&] { return ver->isEnabled(); }, 10000));
    // A name is shown as it is written, never read as markup.
    auto* detalle = hijo<QLabel>(*b, "lblDetalle");
    EXPECT_TRUE(detalle->text().startsWith(
        QStringLiteral("Acumulación en %1 (<b>Sucursal</b>)").arg(e.empresa.nombre())))
        << detalle->text().toStdString();
    EXPECT_EQ(detalle->textFormat(), Qt::PlainText);
    // The list of orders names the company too.
    auto* pedidos = hijo<QTableView>(*b, "mhgPedidos");
    EXPECT_EQ(celda(pedidos, 0, ModeloPedidosBitacora::BaseOrigen),
              QStringLiteral("empresa2 (Comercial del Norte)"));
    ver->click();
    InformeVentana* informe = nullptr;
    ASSERT_TRUE(espera([&] { return (informe = b->findChild<InformeVentana*>()) != nullptr; }));
    EXPECT_EQ(hijo<QLabel>(*informe, "lblTitulo")->text(),
              QStringLiteral("Informe de la acumulación"));
    const QString resumen = hijo<QLabel>(*informe, "lblResumen")->text();
    EXPECT_TRUE(resumen.startsWith(
        QStringLiteral("Acumulación en %1 (<b>Sucursal</b>): Cancelada.").arg(e.empresa.nombre())))
        << resumen.toStdString();
    EXPECT_TRUE(resumen.contains(QStringLiteral("Según la bitácora: 1 pedido, 4 renglones.")));
    EXPECT_TRUE(resumen.contains(QStringLiteral("La bitácora anota 2 pedidos de esta corrida.")));
    EXPECT_TRUE(resumen.contains(QStringLiteral("Se canceló")));
    auto* tabla = hijo<QTableWidget>(*informe, "tblRenglones");
    ASSERT_EQ(tabla->rowCount(), 2);
    ASSERT_EQ(tabla->columnCount(), 5);
    const QStringList esperado{QStringLiteral("A-2"), QStringLiteral("106"),
                               QStringLiteral("empresa2 (Comercial del Norte)"),
                               QStringLiteral("B-6"), QStringLiteral("6")};
    for (int col = 0; col < 5; ++col)
        EXPECT_EQ(tabla->item(1, col)->text(), esperado[col]) << col;
    EXPECT_TRUE(informe->informe().nombreArchivo().startsWith(QStringLiteral("acumulacion-")));
    informe->close();

    // Another run chosen: no report until its orders are read.
    auto* corridas = hijo<QTableView>(*b, "mhgCorridas");
    corridas->clearSelection();
    corridas->setCurrentIndex({});
    EXPECT_FALSE(ver->isEnabled());

    hijo<QPushButton>(*b, "cmdCerrar")->click();
    EXPECT_TRUE(espera([&] { return v->findChild<frmBitacora*>() == nullptr; }));
    b = frmBitacora::muestra(e.programa, v.get());
    ASSERT_TRUE(espera(listo, 10000));
    QTest::keyClick(b, Qt::Key_Escape);
    EXPECT_TRUE(espera([&] { return v->findChild<frmBitacora*>() == nullptr; }));
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    EXPECT_TRUE(v->close());
}

// A journal that cannot be read is told as that, never as an empty list.
TEST(frmInicialServidor, TheJournalSaysWhenItCouldNotBeRead) {
    EntornoServidor e;
    auto v = e.abre();
    // A database that is not there: every journal fails.
    e.programa.baseExportar = e.programa.baseImportar = QStringLiteral("t_no_existe");
    e.programa.bases->cMiBase = QStringLiteral("t_no_existe");
    frmBitacora* b = frmBitacora::muestra(e.programa, v.get());
    ASSERT_TRUE(espera([&] { return !b->ocupado(); }, 10000));
    const QString estado = hijo<QLabel>(*b, "lblEstado")->text();
    EXPECT_TRUE(estado.startsWith(QStringLiteral("No se pudo leer la bitácora")))
        << estado.toStdString();
    EXPECT_TRUE(estado.contains(QStringLiteral("t_no_existe"))) << estado.toStdString();
    EXPECT_FALSE(estado.contains(QStringLiteral("0 corridas")));
    EXPECT_FALSE(hijo<QPushButton>(*b, "cmdVerInforme")->isEnabled());
    b->close();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    EXPECT_TRUE(v->close());
}

// A journal of many runs opens on its newest page; the next ones are read as the list is
// scrolled to its end, and the orders only of the run selected.
TEST(frmInicialServidor, TheJournalWindowReadsItsRunsAPageAtATime) {
    EntornoServidor e;
    host::Conexion& c = e.empresa.conexion();
    bitacora::EsquemaBitacora::creaTablas(c);
    c.ejecuta(QStringLiteral("INSERT INTO acumulapedidos_corridas (Operacion, Inicio, Desenlace) "
                             "SELECT 'exportacion', NOW() - INTERVAL seq HOUR, 'hecha' FROM "
                             "seq_1_to_1200"));
    c.ejecuta(QStringLiteral("INSERT INTO acumulapedidos_pedidos (Corrida, IdOrigen, PedidoOrigen) "
                             "SELECT Id, Id, CONCAT('A-', Id) FROM acumulapedidos_corridas"));
    auto v = e.abre();
    frmBitacora* b = frmBitacora::muestra(e.programa, v.get());
    const auto listo = [&] { return !b->ocupado(); };
    ASSERT_TRUE(espera(listo, 10000));
    auto* corridas = hijo<QTableView>(*b, "mhgCorridas");
    auto* pedidos = hijo<QTableView>(*b, "mhgPedidos");
    auto* estado = hijo<QLabel>(*b, "lblEstado");
    ASSERT_EQ(corridas->model()->rowCount(), 500);
    EXPECT_EQ(estado->text(), QStringLiteral("Las 500 corridas más recientes; al bajar por la "
                                             "lista se leen las anteriores."));
    ASSERT_EQ(pedidos->model()->rowCount(), 1);
    EXPECT_EQ(celda(pedidos, 0, ModeloPedidosBitacora::PedidoOrigen), QStringLiteral("A-1"));

    for (const int filas : {1000, 1200}) {
        corridas->scrollToBottom();
        ASSERT_TRUE(
            espera([&] { return listo() && corridas->model()->rowCount() == filas; }, 10000))
            << corridas->model()->rowCount();
    }
    EXPECT_EQ(estado->text(), QStringLiteral("%1 corridas.").arg(numeroConMiles(1200)));
    // The selection stayed on the first run; the last one's orders when it is chosen.
    EXPECT_EQ(corridas->currentIndex().row(), 0);
    corridas->setCurrentIndex(corridas->model()->index(1199, 0));
    ASSERT_TRUE(espera(listo, 10000));
    ASSERT_EQ(pedidos->model()->rowCount(), 1);
    EXPECT_EQ(celda(pedidos, 0, ModeloPedidosBitacora::PedidoOrigen), QStringLiteral("A-1200"));
    b->close();
}

namespace {

const QDate dia(2026, 5, 10);

// The main window over a scenario's current company, on the accumulation tab with the
// scenario's day in both date fields.
struct EntornoAcumulacion : EntornoVentana {
    explicit EntornoAcumulacion(pruebas::Escenario& escenario) {
        instala(*this, escenario.actual().nombre());
        ventana = abre();
        hijo<QPushButton>(*ventana, "Command1")->click();
        for (const char* fecha : {"mskFecha(0)", "mskFecha(1)"})
            hijo<QLineEdit>(*ventana, fecha)->setText(dia.toString(QStringLiteral("dd/MM/yyyy")));
        tab = hijo<TabAcumular>(*ventana, "TabAcumular");
        regresar = hijo<QPushButton>(*ventana, "cmdRegresar");
        // The series and folio it proposes are read.
        if (!espera([&] { return !tab->leyendo(); }))
            throw std::runtime_error("la pestaña no leyó el folio");
    }
    bool esperaFin() {
        return espera([&] { return !tab->ocupado(); }, 60000);
    }
    QString preguntaEnCurso() const {
        return tab->trabajoEnCurso() + u'\n' + frmInicial::preguntaCierreEnCurso();
    }

    std::unique_ptr<frmInicial> ventana;
    TabAcumular* tab = nullptr;
    QPushButton* regresar = nullptr;
};

} // namespace

TEST(frmInicialAcumulacion, RegresarWaitsForTheSearchAndADeclinedCloseLetsItFinish) {
    pruebas::Escenario escenario(2);
    escenario.pedido(escenario.empresa(1), QString(), 1, dia, {{"P1", 1, 1}});
    escenario.pedido(escenario.empresa(2), QString(), 2, dia, {{"P1", 1, 1}});
    EntornoAcumulacion e(escenario);
    EXPECT_TRUE(e.regresar->isEnabled());
    // The search waits in the first company until the close has been answered.
    auto bloqueo = pruebas::conecta(escenario.empresa(1).nombre());
    bloqueo->ejecuta(QStringLiteral("LOCK TABLES pedidos WRITE"));
    hijo<QPushButton>(*e.ventana, "Command4")->click();
    ASSERT_TRUE(e.tab->ocupado());
    EXPECT_FALSE(e.regresar->isEnabled());

    const QString pregunta = e.preguntaEnCurso();
    EXPECT_FALSE(e.ventana->close()); // No is the default
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].mensaje, pregunta);
    EXPECT_EQ(registro[0].titulo, QStringLiteral("Finalizar"));
    EXPECT_EQ(registro[0].estilo, CajaMensaje::Estilo::siNo(true));
    EXPECT_TRUE(e.ventana->isVisible());
    EXPECT_TRUE(e.tab->ocupado());

    bloqueo->ejecuta(QStringLiteral("UNLOCK TABLES"));
    ASSERT_TRUE(e.esperaFin());
    EXPECT_EQ(hijo<QPlainTextEdit>(*e.ventana, "txtResultado")->blockCount(), 2);
    EXPECT_TRUE(e.regresar->isEnabled());
    EXPECT_TRUE(e.ventana->isVisible());
}

TEST(frmInicialAcumulacion, ClosingDuringAGenerationCancelsItAndTellsTheOrdersMoved) {
    // Enough that the generation is still running when the close comes (it moves thousands
    // of orders a second).
    constexpr int pedidos = 2000;
    pruebas::Escenario escenario(1);
    for (int i = 1; i <= pedidos; ++i)
        escenario.pedido(escenario.empresa(1), QString(), i, dia, {{"P1", 1, 1}});
    EntornoAcumulacion e(escenario);
    hijo<QPushButton>(*e.ventana, "Command4")->click();
    ASSERT_TRUE(e.esperaFin());
    auto* folio = hijo<QLineEdit>(*e.ventana, "txtFolio");
    const QString propuesto = folio->text();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    hijo<QPushButton>(*e.ventana, "Command5")->click();
    ASSERT_TRUE(espera([&] { return folio->text() != propuesto; }, 60000));
    EXPECT_FALSE(e.regresar->isEnabled());

    const QString pregunta = e.preguntaEnCurso();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    EXPECT_FALSE(e.ventana->close()); // not before the cancel is heard
    EXPECT_EQ(hijo<QLabel>(*e.ventana, "lblAvance")->text(), QStringLiteral("Cancelando…"));
    ASSERT_TRUE(espera([&] { return !e.ventana->isVisible(); }, 60000));
    EXPECT_FALSE(e.tab->ocupado());

    // Asked once, then told what was done; no second question.
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 3);
    EXPECT_EQ(registro[1].mensaje, pregunta);
    const qint64 movidos = escenario.actual().cuenta(QStringLiteral("pedidos"));
    EXPECT_GT(movidos, 0);
    EXPECT_LT(movidos, pedidos);
    EXPECT_EQ(registro[2].mensaje, QStringLiteral("Acumulación cancelada. Pedidos movidos "
                                                  "completos: %1; los demás quedaron sin cambios.")
                                       .arg(movidos));
    EXPECT_EQ(escenario.actual().cuenta(QStringLiteral("pedidosdetalle")), movidos);
}

TEST(frmInicialServidor, ADownServerIsShownOnTheMenuTabUntilReintentarFindsIt) {
    EntornoServidor e;
    // Nothing listens there: the port of a server just stopped.
    host::ParametrosConexion p = pruebas::parametros();
    const unsigned puerto = p.puerto;
    p.puerto = puertoSinServidor();
    e.configura(p, e.empresa.nombre(), e.empresa.nombre(), e.empresa.nombre());
    auto v = e.abre();
    auto* aviso = hijo<QLabel>(*v, "lblSinConexion");
    ASSERT_TRUE(espera([&] { return aviso->isVisible(); }));
    EXPECT_TRUE(aviso->text().startsWith(QStringLiteral("Sin conexión con el servidor ")))
        << aviso->text().toStdString();
    EXPECT_FALSE(aviso->text().contains(QStringLiteral("detalle")));
    EXPECT_FALSE(aviso->toolTip().isEmpty()); // the driver's words, for support
    auto* reintentar = hijo<QPushButton>(*v, "cmdReintentar");
    EXPECT_TRUE(reintentar->isVisible());

    // A job's window that closes checks again; the server still is not there.
    hijo<QPushButton>(*v, "Command2")->click();
    BajarPedidos* exportar = nullptr;
    ASSERT_TRUE(espera([&] { return (exportar = v->findChild<BajarPedidos*>()); }));
    exportar->close();
    ASSERT_TRUE(espera([&] { return reintentar->isEnabled(); }));
    EXPECT_TRUE(aviso->isVisible());

    // The server back: "Reintentar" finds it and the line goes.
    e.programa.bases->cPuerto = puerto;
    reintentar->click();
    EXPECT_TRUE(espera([&] { return !aviso->isVisible(); }));
}
