#include "ArchivoPrueba.h"
#include "accumulation/clsAcumular.h"
#include "db/GeneradorDemo.h"
#include "import/Importacion.h"

#include <gtest/gtest.h>

// Two accumulations into series A, the second from a lower folio, then an import into the
// same database, whose counter of series B another program left below its orders.
TEST(FoliosUnicos, AccumulationsFromALowerFolioAndAnImportNeverRepeatASeriesAndFolio) {
    pruebas::BaseEmpresa actual(QStringLiteral("fuactual")), otra(QStringLiteral("fuotra"));
    auto c = pruebas::conecta();
    demo::Parametros p;
    p.pedidos = 150;
    demo::llenaEmpresa(*c, actual.nombre(), p, 1);
    demo::llenaEmpresa(*c, otra.nombre(), p, 2);
    demo::creaGeneral(*c);
    demo::registraEmpresa(*c, actual.nombre());
    demo::registraEmpresa(*c, otra.nombre());
    acumulacion::clsAcumular acumular(pruebas::basesDD(actual.nombre()));
    const auto primera =
        acumular.GeneraPedido(QDate(2026, 1, 1), QDate(2026, 6, 30), QStringLiteral("A"), 1000);
    ASSERT_GT(
        acumular.GeneraPedido(QDate(2026, 7, 1), QDate(2026, 12, 31), QStringLiteral("A"), 100)
            .pedidosMovidos,
        0);
    EXPECT_EQ(actual.valor(QStringLiteral("SELECT Contenido FROM sistema WHERE Dato='PE-A'")),
              QString::number(primera.ultimoFolio));

    actual.ejecuta(QStringLiteral("UPDATE sistema SET Contenido='0' WHERE Dato='PE-B'"));
    QByteArray bytes;
    const QByteArray series[] = {"A", "B", ""};
    for (int i = 0; i < 3000; ++i)
        bytes += prueba::encabezado(series[i % 3], "C1");
    QTemporaryDir carpeta;
    const auto r = importacion::SubePedidos(actual.conexion(), prueba::archivo(carpeta, bytes),
                                            carpeta.path());
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(actual.valor(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT Serie, Factura) FROM "
                                          "pedidos")),
              QStringLiteral("0"));
    // Every counter is at or above the highest folio of its series.
    EXPECT_EQ(actual.valor(QStringLiteral(
                  "SELECT COUNT(*) FROM (SELECT Serie, MAX(Factura) AS Folio FROM pedidos GROUP BY "
                  "Serie) x LEFT JOIN sistema s ON s.Dato=CONCAT('PE-', x.Serie) "
                  "WHERE s.Dato IS NULL OR CAST(s.Contenido AS SIGNED) < x.Folio")),
              QStringLiteral("0"));
}
