#include "Escenario.h"
#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/clsAcumular.h"
#include "export/Exportacion.h"
#include "support/EsperaBloqueo.h"

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

using acumulacion::clsAcumular;
using acumulacion::FolioDado;
using pruebas::Escenario;
using pruebas::Renglon;

namespace {

const QDate dia(2026, 5, 10);

QString contador(pruebas::BaseEmpresa& b, const QString& clave) {
    return b.valor(QStringLiteral("SELECT Contenido FROM sistema WHERE Dato=?"), {clave});
}

// The line records of the order exported alone from b, as "Partida:Producto" texts.
QStringList renglonesExportados(pruebas::BaseEmpresa& b, qint64 id) {
    QTemporaryDir carpeta;
    const auto r =
        exportacion::EscribeArchivo(b.conexion(), {id}, QStringLiteral("orden"), carpeta.path());
    QFile f(r.archivo);
    if (!r.ok || !f.open(QIODevice::ReadOnly))
        return {r.mensaje};
    QStringList salida;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("\"D\""))
            salida << QString::fromLatin1(l.split(',').mid(1, 2).join(':')).remove('"');
    return salida;
}

} // namespace

TEST(GeneraPedido, OrdersOfTwoCompaniesGetConsecutiveFreeFoliosInCompanyOrder) {
    Escenario e(2);
    e.pedido(e.actual(), QStringLiteral("A"), 5, dia, {});
    const qint64 a1 = e.pedido(e.empresa(1), QStringLiteral("B"), 11, dia, {{"P1", 2, 2}});
    const qint64 a2 = e.pedido(e.empresa(1), QString(), 12, dia, {{"P2", 3, 3}});
    const qint64 b1 = e.pedido(e.empresa(2), QStringLiteral("B"), 11, dia, {{"P1", 4, 4}});

    QVector<FolioDado> dados;
    acumulacion::Retrollamadas avisos;
    avisos.folio = [&](const FolioDado& d) { dados << d; };
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral(" A "), 4, avisos);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.pedidosMovidos, 3);
    EXPECT_EQ(r.ultimoFolio, 7);
    ASSERT_EQ(dados.size(), 3);
    const QString n1 = e.empresa(1).nombre(), n2 = e.empresa(2).nombre();
    EXPECT_EQ((QVector<qint32>{dados[0].folio, dados[1].folio, dados[2].folio}),
              (QVector<qint32>{4, 6, 7}));
    EXPECT_EQ((QStringList{dados[0].base, dados[1].base, dados[2].base}),
              (QStringList{n1, n1, n2}));
    EXPECT_EQ((QVector<qint64>{dados[0].idOrigen, dados[1].idOrigen, dados[2].idOrigen}),
              (QVector<qint64>{a1, a2, b1}));
    EXPECT_EQ(dados[0].pedidoOrigen, QStringLiteral("B-11"));
    EXPECT_EQ(dados[1].pedidoOrigen, QStringLiteral("12"));
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos WHERE Serie='A' AND Factura IN (4,6,7)")),
              3);
    EXPECT_EQ(contador(e.actual(), QStringLiteral("PE-A")), QStringLiteral("7"));
}

TEST(GeneraPedido, SkipsFoliosAlreadyTakenInTheSeries) {
    Escenario e(1);
    e.pedido(e.actual(), QStringLiteral("A"), 100, dia, {});
    e.pedido(e.actual(), QStringLiteral("A"), 101, dia, {});
    e.pedido(e.actual(), QStringLiteral("B"), 102, dia, {});
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 1}});
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 100);
    EXPECT_EQ(r.ultimoFolio, 102);
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos WHERE Serie='A' AND Factura=102")), 1);
}

