#include "Escenario.h"
#include "accumulation/clsAcumular.h"
#include "journal/Bitacora.h"
#include "sales/FoliosSerie.h"
#include "support/EsperaBloqueo.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using acumulacion::clsAcumular;
using pruebas::BaseEmpresa;
using pruebas::Escenario;

namespace {

const QDate dia(2026, 5, 10);

// What a generation may change in a company, to compare before and after.
QString estado(BaseEmpresa& b) {
    return b.valor(QStringLiteral("SELECT CONCAT((SELECT COUNT(*) FROM pedidos), ' ', "
                                  "(SELECT SUM(Pedido) FROM pedidosdetalle), ' ', "
                                  "(SELECT SUM(PorVender) FROM productos), ' ', "
                                  "(SELECT COUNT(*) FROM sistema))"));
}

QString conversion(BaseEmpresa& b, const QString& tabla) {
    return QStringLiteral("ALTER TABLE `%1`.`%2` ENGINE=InnoDB").arg(b.nombre(), tabla);
}

} // namespace

// A table of the current database that keeps no transactions (the journal's included) could
// not undo a group that failed halfway: the run is refused before any order moves, and says
// which table and how to convert it.
TEST(TablasSinTransacciones, ACurrentDatabaseTableOfAnotherEngineRefusesTheWholeRun) {
    Escenario e(1);
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 3, 2}});
    const QString origen = estado(e.empresa(1));
    clsAcumular acumular(e.bases());
    struct Caso {
        QString tabla, motor;
    };
    for (const Caso& c : {Caso{"pedidosdetalle", "MyISAM"}, Caso{"sistema", "Aria"},
                          Caso{bitacora::EsquemaBitacora::tablaPedidos(), "MyISAM"}}) {
        SCOPED_TRACE(c.tabla.toStdString());
        bitacora::EsquemaBitacora::creaTablas(e.actual().conexion());
        e.actual().ejecuta(QStringLiteral("ALTER TABLE %1 ENGINE=%2").arg(c.tabla, c.motor));
        const QString antes = estado(e.actual());
        const auto r = acumular.GeneraPedido(dia, dia, QStringLiteral("A"), 1);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.mensaje.startsWith(QStringLiteral("La tabla %1.%2 (%3) no guarda "
                                                        "transacciones: si algo fallara a mitad "
                                                        "de la operación")
                                             .arg(e.actual().nombre(), c.tabla, c.motor)))
            << r.mensaje.toStdString();
        EXPECT_TRUE(r.mensaje.contains(conversion(e.actual(), c.tabla) + QLatin1Char(';')))
            << r.mensaje.toStdString();
        EXPECT_EQ(r.pedidosMovidos, 0);
        EXPECT_EQ(estado(e.actual()), antes);
        EXPECT_EQ(estado(e.empresa(1)), origen);
        EXPECT_EQ(e.actual().cuenta(bitacora::EsquemaBitacora::tablaCorridas()), 0);
        e.actual().ejecuta(QStringLiteral("ALTER TABLE %1 ENGINE=InnoDB").arg(c.tabla));
    }
    EXPECT_TRUE(acumular.GeneraPedido(dia, dia, QStringLiteral("A"), 1).ok);
}

// A source company whose written tables keep no transactions is left out, untouched, with
// its reason, by the search and by the generation, as a company without its tables is; the
// others still move.
TEST(TablasSinTransacciones, ASourceCompanyOfAnotherEngineIsLeftOutUntouched) {
    Escenario e(2);
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 3, 2}});
    e.pedido(e.empresa(1), QString(), 2, dia, {{"P1", 1, 1}});
    e.pedido(e.empresa(2), QString(), 3, dia, {{"P2", 5, 5}});
    e.empresa(1).ejecuta(QStringLiteral("ALTER TABLE productos ENGINE=MyISAM"));
    const QString antes = estado(e.empresa(1));
    clsAcumular acumular(e.bases());

    const auto busqueda = acumular.BuscarPedidos(dia, dia);
    const auto generacion = acumular.GeneraPedido(dia, dia, QStringLiteral("A"), 1);
    ASSERT_TRUE(generacion.ok) << generacion.mensaje.toStdString();
    for (const auto& r : {busqueda, generacion}) {
        ASSERT_EQ(r.omitidas.size(), 1);
        EXPECT_EQ(r.omitidas[0].empresa, e.empresa(1).nombre());
        EXPECT_TRUE(r.omitidas[0].motivo.startsWith(
            QStringLiteral("la tabla %1.productos (MyISAM) no guarda transacciones")
                .arg(e.empresa(1).nombre())))
            << r.omitidas[0].motivo.toStdString();
        EXPECT_TRUE(r.omitidas[0].motivo.contains(conversion(e.empresa(1), "productos")))
            << r.omitidas[0].motivo.toStdString();
    }
    EXPECT_EQ(busqueda.renglones.size(), 1);
    EXPECT_EQ(generacion.pedidosMovidos, 1);
    EXPECT_EQ(estado(e.empresa(1)), antes);
    EXPECT_EQ(e.empresa(2).valor(QStringLiteral("SELECT SUM(Pedido) FROM pedidosdetalle")),
              QStringLiteral("0.0000"));
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 1);
}

