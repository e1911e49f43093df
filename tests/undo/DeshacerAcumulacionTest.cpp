#include "Escenario.h"
#include "accumulation/clsAcumular.h"
#include "journal/Bitacora.h"
#include "support/OrdenPrueba.h"
#include "undo/ComandoDeshacer.h"
#include "undo/Deshacer.h"

#include <gtest/gtest.h>

using acumulacion::clsAcumular;
using deshacer::DeshaceCorrida;
using deshacer::OpcionesDeshacer;
using pruebas::Escenario;

namespace {

const QDate dia(2026, 5, 10);

// What an accumulation changes at a source: the pending quantities and the stock.
QString origen(pruebas::BaseEmpresa& b) {
    QStringList partes;
    for (auto rs = b.conexion().consulta(QStringLiteral("CHECKSUM TABLE pedidos, pedidosdetalle, "
                                                        "productos"));
         !rs->eof(); rs->MoveNext())
        partes << rs->texto(1);
    return partes.join(QLatin1Char(' '));
}

qint64 ultimaCorrida(pruebas::BaseEmpresa& b) {
    return b
        .valor(QStringLiteral("SELECT MAX(Id) FROM %1")
                   .arg(bitacora::EsquemaBitacora::tablaCorridas()))
        .toLongLong();
}

// Two source companies, one with two lines alike (same Partida and product) in one order.
struct Acumulada {
    Escenario e{2};
    QString antes1, antes2, actualAntes, contador;
    qint64 corrida = 0;
    Programa programa;

    Acumulada() {
        e.pedido(e.actual(), QStringLiteral("A"), 5, dia, {});
        e.pedido(e.empresa(1), QStringLiteral("B"), 11, dia,
                 {{"P1", 5, 2.5}, {"P2", 3, 0}, {"P1", 4, 4}});
        e.pedido(e.empresa(1), QString(), 12, dia, {{"P2", 3, 3}});
        e.pedido(e.empresa(2), QStringLiteral("B"), 11, dia, {{"P1", 4, 1.25}});
        e.empresa(2).ejecuta(QStringLiteral("UPDATE pedidosdetalle SET Partida=1"));
        e.pedido(e.empresa(2), QStringLiteral("B"), 13, dia, {{"P3", 2, 2}, {"P3", 2, 2}});
        e.empresa(2).ejecuta(QStringLiteral("UPDATE pedidosdetalle SET Partida=7 WHERE "
                                            "Producto='P3'"));
        antes1 = origen(e.empresa(1));
        antes2 = origen(e.empresa(2));
        actualAntes = e.actual().valor(QStringLiteral("SELECT COUNT(*) FROM pedidos"));
        const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 10);
        EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
        EXPECT_EQ(r.pedidosMovidos, 4);
        corrida = ultimaCorrida(e.actual());
        contador = e.actual().valor(QStringLiteral("SELECT Contenido FROM sistema WHERE "
                                                   "Dato='PE-A'"));
        *programa.bases = e.bases();
    }
    pruebas::Salida deshace(QStringList mas = {}) {
        return pruebas::corre(comandos::deshacer, programa,
                              QStringList{QStringLiteral("--corrida"), QString::number(corrida)} +
                                  mas);
    }
};

} // namespace

// Every source line gets back exactly the pending quantity it gave and the source stock is
// raised by it: the source tables are as before the run, checksum for checksum, the new
// orders are gone and the series counter stays where the run left it.
TEST(DeshacerAcumulacion, PutsTheSourcesBackExactlyAndRemovesTheNewOrders) {
    Acumulada a;
    ASSERT_NE(origen(a.e.empresa(1)), a.antes1);
    const pruebas::Salida s = a.deshace();
    ASSERT_EQ(s.estado, 0) << s.errores.toStdString() << s.salida.toStdString();
    EXPECT_EQ(origen(a.e.empresa(1)), a.antes1);
    EXPECT_EQ(origen(a.e.empresa(2)), a.antes2);
    EXPECT_EQ(a.e.actual().valor(QStringLiteral("SELECT COUNT(*) FROM pedidos")), a.actualAntes);
    EXPECT_EQ(a.e.actual().cuenta(QStringLiteral("pedidosdetalle")), 0);
    EXPECT_EQ(a.e.actual().valor(QStringLiteral("SELECT Contenido FROM sistema WHERE Dato='PE-A'")),
              a.contador);
    EXPECT_TRUE(s.salida.contains(
        QStringLiteral(": vuelve al pedido B-11 (Id 1) de %1").arg(a.e.empresa(1).nombre())))
        << s.salida.toStdString();
    EXPECT_TRUE(s.salida.contains(
        QStringLiteral("  %1 P1: 93.5000 → 100.0000").arg(a.e.empresa(1).nombre())))
        << s.salida.toStdString();

    // The orders are pending again: the next accumulation finds and moves them.
    const auto otra = clsAcumular(a.e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 10);
    EXPECT_EQ(otra.pedidosMovidos, 4) << otra.mensaje.toStdString();
    const pruebas::Salida dosVeces = a.deshace();
    EXPECT_EQ(dosVeces.estado, 0);
    EXPECT_TRUE(dosVeces.salida.startsWith(QStringLiteral("No hay nada que deshacer")))
        << dosVeces.salida.toStdString();
}