TEST(GeneraPedido, CopiesHeaderAndPendingLinesColumnByColumnAndClearsTheSource) {
    Escenario e(1);
    auto& origen = e.empresa(1);
    const qint64 id = e.pedido(origen, QStringLiteral("Z"), 9, dia,
                               {{"P1", 10, 4, "AL1"}, {"P2", 5, 0, "AL2"}, {"P1", 7, 7, "AL3"}},
                               QStringLiteral("250.75"));
    // The host keeps a missing due date as a zero date: it is copied as it is.
    origen.conexion().ejecuta(QStringLiteral("UPDATE pedidos SET Vence='0000-00-00'"));
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 1);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.renglonesCopiados, 2);

    const QString columnas = QStringLiteral("CONCAT_WS('|', Factura, Serie, Cliente, Fecha, Vence, "
                                            "Subtotal, IVA, NotaF1, Capturado, Sucursal)");
    EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT %1 FROM pedidos").arg(columnas)),
              QStringLiteral(
                  "1|A|C1|2026-05-10|0000-00-00|250.75|16.00|origen 9|2026-02-03 10:20:30|SUC9"));
    const QString nuevo = e.actual().valor(QStringLiteral("SELECT Id FROM pedidos"));
    EXPECT_EQ(
        e.actual().valor(QStringLiteral(
            "SELECT GROUP_CONCAT(CONCAT_WS('/', Id, Partida, Producto, Cantidad, Pedido, "
            "Almacen, Entrega) ORDER BY Partida SEPARATOR ' ') FROM pedidosdetalle")),
        QStringLiteral("%1/1/P1/10.0000/4.0000/AL1/2026-03-04 %1/3/P1/7.0000/7.0000/AL3/2026-03-04")
            .arg(nuevo));
    EXPECT_EQ(origen.cuenta(QStringLiteral("pedidosdetalle WHERE Id=? AND Pedido=0"), {id}), 3);
    EXPECT_EQ(origen.valor(QStringLiteral("SELECT PorVender FROM productos WHERE Clave='P1'")),
              QStringLiteral("89.0000")); // lowered once per line: 4 and 7
    EXPECT_EQ(origen.valor(QStringLiteral("SELECT PorVender FROM productos WHERE Clave='P2'")),
              QStringLiteral("100.0000"));
    EXPECT_EQ(origen.valor(QStringLiteral("SELECT CONCAT(Serie, Factura) FROM pedidos")),
              QStringLiteral("Z9"));
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("productos")), 0);
}

TEST(GeneraPedido, SecondRunFindsNothingAndTheEmptySeriesUsesCounterPE) {
    Escenario e(1);
    e.pedido(e.empresa(1), QStringLiteral("B"), 3, dia, {{"P1", 1, 1}});
    const clsAcumular acumular(e.bases());
    const auto primera = acumular.GeneraPedido(dia, dia, QStringLiteral("  "), 40);
    EXPECT_EQ(primera.pedidosMovidos, 1);
    EXPECT_EQ(contador(e.actual(), QStringLiteral("PE-")), QStringLiteral("40"));
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos WHERE Serie='' AND Factura=40")), 1);

    const auto segunda = acumular.GeneraPedido(dia, dia, QString(), 41);
    EXPECT_TRUE(segunda.ok);
    EXPECT_EQ(segunda.pedidosMovidos, 0);
    EXPECT_EQ(segunda.mensaje,
              QStringLiteral("No se encontraron pedidos pendientes que acumular."));
    EXPECT_FALSE(acumular.BuscarPedidos(dia, dia).encontrados);
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 1);
}

TEST(GeneraPedido, AFailingOrderStopsTheRunAndLeavesItAndTheRestUntouched) {
    Escenario e(1);
    auto& origen = e.empresa(1);
    e.actual().conexion().ejecuta(
        QStringLiteral("ALTER TABLE pedidosdetalle MODIFY Almacen VARCHAR(3)"));
    e.pedido(origen, QString(), 1, dia, {{"P1", 1, 1, "AL1"}});
    e.pedido(origen, QString(), 2, dia, {{"P1", 2, 2, "AL1"}, {"P2", 5, 5, "DEMASIADO"}});
    e.pedido(origen, QString(), 3, dia, {{"P2", 3, 3, "AL1"}});
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 10);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.pedidosMovidos, 1);
    EXPECT_TRUE(r.mensaje.startsWith(
        QStringLiteral("No se pudo acumular el pedido 2 de %1:").arg(origen.nombre())))
        << r.mensaje.toStdString();
    EXPECT_TRUE(r.mensaje.contains(
        QStringLiteral("Pedidos de %1 movidos completos antes del error: 1. El pedido 2 y los que "
                       "le siguen en %1 quedaron sin cambios.")
            .arg(origen.nombre())))
        << r.mensaje.toStdString();
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 1);
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidosdetalle")), 1);
    EXPECT_EQ(contador(e.actual(), QStringLiteral("PE-A")), QStringLiteral("10"));
    EXPECT_EQ(origen.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 3);
    EXPECT_EQ(origen.valor(QStringLiteral("SELECT SUM(PorVender) FROM productos")),
              QStringLiteral("199.0000"));
}