// Without a key on sistema.Dato the counter is still found, never added again, whether the
// table has no index at all or one that allows repeats; two runs at once into a series
// whose counter is missing create it once.
TEST(SistemaSinClave, TheCounterIsFoundByDatoAndTwoRunsAtOnceCreateItOnce) {
    for (const QString& indice : {QString(), QStringLiteral("ADD KEY idx_dato (Dato)")}) {
        SCOPED_TRACE(indice.toStdString());
        Escenario e(2);
        e.actual().ejecuta(QStringLiteral("ALTER TABLE sistema DROP PRIMARY KEY") +
                           (indice.isEmpty() ? QString() : QStringLiteral(", ") + indice));
        for (int f = 1; f <= 12; ++f)
            for (int k = 1; k <= 2; ++k)
                e.pedido(e.empresa(k), QString(), 100 * k + f, dia.addDays(f % 2), {{"P1", 1, 1}});
        // Two runs over different days at once (the table empty, or not: with other rows
        // to lock), then a third after them.
        if (!indice.isEmpty())
            e.actual().ejecuta(QStringLiteral("INSERT INTO sistema VALUES ('OTRO', 'x')"));
        acumulacion::Resultado r[2];
        auto corre = [&](int i, QDate d) {
            clsAcumular a(e.bases());
            a.setPedidosPorTransaccion(3);
            r[i] = a.GeneraPedido(d, d, QStringLiteral("N"), 1);
        };
        std::thread t1(corre, 0, dia), t2(corre, 1, dia.addDays(1));
        t1.join();
        t2.join();
        for (const auto& x : r)
            EXPECT_TRUE(x.ok) << x.mensaje.toStdString();
        e.pedido(e.empresa(1), QString(), 999, dia, {{"P1", 1, 1}});
        ASSERT_TRUE(clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("N"), 1).ok);
        EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT CONCAT(COUNT(*), ' ', MAX(Contenido)) "
                                                  "FROM sistema WHERE Dato='PE-N'")),
                  QStringLiteral("1 25"));
        EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT CONCAT(COUNT(*), ' ', COUNT(DISTINCT "
                                                  "Factura)) FROM pedidos")),
                  QStringLiteral("25 25"));
    }
}

// The narrow moment of two runs at once: both looked for the missing counter before either
// added it. One of them is undone (and would be tried again), and the table never gets two
// rows, also when the server's default isolation would not keep the place looked at locked.
TEST(SistemaSinClave, TwoRunsThatBothFoundNoCounterNeverBothAddIt) {
    BaseEmpresa b(QStringLiteral("folsinclave"));
    b.ejecuta(QStringLiteral("ALTER TABLE sistema DROP PRIMARY KEY"));
    auto otra = pruebas::conecta(b.nombre());
    for (host::Conexion* c : {&b.conexion(), otra.get()})
        c->ejecuta(QStringLiteral("SET SESSION TRANSACTION ISOLATION LEVEL READ COMMITTED"));
    // The second run, step by step: its locking read finds no counter.
    auto segunda = std::make_unique<host::Transaccion>(*otra);
    ASSERT_TRUE(
        otra->consulta(QStringLiteral("SELECT Dato FROM sistema WHERE Dato='PE-X' FOR UPDATE"))
            ->eof());
    std::atomic<int> deshechas = 0;
    std::atomic<bool> primeraTermino = false;
    const qint64 sesionPrimera = pruebas::sesion(b.conexion());
    auto vigia = pruebas::conecta(b.nombre());
    std::thread primera([&] {
        try {
            host::Transaccion t(b.conexion());
            acumulacion::FoliosSerie folios(b.conexion(), QStringLiteral("PE-"),
                                            QStringLiteral("X"));
            folios.guarda(1);
            t.confirma();
        } catch (const host::ErrorBdD& e) {
            deshechas += e.codigo() == 1213;
        }
        primeraTermino = true;
    });
    // The first run has looked and added its counter, or waits for the second one's lock.
    EXPECT_TRUE(pruebas::hastaQue(
        [&] { return primeraTermino || pruebas::enEsperaDeBloqueo(*vigia, sesionPrimera); }, 60s,
        QStringLiteral("el paso de la primera corrida"), 150ms));
    try {
        otra->ejecuta(QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES ('PE-X', '0')"));
        segunda->confirma();
    } catch (const host::ErrorBdD& e) {
        deshechas += e.codigo() == 1213;
    }
    segunda.reset();
    primera.join();
    EXPECT_EQ(deshechas, 1);
    EXPECT_EQ(b.cuenta(QStringLiteral("sistema WHERE Dato='PE-X'")), 1);
}
