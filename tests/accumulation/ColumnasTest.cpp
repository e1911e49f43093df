#include "Escenario.h"
#include "accumulation/clsAcumular.h"
#include "app/Comandos.h"
#include "journal/Bitacora.h"
#include "support/OrdenPrueba.h"

#include <gtest/gtest.h>

using acumulacion::clsAcumular;
using pruebas::Escenario;

namespace {

const QDate dia(2026, 5, 10);

pruebas::Salida corre(pruebas::Orden orden, Escenario& e, const QStringList& argumentos) {
    Programa programa;
    *programa.bases = e.bases();
    return pruebas::corre(orden, programa, argumentos);
}

} // namespace

// A company database of a newer version of the sales system keeps its columns elsewhere,
// has some the current database lacks and lacks some it has: every column goes by its name,
// in both tables, and the run says once which of its columns it did not copy.
TEST(ColumnasPorNombre, EachColumnIsCopiedByNameAndTheColumnsNotCopiedAreToldOnce) {
    Escenario e(2);
    auto& otra = e.empresa(1);
    auto& igual = e.empresa(2);
    e.pedido(otra, QStringLiteral("B"), 1, dia, {{"P1", 5, 2, "AL1"}, {"P2", 3, 3, "AL2"}});
    e.pedido(igual, QStringLiteral("C"), 2, dia, {{"P3", 4, 4, "AL3"}});
    for (auto* b : {&otra, &igual})
        b->ejecuta(QStringLiteral("UPDATE pedidos SET Nombre='Ferretería', Telefono='555-1234'"));
    otra.ejecuta(QStringLiteral(
        "ALTER TABLE pedidos MODIFY Telefono VARCHAR(30) NULL AFTER Cliente, MODIFY Sucursal "
        "VARCHAR(10) NULL FIRST, ADD COLUMN Ruta VARCHAR(10) NULL DEFAULT 'R9' AFTER Fecha, "
        "DROP COLUMN Capturado"));
    otra.ejecuta(QStringLiteral("ALTER TABLE pedidosdetalle MODIFY Almacen VARCHAR(10) NULL "
                                "FIRST, ADD COLUMN Color VARCHAR(10) NULL DEFAULT 'rojo' AFTER "
                                "Producto, DROP COLUMN Entrega"));
    // A column of the current database that no company has: its default.
    e.actual().ejecuta(
        QStringLiteral("ALTER TABLE pedidosdetalle ADD COLUMN Lote VARCHAR(5) NOT NULL "
                       "DEFAULT 'L0' AFTER Id"));
    const QString aviso =
        QStringLiteral("Aviso: la empresa \"%1\" tiene columnas que la base de datos \"%2\" no "
                       "tiene, y no se copian: pedidos.Ruta, pedidosdetalle.Color.\n")
            .arg(otra.nombre(), e.actual().nombre());

    const QStringList fechas{"--desde", "2026-05-10", "--hasta", "2026-05-10"};
    const auto b = corre(comandos::buscar, e, fechas);
    EXPECT_EQ(b.estado, 0);
    EXPECT_EQ(b.salida.count(QStringLiteral("Pedido ")), 2) << b.salida.toStdString();
    EXPECT_EQ(b.errores, aviso);
    const auto a = corre(comandos::acumular, e, fechas + QStringList{"--folio", "1"});
    EXPECT_EQ(a.estado, 0) << a.errores.toStdString();
    EXPECT_EQ(a.errores, aviso);

    auto& actual = e.actual();
    EXPECT_EQ(
        actual.valor(QStringLiteral(
            "SELECT GROUP_CONCAT(CONCAT_WS('|', Factura, Nombre, Telefono, Sucursal, "
            "IFNULL(Capturado, '-'), NotaF1) ORDER BY Factura SEPARATOR ' / ') FROM pedidos")),
        QStringLiteral("1|Ferretería|555-1234|SUC9|-|origen 1 / "
                       "2|Ferretería|555-1234|SUC9|2026-02-03 10:20:30|origen 2"));
    EXPECT_EQ(actual.valor(QStringLiteral(
                  "SELECT GROUP_CONCAT(CONCAT_WS('|', p.Factura, d.Partida, d.Producto, "
                  "d.Pedido, d.Almacen, IFNULL(d.Entrega, '-'), d.Lote) ORDER BY p.Factura, "
                  "d.Partida SEPARATOR ' / ') FROM pedidos p JOIN pedidosdetalle d ON d.Id=p.Id")),
              QStringLiteral("1|1|P1|2.0000|AL1|-|L0 / 1|2|P2|3.0000|AL2|-|L0 / "
                             "2|1|P3|4.0000|AL3|2026-03-04|L0"));
    EXPECT_EQ(otra.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 0);
    EXPECT_EQ(otra.valor(QStringLiteral("SELECT SUM(PorVender) FROM productos")),
              QStringLiteral("195.0000"));
    // The journal keeps what the user was told.
    EXPECT_TRUE(actual
                    .valor(QStringLiteral("SELECT Mensaje FROM %1")
                               .arg(bitacora::EsquemaBitacora::tablaCorridas()))
                    .contains(aviso.mid(7).chopped(2)));
}

