// The windows against a server that stops answering: each keeps its event loop going and ends
// with a message in Spanish once the connection's wait runs out.
#include "ControlesPrueba.h"
#include "Latido.h"
#include "accumulation/Escenario.h"
#include "accumulation/ventanas/TabAcumular.h"
#include "export/ventanas/BajarPedidos.h"
#include "import/ventanas/Subir.h"
#include "journal/ventanas/frmBitacora.h"
#include "support/IntermediarioMysql.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

using pruebas::IntermediarioMysql;

// Every wait of the connections made here is short: a second for locks, six for an answer.
class ServidorMudoTest : public ::testing::Test, protected pruebas::ProgramaPrueba {
protected:
    void SetUp() override { qputenv("ACUMULA_ESPERA_BLOQUEO", "1"); }
    void TearDown() override { qunsetenv("ACUMULA_ESPERA_BLOQUEO"); }

    // The program pointed at the server through the relay.
    void redirige(const IntermediarioMysql& rele) {
        *programa.bases = rele.redirige(e.bases());
        programa.baseExportar = programa.baseImportar = e.actual().nombre();
    }
    static void pulsa(QWidget* ventana, const char* boton) {
        QTest::mouseClick(ventana->findChild<QPushButton*>(QString::fromLatin1(boton)),
                          Qt::LeftButton);
    }
    // The answer never comes: the connection gives up after esperaRespuesta() seconds, and
    // the messages say it in Spanish.
    static void esperaHasta(const std::function<bool()>& listo) {
        ASSERT_TRUE(QTest::qWaitFor(listo, int(host::esperaRespuesta()) * 1000 + 15000));
    }
    // The window benchmark's 100 ms; on a machine so busy that the idle event loop itself
    // misses its beats by more, three times the idle loop's longest gap (a freeze waiting on
    // the server lasts seconds either way).
    static double limite() {
        Latido reposo;
        reposo.empieza();
        QTest::qWait(1000); // on purpose: the idle loop measured for a second
        reposo.para();
        return std::max(100.0, 3 * reposo.mayorMs());
    }

    pruebas::Escenario e{1};
    Latido latido;
};

TEST_F(ServidorMudoTest, EveryWindowKeepsAnsweringAndEndsWithAMessage) {
    QFile archivo(carpeta.filePath(QStringLiteral("pedidos.txt")));
    ASSERT_TRUE(archivo.open(QIODevice::WriteOnly));
    archivo.write("\"M\",1,\"A\"\r\n");
    archivo.close();

    IntermediarioMysql rele(pruebas::parametros().servidor, pruebas::parametros().puerto);
    redirige(rele);
    rele.enmudece();
    TabAcumular tab(programa);
    tab.show();
    BajarPedidos exportar(programa);
    exportar.show();
    Subir importar(programa);
    importar.show();
    importar.findChild<QLineEdit*>(QStringLiteral("txtArchivo"))->setText(archivo.fileName());
    frmBitacora bitacora(programa);
    const double maximo = limite(); // also lets the windows show and paint first
    latido.empieza();
    QElapsedTimer reloj;
    reloj.start();

    // Entering the tab and searching, the export's search, the import's preview and the
    // journal, all at once.
    tab.entra();
    pulsa(&tab, "Command4");
    pulsa(&exportar, "cmdAceptar");
    pulsa(&importar, "cmdAceptar");
    bitacora.show();
    esperaHasta([&] {
        return !tab.ocupado() && !tab.leyendo() && !exportar.ocupado() && !importar.ocupado() &&
               !bitacora.ocupado();
    });
    latido.para();
    EXPECT_LT(latido.mayorMs(), maximo);
    EXPECT_LT(reloj.elapsed(), qint64(host::esperaRespuesta()) * 1000 * 2);
    EXPECT_GT(rele.mudas(), 0);

    const auto registro = CajaMensaje::registro();
    QStringList mensajes;
    for (const auto& caja : registro) {
        EXPECT_EQ(caja.titulo, QStringLiteral("Error"));
        mensajes << caja.mensaje;
    }
    const QString todos = mensajes.join(QStringLiteral("\n---\n"));
    // The tab's entry and search, the export and the import: one message each.
    ASSERT_EQ(registro.size(), 4) << todos.toStdString();
    EXPECT_EQ(mensajes.filter(QStringLiteral("No se pudo conectar con el servidor")).size(), 4)
        << todos.toStdString();
    EXPECT_EQ(mensajes.filter(QStringLiteral("La búsqueda quedó incompleta")).size(), 1);
    EXPECT_TRUE(bitacora.findChild<QLabel*>(QStringLiteral("lblEstado"))
                    ->text()
                    .contains(QStringLiteral("No se pudo conectar con el servidor")))
        << bitacora.findChild<QLabel*>(QStringLiteral("lblEstado"))->text().toStdString();
    // Nothing read is not an empty journal.
    EXPECT_FALSE(bitacora.findChild<QLabel*>(QStringLiteral("lblEstado"))
                     ->text()
                     .contains(QStringLiteral("0 corridas")));
}

TEST_F(ServidorMudoTest, TheCustomersNameWaitsForTheServerOffTheWindowsThread) {
    e.actual().ejecuta(QStringLiteral("INSERT INTO clientes (Clave, Nombre) VALUES ('C1', 'Ana')"));
    IntermediarioMysql rele(pruebas::parametros().servidor, pruebas::parametros().puerto);
    redirige(rele);
    TabAcumular tab(programa);
    tab.show();
    tab.entra();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tab.leyendo(); }, 20000));
    ASSERT_TRUE(CajaMensaje::registro().isEmpty());

    // The server stops answering the tab's connection while the user types a key.
    rele.enmudece();
    const double maximo = limite();
    latido.empieza();
    auto* cliente = tab.findChild<QLineEdit*>(QStringLiteral("txtCliente"));
    cliente->setFocus();
    QTest::keyClicks(cliente, QStringLiteral("C1"));
    esperaHasta([&] { return !tab.leyendo(); });
    latido.para();
    EXPECT_LT(latido.mayorMs(), maximo);
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    pruebas::esError(registro[0], QStringLiteral("Se perdió la conexión con el servidor"));
    EXPECT_EQ(tab.findChild<QLabel*>(QStringLiteral("lblEtiqueta(6)"))->text(), QString());
}

} // namespace