// A source product deleted since the run cannot take its stock back; the lines still get
// their pending quantities back, and the undo names the product.
TEST(DeshacerAcumulacion, ASourceProductDeletedSinceTheRunIsTold) {
    Acumulada a;
    a.e.empresa(2).ejecuta(QStringLiteral("DELETE FROM productos WHERE Clave='P3'"));
    const pruebas::Salida s = a.deshace();
    ASSERT_EQ(s.estado, 0) << s.errores.toStdString() << s.salida.toStdString();
    EXPECT_TRUE(s.errores.contains(QStringLiteral("Aviso: El producto P3 no está en la tabla "
                                                  "productos de la base de datos \"%1\"")
                                       .arg(a.e.empresa(2).nombre())))
        << s.errores.toStdString();
    EXPECT_EQ(a.e.empresa(2).valor(QStringLiteral("SELECT GROUP_CONCAT(Pedido ORDER BY Id, "
                                                  "Partida) FROM pedidosdetalle")),
              QStringLiteral("1.2500,2.0000,2.0000"));
    EXPECT_EQ(origen(a.e.empresa(1)), a.antes1);
}

// A new order invoiced in the current database, or a source order that got new pending
// quantities, is left alone: refused by default, the others undone with --parcial.
TEST(DeshacerAcumulacion, LeavesOrdersChangedOnEitherSide) {
    Acumulada a;
    // The first new order is invoiced; the last source order gets a new pending quantity.
    a.e.actual().ejecuta(QStringLiteral("UPDATE pedidosdetalle SET Pedido=0, Facturado=1 WHERE "
                                        "Id=(SELECT MIN(Id) FROM pedidos WHERE Factura=10)"));
    a.e.empresa(2).ejecuta(QStringLiteral("UPDATE pedidosdetalle SET Pedido=1 WHERE "
                                          "Producto='P3' LIMIT 1"));
    const QString fuente1 = origen(a.e.empresa(1));
    const pruebas::Salida rechazo = a.deshace();
    EXPECT_EQ(rechazo.estado, 1);
    EXPECT_TRUE(rechazo.salida.contains(QStringLiteral("A-10 (Id 2): se modificó")))
        << rechazo.salida.toStdString();
    EXPECT_TRUE(rechazo.salida.contains(QStringLiteral("tiene otra vez cantidades pendientes")))
        << rechazo.salida.toStdString();
    EXPECT_EQ(origen(a.e.empresa(1)), fuente1);

    const pruebas::Salida parcial = a.deshace({QStringLiteral("--parcial")});
    ASSERT_EQ(parcial.estado, 0) << parcial.errores.toStdString();
    EXPECT_EQ(a.e.actual().valor(QStringLiteral("SELECT GROUP_CONCAT(Factura ORDER BY Factura) "
                                                "FROM pedidos WHERE Serie='A'")),
              QStringLiteral("5,10,13"));
    // Order 12 of the first company is pending again; order B-11 stays moved.
    EXPECT_EQ(a.e.empresa(1).valor(QStringLiteral("SELECT GROUP_CONCAT(Id, ':', Pedido ORDER BY "
                                                  "Id, Pedido) FROM pedidosdetalle")),
              QStringLiteral("1:0.0000,1:0.0000,1:0.0000,2:3.0000"));
}

