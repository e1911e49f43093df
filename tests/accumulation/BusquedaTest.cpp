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

namespace {

// A server user of the test's own, with all rights on the given databases only (and reading
// rights on generalkorvan); dropped at the end.
class UsuarioLimitado {
public:
    explicit UsuarioLimitado(const QStringList& bases)
        : nombre_(pruebas::nombreUnico(QStringLiteral("u")).right(24)), c_(pruebas::conecta()) {
        c_->ejecuta(QStringLiteral("CREATE USER ?@'127.0.0.1' IDENTIFIED BY 'clave'"), {nombre_});
        c_->ejecuta(QStringLiteral("GRANT SELECT ON generalkorvan.* TO ?@'127.0.0.1'"), {nombre_});
        for (QString b : bases) // "_" would match any character in a grant
            c_->ejecuta(QStringLiteral("GRANT ALL ON %1.* TO ?@'127.0.0.1'")
                            .arg(host::Conexion::identificador(b.replace('_', "\\_"))),
                        {nombre_});
    }
    ~UsuarioLimitado() { c_->ejecuta(QStringLiteral("DROP USER ?@'127.0.0.1'"), {nombre_}); }
    host::BasesDD bases(host::BasesDD b) const {
        b.cUsuario = nombre_;
        b.cPassword = QStringLiteral("clave");
        return b;
    }

private:
    QString nombre_;
    std::unique_ptr<host::Conexion> c_;
};

} // namespace

TEST(EmpresasOrigen, OpenedByLowerCaseNameAndEverySkippedOneReportedWhileTheOthersRun) {
    Escenario e(2);
    auto& enMayusculas = e.empresa(1); // listed in capitals, stored in lower case
    auto& negada = e.empresa(2);       // the user has no rights on it
    e.conexion().ejecuta(
        QStringLiteral("UPDATE generalkorvan.empresas SET BaseDeDatos=UPPER(BaseDeDatos) "
                       "WHERE BaseDeDatos=?"),
        {enMayusculas.nombre()});
    pruebas::BaseEmpresa soloMayusculas(QStringLiteral("MAY")); // no lower-case twin
    e.registra(soloMayusculas.nombre());
    e.registra(enMayusculas.nombre()); // the same database listed twice
    const QString falta = pruebas::nombreUnico(QStringLiteral("falta"));
    e.registra(falta);
    pruebas::BaseEmpresa sinRenglones(QStringLiteral("acu"));
    sinRenglones.conexion().ejecuta(QStringLiteral("DROP TABLE pedidosdetalle"));
    sinRenglones.conexion().ejecuta(
        QStringLiteral("INSERT INTO pedidos (Factura, Fecha) VALUES (9, ?)"), {desde});
    e.registra(sinRenglones.nombre());
    e.registra(QStringLiteral("information_schema")); // a system database answers otherwise
    e.pedido(enMayusculas, QString(), 1, desde, {{QStringLiteral("P1"), 2, 2}});
    e.pedido(negada, QString(), 2, desde, {{QStringLiteral("P1"), 2, 2}});
    e.pedido(soloMayusculas, QString(), 3, desde, {{QStringLiteral("P1"), 2, 2}});
    UsuarioLimitado usuario({e.actual().nombre(), enMayusculas.nombre(), soloMayusculas.nombre(),
                             sinRenglones.nombre()});
    const host::BasesDD bases = usuario.bases(e.bases());

    const auto r = clsAcumular(bases, ingles).BuscarPedidos(desde, hasta);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(
        r.renglones,
        QStringList({QStringLiteral("Pedido 1 en %1  Total: 116.00").arg(enMayusculas.nombre()),
                     QStringLiteral("Pedido 3 en %1  Total: 116.00")
                         .arg(soloMayusculas.nombre().toLower())}));
    const QStringList motivos = {
        QStringLiteral("no tiene permiso para usar la base de datos \"%1\"").arg(negada.nombre()),
        QStringLiteral("está repetida en la lista de empresas (es la base de datos \"%1\", ya "
                       "incluida)")
            .arg(enMayusculas.nombre()),
        QStringLiteral("no tiene permiso para usar la base de datos \"%1\", o no existe")
            .arg(falta),
        QStringLiteral("la base de datos \"%1\" no tiene la tabla pedidosdetalle")
            .arg(sinRenglones.nombre()),
        // As the generation says it: the search leaves out what the generation would.
        QStringLiteral("la base de datos \"information_schema\" no tiene las tablas pedidos, "
                       "pedidosdetalle y productos")};
    const QStringList listadas = {negada.nombre(), enMayusculas.nombre(), falta,
                                  sinRenglones.nombre(), QStringLiteral("information_schema")};
    ASSERT_EQ(r.omitidas.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.omitidas[i].empresa, listadas[i]);
        EXPECT_TRUE(r.omitidas[i].motivo.contains(motivos[i]))
            << r.omitidas[i].motivo.toStdString();
    }

    const auto g = clsAcumular(bases, ingles).GeneraPedido(desde, hasta, QStringLiteral("A"), 1);
    ASSERT_TRUE(g.ok) << g.mensaje.toStdString();
    EXPECT_EQ(g.pedidosMovidos, 2);
    EXPECT_EQ(g.omitidas.size(), 5);
    EXPECT_EQ(enMayusculas.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 0);
    EXPECT_EQ(soloMayusculas.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 0);
    EXPECT_EQ(negada.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 1);
}