// A company the copy cannot serve is left out with its reason before any of its orders is
// touched, the search leaves it out alike, and a value that its column refuses stops only the
// company it comes from.
TEST(ColumnasPorNombre, ACompanyThatCannotBeCopiedIsLeftOutAndTheNextStillMoves) {
    Escenario e(4);
    auto& sinSerie = e.empresa(1);
    auto& sinLote = e.empresa(2);
    auto& choque = e.empresa(3);
    auto& buena = e.empresa(4);
    for (int n = 1; n <= 4; ++n)
        e.pedido(e.empresa(n), QString(), n, dia, {{"P1", 2, 2}});
    e.pedido(choque, QString(), 30, dia, {{"P1", 2, 2}});
    e.actual().ejecuta(
        QStringLiteral("ALTER TABLE pedidosdetalle ADD COLUMN Lote VARCHAR(5) NOT NULL"));
    for (auto* b : {&sinSerie, &choque, &buena})
        b->ejecuta(QStringLiteral(
            "ALTER TABLE pedidosdetalle ADD COLUMN Lote VARCHAR(5) NOT NULL DEFAULT 'L7'"));
    sinSerie.ejecuta(QStringLiteral("ALTER TABLE pedidos DROP COLUMN Serie"));
    choque.ejecuta(QStringLiteral("ALTER TABLE pedidos MODIFY Vence VARCHAR(10)"));
    choque.ejecuta(QStringLiteral("UPDATE pedidos SET Vence='S1'"));
    // Listed last: the generation would leave it out, so the search does too.
    pruebas::BaseEmpresa sinProductos(QStringLiteral("acu"));
    e.pedido(sinProductos, QString(), 5, dia, {{"P1", 2, 2}});
    sinProductos.ejecuta(QStringLiteral("DROP TABLE productos"));
    e.registra(sinProductos.nombre());

    const QStringList motivos{
        QStringLiteral("la tabla pedidos de la base de datos \"%1\" no tiene la columna Serie")
            .arg(sinSerie.nombre()),
        QStringLiteral("la columna Lote de la tabla pedidosdetalle de la base de datos \"%1\" "
                       "exige un valor y no tiene valor predeterminado, y la base de datos "
                       "\"%2\" no tiene esa columna")
            .arg(e.actual().nombre(), sinLote.nombre()),
        QStringLiteral("la base de datos \"%1\" no tiene la tabla productos")
            .arg(sinProductos.nombre())};
    const QStringList listadas{sinSerie.nombre(), sinLote.nombre(), sinProductos.nombre()};
    const clsAcumular acumular(e.bases());
    const auto busqueda = acumular.BuscarPedidos(dia, dia);
    ASSERT_TRUE(busqueda.ok) << busqueda.mensaje.toStdString();
    EXPECT_EQ(busqueda.renglones.size(), 3);
    ASSERT_EQ(busqueda.omitidas.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(busqueda.omitidas[i].empresa, listadas[i]);
        EXPECT_EQ(busqueda.omitidas[i].motivo, motivos[i]);
    }

    const auto r = acumular.GeneraPedido(dia, dia, QStringLiteral("A"), 1);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.omitidas.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(r.omitidas[i].motivo, motivos[i]);
    // The clash is told with its company, and the company after it still moved.
    EXPECT_TRUE(r.mensaje.startsWith(
        QStringLiteral("No se pudo acumular el pedido 3 de %1:").arg(choque.nombre())))
        << r.mensaje.toStdString();
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("Vence"))) << r.mensaje.toStdString();
    EXPECT_FALSE(r.mensaje.contains(QStringLiteral("repita la operación")));
    EXPECT_EQ(r.pedidosMovidos, 1);
    EXPECT_EQ(e.actual().valor(QStringLiteral("SELECT CONCAT(p.NotaF1, '|', d.Lote) FROM pedidos "
                                              "p JOIN pedidosdetalle d ON d.Id=p.Id")),
              QStringLiteral("origen 4|L7"));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(e.empresa(n).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")),
                  n == 3 ? 2 : 1);
    EXPECT_EQ(buena.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")), 0);
}
