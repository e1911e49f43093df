#include "Escenario.h"
#include "accumulation/clsAcumular.h"
#include "journal/Bitacora.h"
#include "support/IntermediarioMysql.h"

#include <gtest/gtest.h>

using acumulacion::clsAcumular;
using acumulacion::FolioDado;
using pruebas::Escenario;

namespace {

const QDate dia(2026, 5, 10);

// Each new order of the current database as "folio:lines", in folio order.
QString renglonesPorPedido(pruebas::BaseEmpresa& b) {
    return b.valor(QStringLiteral(
        "SELECT GROUP_CONCAT(CONCAT(p.Factura, ':', (SELECT COUNT(*) FROM pedidosdetalle d "
        "WHERE d.Id=p.Id)) ORDER BY p.Factura) FROM pedidos p WHERE p.Serie='A'"));
}

} // namespace

// The host gives pedidos.Id by a trigger instead of an automatic counter: the new orders'
// Ids are read back from what was stored, so each one keeps its own lines.
TEST(IdsGuardados, IdsGivenByATriggerAreReadBackAndEachOrderKeepsItsLines) {
    Escenario e(2);
    auto& actual = e.actual();
    e.pedido(actual, QStringLiteral("Z"), 1, dia, {});
    actual.ejecuta(QStringLiteral("ALTER TABLE pedidos MODIFY Id INT NOT NULL"));
    actual.ejecuta(QStringLiteral("CREATE TRIGGER da_id BEFORE INSERT ON pedidos FOR EACH ROW "
                                  "SET NEW.Id=(SELECT IFNULL(MAX(Id), 0) + 10 FROM pedidos)"));
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 1}, {"P2", 1, 1}});
    e.pedido(e.empresa(1), QString(), 2, dia, {{"P1", 1, 1}});
    e.pedido(e.empresa(2), QString(), 3, dia, {{"P1", 1, 1}, {"P2", 1, 1}, {"P3", 1, 1}});

    QVector<FolioDado> dados;
    acumulacion::Retrollamadas avisos;
    avisos.folio = [&](const FolioDado& d) { dados << d; };
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 1, avisos);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(renglonesPorPedido(actual), QStringLiteral("1:2,2:1,3:3"));
    EXPECT_EQ(actual.cuenta(QStringLiteral("pedidosdetalle WHERE Id NOT IN (SELECT Id FROM "
                                           "pedidos)")),
              0);
    ASSERT_EQ(dados.size(), 3);
    for (const FolioDado& d : dados)
        EXPECT_EQ(actual.cuenta(QStringLiteral("pedidos WHERE Id=? AND Serie='A' AND Factura=?"),
                                {d.idNuevo, d.folio}),
                  1)
            << d.idNuevo;
    // The journal names the Ids the orders got.
    EXPECT_EQ(actual.valor(QStringLiteral("SELECT GROUP_CONCAT(IdNuevo ORDER BY IdNuevo) FROM %1")
                               .arg(bitacora::EsquemaBitacora::tablaPedidos())),
              QStringLiteral("11,21,31"));
}