// A source laid out otherwise (columns elsewhere, one of its own, some missing) and a current
// database with a column no source has: the undo still puts every source back exactly.
TEST(DeshacerAcumulacion, SourcesLaidOutOtherwiseArePutBackExactly) {
    Escenario e(2);
    auto& otra = e.empresa(1);
    e.pedido(otra, QStringLiteral("B"), 1, dia, {{"P1", 5, 2, "AL1"}, {"P2", 3, 3, "AL2"}});
    e.pedido(e.empresa(2), QStringLiteral("C"), 2, dia, {{"P3", 4, 4, "AL3"}});
    otra.ejecuta(QStringLiteral(
        "ALTER TABLE pedidos MODIFY Telefono VARCHAR(30) NULL AFTER Cliente, MODIFY Sucursal "
        "VARCHAR(10) NULL FIRST, ADD COLUMN Ruta VARCHAR(10) NULL DEFAULT 'R9' AFTER Fecha, "
        "DROP COLUMN Capturado"));
    otra.ejecuta(QStringLiteral("ALTER TABLE pedidosdetalle MODIFY Almacen VARCHAR(10) NULL "
                                "FIRST, MODIFY Pedido DECIMAL(18,4) NULL AFTER Almacen, ADD "
                                "COLUMN Color VARCHAR(10) NULL DEFAULT 'rojo' AFTER Producto, "
                                "DROP COLUMN Entrega"));
    e.actual().ejecuta(QStringLiteral("ALTER TABLE pedidosdetalle ADD COLUMN Lote VARCHAR(5) NOT "
                                      "NULL DEFAULT 'L0' AFTER Id"));
    const QString antes1 = origen(otra), antes2 = origen(e.empresa(2));
    const auto r = clsAcumular(e.bases()).GeneraPedido(dia, dia, QStringLiteral("A"), 10);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    ASSERT_EQ(r.pedidosMovidos, 2);
    ASSERT_NE(origen(otra), antes1);

    Programa programa;
    *programa.bases = e.bases();
    const pruebas::Salida s =
        pruebas::corre(comandos::deshacer, programa,
                       {QStringLiteral("--corrida"), QString::number(ultimaCorrida(e.actual()))});
    ASSERT_EQ(s.estado, 0) << s.errores.toStdString() << s.salida.toStdString();
    EXPECT_EQ(origen(otra), antes1);
    EXPECT_EQ(origen(e.empresa(2)), antes2);
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 0);
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidosdetalle")), 0);
}

// A source database dropped since the run: its orders cannot be checked, so they are left and
// told as such (not as changed), the cause given once; with --parcial the other source is put
// back exactly.
TEST(DeshacerAcumulacion, ASourceDatabaseGoneLeavesItsOrdersAsUnchecked) {
    Acumulada a;
    const QString perdida = a.e.empresa(2).nombre();
    a.e.actual().ejecuta(
        QStringLiteral("DROP DATABASE %1").arg(host::Conexion::identificador(perdida)));
    const pruebas::Salida rechazo = a.deshace();
    EXPECT_EQ(rechazo.estado, 1);
    const QString leer =
        QStringLiteral("no se pudo leer la base de datos de origen %1").arg(perdida);
    EXPECT_EQ(rechazo.salida.count(leer + QStringLiteral(": ya no existe en el servidor")), 1)
        << rechazo.salida.toStdString();
    EXPECT_EQ(rechazo.salida.count(leer + QStringLiteral(" (el mismo motivo que el pedido A-")), 1)
        << rechazo.salida.toStdString();
    EXPECT_TRUE(rechazo.errores.contains(QStringLiteral("hay 2 pedidos que no se pudieron "
                                                        "comprobar")))
        << rechazo.errores.toStdString();
    EXPECT_FALSE(rechazo.errores.contains(QStringLiteral("cambiaron")))
        << rechazo.errores.toStdString();

    const pruebas::Salida parcial = a.deshace({QStringLiteral("--parcial")});
    ASSERT_EQ(parcial.estado, 0) << parcial.errores.toStdString();
    EXPECT_TRUE(parcial.salida.contains(QStringLiteral("Se dejaron 2 pedidos que no se pudieron "
                                                       "comprobar.")))
        << parcial.salida.toStdString();
    EXPECT_EQ(origen(a.e.empresa(1)), a.antes1);
    EXPECT_EQ(a.e.actual().cuenta(QStringLiteral("pedidos")), 3);
}
