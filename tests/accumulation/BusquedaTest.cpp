#include "Escenario.h"
#include "accumulation/clsAcumular.h"
#include "db/GeneradorDemo.h"

#include <gtest/gtest.h>

using acumulacion::clsAcumular;
using pruebas::Escenario;
using pruebas::Renglon;

namespace {

const QDate desde(2026, 3, 1);
const QDate hasta(2026, 3, 31);
const QLocale ingles(QLocale::English);

} // namespace

TEST(BuscarPedidos, WithNoOtherCompanyFindsNothing) {
    Escenario e(0);
    e.pedido(e.actual(), QString(), 1, desde, {{QStringLiteral("P1"), 5, 5}});
    const auto r = clsAcumular(e.bases(), ingles).BuscarPedidos(desde, hasta);
    EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_FALSE(r.encontrados);
    EXPECT_TRUE(r.renglones.isEmpty());
}

TEST(BuscarPedidos, ListsEachPendingOrderOnceWithinInclusiveDates) {
    Escenario e(1);
    auto& b = e.empresa(1);
    const QString n = b.nombre();
    e.pedido(
        b, QString(), 1, desde,
        {{QStringLiteral("P1"), 5, 5}, {QStringLiteral("P2"), 3, 3}, {QStringLiteral("P3"), 1, 1}});
    e.pedido(b, QString(), 2, hasta, {{QStringLiteral("P1"), 5, 0}, {QStringLiteral("P2"), 3, 2}});
    e.pedido(b, QString(), 3, desde.addDays(-1), {{QStringLiteral("P1"), 5, 5}});
    e.pedido(b, QString(), 4, hasta.addDays(1), {{QStringLiteral("P1"), 5, 5}});
    e.pedido(b, QString(), 5, desde, {{QStringLiteral("P1"), 5, 0}, {QStringLiteral("P2"), 3, 0}});
    e.pedido(b, QString(), 6, desde, {});

    QStringList avisados;
    acumulacion::Retrollamadas avisos;
    avisos.renglon = [&](const QString& l) { avisados << l; };
    const auto r = clsAcumular(e.bases(), ingles).BuscarPedidos(desde, hasta, avisos);
    EXPECT_TRUE(r.encontrados);
    EXPECT_EQ(r.renglones, QStringList({QStringLiteral("Pedido 1 en %1  Total: 116.00").arg(n),
                                        QStringLiteral("Pedido 2 en %1  Total: 116.00").arg(n)}));
    EXPECT_EQ(avisados, r.renglones);
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 6); // changes nothing
}

TEST(BuscarPedidos, ResultLineShowsSeriesOnlyWhenPresentAndNoTotalWhenAnAmountIsNull) {
    Escenario e(1);
    auto& b = e.empresa(1);
    e.pedido(b, QString(), 1520, desde, {{QStringLiteral("P1"), 1, 1}},
             QStringLiteral("1234551.89"));
    e.pedido(b, QStringLiteral("B"), 1520, desde, {{QStringLiteral("P1"), 1, 1}}, 0);
    e.pedido(b, QStringLiteral("B"), 1521, desde, {{QStringLiteral("P1"), 1, 1}}, QVariant());
    const auto r = clsAcumular(e.bases(), ingles).BuscarPedidos(desde, hasta);
    const QString n = b.nombre();
    EXPECT_EQ(r.renglones,
              QStringList({QStringLiteral("Pedido 1520 en %1  Total: 1,234,567.89").arg(n),
                           QStringLiteral("Pedido B-1520 en %1  Total: 16.00").arg(n),
                           QStringLiteral("Pedido B-1521 en %1  Total: ").arg(n)}));
    const auto aleman =
        clsAcumular(e.bases(), QLocale(QLocale::German)).BuscarPedidos(desde, hasta);
    EXPECT_TRUE(aleman.renglones.value(0).endsWith(QStringLiteral("Total: 1.234.567,89")));
}

TEST(BuscarPedidos, SkipsMissingDatabasesAndGoesInCompanyOrder) {
    Escenario e(0);
    e.registra(pruebas::nombreUnico(QStringLiteral("falta")));
    pruebas::BaseEmpresa tercera(QStringLiteral("acu"));
    e.registra(tercera.nombre());
    pruebas::BaseEmpresa segunda(QStringLiteral("acu"));
    e.registra(segunda.nombre());
    e.pedido(segunda, QString(), 7, desde, {{QStringLiteral("P1"), 1, 1}});
    e.pedido(tercera, QString(), 8, desde, {{QStringLiteral("P1"), 1, 1}});
    const auto r = clsAcumular(e.bases(), ingles).BuscarPedidos(desde, hasta);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    ASSERT_EQ(r.renglones.size(), 2);
    EXPECT_TRUE(r.renglones[0].contains(tercera.nombre()));
    EXPECT_TRUE(r.renglones[1].contains(segunda.nombre()));
}

TEST(BuscarPedidos, LeavesOutTheCurrentDatabaseWrittenInCapitals) {
    auto c = pruebas::conecta();
    const QString mayusculas = pruebas::nombreUnico(QStringLiteral("MAY")).toUpper();
    demo::creaGeneral(*c);
    demo::creaBaseEmpresa(*c, mayusculas);
    demo::registraEmpresa(*c, mayusculas);
    c->ejecuta(QStringLiteral("INSERT INTO %1.pedidos (Id, Factura, Fecha) VALUES (1, 1, ?)")
                   .arg(host::Conexion::identificador(mayusculas)),
               {desde});
    c->ejecuta(QStringLiteral("INSERT INTO %1.pedidosdetalle (Id, Partida, Producto, Pedido) "
                              "VALUES (1, 1, 'P1', 4)")
                   .arg(host::Conexion::identificador(mayusculas)));
    const auto r = clsAcumular(pruebas::basesDD(mayusculas), ingles).BuscarPedidos(desde, hasta);
    const auto g =
        clsAcumular(pruebas::basesDD(mayusculas), ingles).GeneraPedido(desde, hasta, QString(), 1);
    const QString pendientes =
        c->consulta(QStringLiteral("SELECT COUNT(*) FROM %1.pedidosdetalle WHERE Pedido<>0")
                        .arg(host::Conexion::identificador(mayusculas)))
            ->texto(0);
    c->ejecuta(QStringLiteral("DROP DATABASE %1").arg(host::Conexion::identificador(mayusculas)));
    EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_FALSE(r.encontrados);
    EXPECT_EQ(g.pedidosMovidos, 0);
    EXPECT_EQ(pendientes, QStringLiteral("1"));
}