TEST(GeneraPedido, CancelTakesEffectBetweenOrdersAndCountsWhatMoved) {
    Escenario e(1);
    for (int f = 1; f <= 3; ++f)
        e.pedido(e.empresa(1), QString(), f, dia, {{"P1", 1, 1}, {"P2", 1, 1}});
    int preguntas = 0;
    acumulacion::Retrollamadas avisos;
    avisos.cancelar = [&] { return ++preguntas > 2; }; // once for the company, once per order
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QString(), 1, avisos);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.cancelado);
    EXPECT_EQ(r.pedidosMovidos, 1);
    EXPECT_EQ(r.mensaje, QStringLiteral("Acumulación cancelada. Pedidos movidos completos: 1; los "
                                        "demás quedaron sin cambios."));
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidosdetalle")), 2);
    EXPECT_EQ(e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 4);
}

TEST(GeneraPedido, AFailureAfterTheCancelWasAskedIsToldAsAFailure) {
    Escenario e(1);
    e.actual().conexion().ejecuta(
        QStringLiteral("ALTER TABLE pedidosdetalle MODIFY Almacen VARCHAR(3)"));
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P2", 1, 1, "DEMASIADO"}});
    e.pedido(e.empresa(1), QString(), 2, dia, {{"P1", 1, 1, "AL1"}});
    int preguntas = 0;
    acumulacion::Retrollamadas avisos;
    // The cancel comes while the first order waits in its group, which then fails.
    avisos.cancelar = [&] { return ++preguntas > 2; };
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QString(), 1, avisos);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.cancelado);
    EXPECT_TRUE(r.mensaje.startsWith(QStringLiteral("No se pudo acumular el pedido 1")))
        << r.mensaje.toStdString();
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 0);
}

TEST(GeneraPedido, RunsAtOnceNeverGiveAFolioTwiceNorMoveAnOrderTwice) {
    Escenario e(2);
    const QDate otroDia = dia.addDays(1);
    for (int f = 1; f <= 30; ++f) {
        const QDate fecha = f % 2 ? dia : otroDia;
        e.pedido(e.empresa(1), QString(), f, fecha, {{"P1", 1, 1}, {"P2", 2, 2}});
        e.pedido(e.empresa(2), QString(), 100 + f, fecha, {{"P1", 1, 1}});
    }
    // Two runs over different days share only the series; a third overlaps both.
    acumulacion::Resultado r[3];
    auto corre = [&](int i, QDate desde, QDate hasta) {
        clsAcumular a(e.bases());
        a.setPedidosPorTransaccion(4);
        r[i] = a.GeneraPedido(desde, hasta, QStringLiteral("A"), 1);
    };
    std::thread t1(corre, 0, dia, dia), t2(corre, 1, otroDia, otroDia), t3(corre, 2, dia, otroDia);
    t1.join();
    t2.join();
    t3.join();
    for (const auto& x : r)
        EXPECT_TRUE(x.ok) << x.mensaje.toStdString();
    EXPECT_EQ(r[0].pedidosMovidos + r[1].pedidosMovidos + r[2].pedidosMovidos, 60);
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 60);
    EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT COUNT(DISTINCT Factura) FROM pedidos")),
              QStringLiteral("60"));
    EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT COUNT(DISTINCT NotaF1) FROM pedidos")),
              QStringLiteral("60"));
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidosdetalle")), 90);
    EXPECT_EQ(e.empresa(1).valor(QStringLiteral("SELECT SUM(PorVender) FROM productos")),
              QStringLiteral("110.0000"));
}