// When what was stored cannot be matched to what was copied (a trigger that changes the folio
// given, or moves the lines to another order), the group is undone and the user is told.
TEST(IdsGuardados, AGroupThatWasNotStoredAsGivenIsUndoneAndSaysWhy) {
    Escenario e(1);
    auto& actual = e.actual();
    auto& origen = e.empresa(1);
    int folio = 0;
    for (const char* producto : {"P1", "P2"})
        e.pedido(origen, QString(), ++folio, dia, {{producto, 1, 1}});
    const QList<QPair<QString, QString>> casos = {
        {QStringLiteral("CREATE TRIGGER cambia BEFORE INSERT ON pedidos FOR EACH ROW "
                        "SET NEW.Factura=NEW.Factura+1000"),
         QStringLiteral("no quedaron guardados con la serie y el folio que se les dio")},
        {QStringLiteral("CREATE TRIGGER cambia BEFORE INSERT ON pedidosdetalle FOR EACH ROW "
                        "SET NEW.Id=NEW.Id+1"),
         QStringLiteral("no quedaron con los renglones que se copiaron")},
    };
    for (const auto& [disparador, motivo] : casos) {
        actual.ejecuta(QStringLiteral("DROP TRIGGER IF EXISTS cambia"));
        actual.ejecuta(disparador);
        const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 1);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.pedidosMovidos, 0);
        EXPECT_TRUE(r.mensaje.contains(motivo)) << r.mensaje.toStdString();
        EXPECT_TRUE(r.mensaje.contains(QStringLiteral("disparador"))) << r.mensaje.toStdString();
        EXPECT_EQ(actual.cuenta(QStringLiteral("pedidos")), 0);
        EXPECT_EQ(actual.cuenta(QStringLiteral("pedidosdetalle")), 0);
        EXPECT_EQ(origen.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 2);
        EXPECT_EQ(origen.valor(QStringLiteral("SELECT SUM(PorVender) FROM productos")),
                  QStringLiteral("200.0000"));
    }
}

// A source company's trigger refuses to clear its pending quantities: the message names that
// company's database, not the current one the statement ran through, and does not advise
// repeating what will fail again.
TEST(IdsGuardados, ARefusalAtASourceCompanyNamesItsDatabase) {
    Escenario e(1);
    auto& origen = e.empresa(1);
    e.pedido(origen, QString(), 1, dia, {{"P1", 1, 1}});
    origen.ejecuta(QStringLiteral("CREATE TRIGGER niega BEFORE UPDATE ON pedidosdetalle FOR EACH "
                                  "ROW SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT='Pedido cerrado'"));
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 1);
    EXPECT_FALSE(r.ok);
    const QString causa = r.mensaje.section(QLatin1Char('\n'), 1, 1);
    EXPECT_TRUE(causa.contains(QStringLiteral("\"%1\"").arg(origen.nombre())))
        << r.mensaje.toStdString();
    EXPECT_FALSE(causa.contains(QStringLiteral("\"%1\"").arg(e.actual().nombre())))
        << r.mensaje.toStdString();
    EXPECT_TRUE(causa.contains(QStringLiteral("disparador"))) << r.mensaje.toStdString();
    EXPECT_TRUE(causa.contains(QStringLiteral("Pedido cerrado")));
    EXPECT_FALSE(causa.contains(QStringLiteral("repita")));
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 0);
}

// The reply to a COMMIT is lost: a new connection finds the group by the Ids that were read
// back, so a group stored under Ids a trigger gave is known to be stored.
TEST(IdsGuardados, ALostCommitReplyIsCheckedWithTheIdsReadBack) {
    Escenario e(1);
    auto& actual = e.actual();
    actual.ejecuta(QStringLiteral("ALTER TABLE pedidos MODIFY Id INT NOT NULL"));
    actual.ejecuta(QStringLiteral("CREATE TRIGGER da_id BEFORE INSERT ON pedidos FOR EACH ROW "
                                  "SET NEW.Id=(SELECT IFNULL(MAX(Id), 0) + 10 FROM pedidos)"));
    for (int i = 1; i <= 10; ++i)
        e.pedido(e.empresa(1), QString(), i, dia, {{"P1", 1, 1}});
    const auto p = pruebas::parametros();
    pruebas::IntermediarioMysql rele(p.servidor, p.puerto);
    rele.cortaRespuestaDelCommit(2);
    clsAcumular acumular(rele.redirige(e.bases()));
    acumular.setPedidosPorTransaccion(5);
    const auto r = acumular.GeneraPedido(dia, dia, QStringLiteral("A"), 1);
    EXPECT_EQ(rele.cortes(), 1);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("sí quedaron guardados. Pedidos movidos "
                                                  "completos: 10;")))
        << r.mensaje.toStdString();
    EXPECT_EQ(r.pedidosMovidos, 10);
    EXPECT_EQ(renglonesPorPedido(actual),
              QStringLiteral("1:1,2:1,3:1,4:1,5:1,6:1,7:1,8:1,9:1,10:1"));
}