// Lines stored out of Partida order (as the sales system leaves them when an order is
// edited) keep their Partida when accumulated, and a transfer file lists them by Partida.
TEST(GeneraPedido, LinesKeepTheirPartidaAndAreExportedInPartidaOrder) {
    Escenario e(1);
    auto& origen = e.empresa(1);
    const qint64 id = e.pedido(origen, QStringLiteral("B"), 3, dia, {});
    for (int partida : {3, 1, 4, 2}) {
        const QString producto = QStringLiteral("P%1").arg(partida);
        origen.conexion().ejecuta(
            QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES (?, 100)"), {producto});
        origen.conexion().ejecuta(QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, "
                                                 "Producto, Cantidad, Pedido) VALUES (?,?,?,5,?)"),
                                  {id, partida, producto, partida == 2 ? 0 : 5});
    }
    const QStringList todos{"1:P1", "2:P2", "3:P3", "4:P4"};
    EXPECT_EQ(renglonesExportados(origen, id), todos);

    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 1);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    const qint64 nuevo = e.actual().valor(QStringLiteral("SELECT Id FROM pedidos")).toLongLong();
    EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(Partida, ':', Producto) "
                                              "ORDER BY Partida) FROM pedidosdetalle")),
              QStringLiteral("1:P1,3:P3,4:P4"));
    EXPECT_EQ(renglonesExportados(e.actual(), nuevo), (QStringList{"1:P1", "3:P3", "4:P4"}));
    EXPECT_EQ(renglonesExportados(origen, id), todos);
}

// A deadlock with another session, which the server breaks by undoing the accumulation's
// group (the lighter transaction), is retried: every order moves once.
TEST(GeneraPedido, RetriesAGroupTheServerUndidToBreakADeadlock) {
    Escenario e(1);
    auto& origen = e.empresa(1);
    const qint64 a = e.pedido(origen, QStringLiteral("B"), 1, dia, {{"P1", 2, 2}});
    e.pedido(origen, QStringLiteral("B"), 2, dia, {{"P1", 3, 3}, {"P2", 1, 1}});
    auto otra = pruebas::conecta(origen.nombre());
    otra->ejecuta(QStringLiteral("CREATE TABLE relleno (n INT)"));
    acumulacion::Resultado r;
    {
        // The other session weighs more than the accumulation's and holds P1's stock row.
        std::optional<host::Transaccion> t(std::in_place, *otra);
        otra->ejecuta(QStringLiteral("INSERT INTO relleno SELECT seq FROM seq_1_to_20000"));
        otra->consulta(QStringLiteral("SELECT * FROM productos WHERE Clave='P1' FOR UPDATE"));
        std::thread corrida([&] {
            clsAcumular acumular(e.bases());
            acumular.setPedidosPorTransaccion(1); // a failed group of several is split instead
            r = acumular.GeneraPedido(dia, dia, QStringLiteral("A"), 1);
        });
        // Once the accumulation asks for that row, ask for the lines it holds: a cycle.
        auto vigia = pruebas::conecta();
        const auto pideLaFila = [&] {
            return vigia
                       ->consulta(
                           QStringLiteral("SELECT COUNT(*) FROM "
                                          "information_schema.PROCESSLIST WHERE INFO LIKE ?"),
                           {QStringLiteral("UPDATE `%1`.productos%").arg(origen.nombre())})
                       ->entero(0) > 0;
        };
        EXPECT_TRUE(pruebas::hastaQue(pideLaFila, 60s, QStringLiteral("la espera de productos")));
        // Returns only once the server has undone the accumulation's transaction.
        EXPECT_NO_THROW(otra->consulta(
            QStringLiteral("SELECT * FROM pedidosdetalle WHERE Id=? FOR UPDATE"), {a}));
        // Its retry waits again for the rows still held: nothing of it may be stored meanwhile.
        EXPECT_TRUE(pruebas::hastaQue(
            [&] { return pruebas::algunaEnEsperaDeBloqueo(*vigia, origen.nombre()); }, 60s,
            QStringLiteral("el nuevo intento"), 150ms));
        EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 0);
        t.reset(); // undone: the retry goes through
        corrida.join();
    }
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.pedidosMovidos, 2);
    EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT GROUP_CONCAT(Factura ORDER BY Factura) FROM "
                                              "pedidos")),
              QStringLiteral("1,2"));
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidosdetalle")), 3);
    EXPECT_EQ(origen.valor(QStringLiteral("SELECT GROUP_CONCAT(PorVender ORDER BY Clave) FROM "
                                          "productos")),
              QStringLiteral("95.0000,99.0000"));
    EXPECT_EQ(origen.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 0);
}

// The series must fit pedidos.Serie and its counter's key sistema.Dato, each by its own
// measure (characters of a text column, bytes of a binary one): checked before any order
// moves, with a message that says which column is too narrow.
TEST(GeneraPedido, ASeriesWiderThanItsColumnsIsRefusedBeforeAnyOrderMoves) {
    Escenario e(1);
    auto& actual = e.actual();
    auto& origen = e.empresa(1);
    e.pedido(origen, QString(), 1, dia, {{"P1", 1, 1}});
    e.pedido(origen, QString(), 2, dia, {{"P1", 1, 1}});
    actual.ejecuta(QStringLiteral("ALTER TABLE pedidos MODIFY Serie VARCHAR(3) NOT NULL "
                                  "DEFAULT ''"));
    actual.ejecuta(QStringLiteral("ALTER TABLE sistema MODIFY Dato VARBINARY(7) NOT NULL"));
    const QList<QPair<QString, QString>> rechazos = {
        {QStringLiteral("ABCD"),
         QStringLiteral("La serie \"ABCD\" tiene 4 caracteres, y la columna Serie de la tabla "
                        "pedidos de la base de datos \"%1\" admite 3.")},
        {QStringLiteral("ÑÑÑ"),
         QStringLiteral("La clave del contador de folios de la serie \"ÑÑÑ\" (\"PE-ÑÑÑ\") ocupa "
                        "9 bytes, y la columna Dato de la tabla sistema de la base de datos "
                        "\"%1\" admite 7.")},
    };
    for (const auto& [serie, mensaje] : rechazos) {
        const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, serie, 1);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.mensaje.startsWith(mensaje.arg(actual.nombre()))) << r.mensaje.toStdString();
        EXPECT_EQ(actual.cuenta(QStringLiteral("pedidos")), 0);
        EXPECT_EQ(actual.cuenta(QStringLiteral("sistema")), 0);
        EXPECT_EQ(origen.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 2);
    }
    // Two accented letters are two characters of Serie, and the key's seven bytes fit.
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("ÑÑ"), 1);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(actual.valor(QStringLiteral("SELECT GROUP_CONCAT(Serie) FROM pedidos")),
              QStringLiteral("ÑÑ,ÑÑ"));
}

// An import holds the highest order while it gives its orders the Ids after it. An
// accumulation meanwhile waits for it, and its order takes an Id after the import's instead
// of one the import is about to give.
TEST(Generacion, AnOrderAccumulatedWhileAnImportGivesIdsTakesAnIdAfterThem) {
    Escenario e(1);
    e.pedido(e.empresa(1), QStringLiteral("B"), 1, dia, {{"P1", 3, 3}});
    e.actual().ejecuta(
        QStringLiteral("INSERT INTO pedidos (Id, Serie, Factura) VALUES (5, 'Z', 1)"));
    auto importacion = pruebas::conecta(e.actual().nombre());
    importacion->iniciaTransaccion();
    importacion->consulta(QStringLiteral(
        "SELECT Id FROM pedidos WHERE Id<999999999 ORDER BY Id DESC LIMIT 1 FOR UPDATE"));
    acumulacion::Resultado r;
    std::thread corrida([&] {
        clsAcumular acumular(e.bases());
        r = acumular.GeneraPedido(dia, dia, QStringLiteral("A"), 1);
    });
    auto vigia = pruebas::conecta();
    EXPECT_TRUE(pruebas::hastaQue(
        [&] { return pruebas::algunaEnEsperaDeBloqueo(*vigia, QStringLiteral("pedidos")); }, 60s));
    importacion->ejecuta(
        QStringLiteral("INSERT INTO pedidos (Id, Serie, Factura) VALUES (6, 'Z', 2), (7, 'Z', 3)"));
    importacion->confirma();
    corrida.join();
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(e.actual().valor(
                  QStringLiteral("SELECT GROUP_CONCAT(CONCAT(p.Id, p.Serie, "
                                 "p.Factura, ':', COALESCE(d.Producto, '')) ORDER BY p.Id) FROM "
                                 "pedidos p LEFT JOIN pedidosdetalle d ON "
                                 "d.Id=p.Id")),
              QStringLiteral("5Z1:,6Z2:,7Z3:,8A1:P1"));
}
