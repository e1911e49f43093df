#include "accumulation/clsAcumular.h"
#include "db/GeneradorDemo.h"
#include "import/ArchivoPrueba.h"
#include "import/Importacion.h"

#include <QHash>
#include <gtest/gtest.h>
#include <thread>

using host::Conexion;

namespace {

// A transfer file of n orders of series I, order i with one line of product IMPi.
QByteArray pedidosDeUnRenglon(int n) {
    QByteArray archivo;
    for (int i = 1; i <= n; ++i)
        archivo += prueba::encabezado("I", "C1") +
                   prueba::renglon("IMP" + QByteArray::number(i), QByteArray::number(i));
    return archivo;
}

// Each order's lines (those still pending, or all) as "Partida/Producto/Cantidad/Pedido", in
// Partida order.
QHash<qint64, QString> renglones(Conexion& c, const QString& tabla, bool pendientes) {
    QHash<qint64, QString> salida;
    for (auto rs = c.consulta(QStringLiteral("SELECT Id, GROUP_CONCAT(CONCAT_WS('/', Partida, "
                                             "Producto, Cantidad, Pedido) ORDER BY Partida) "
                                             "FROM %1 WHERE Pedido<>0 OR ? GROUP BY Id")
                                  .arg(tabla),
                              {!pendientes});
         !rs->eof(); rs->MoveNext())
        salida.insert(rs->entero(0), rs->texto(1));
    return salida;
}

// The pending lines of each source company, by the company's database.
QHash<QString, QHash<qint64, QString>> pendientesDeOrigen(Conexion& c, const QStringList& bases) {
    QHash<QString, QHash<qint64, QString>> origen;
    for (const QString& b : bases.mid(1))
        origen[b] =
            renglones(c, Conexion::identificador(b) + QStringLiteral(".pedidosdetalle"), true);
    return origen;
}

// Checks that every accumulated order of the series holds exactly its source's pending lines
// (the demo's note names the source order and its branch its company); gives how many there
// are.
int comparaConOrigen(Conexion& actual, const QStringList& bases,
                     const QHash<QString, QHash<qint64, QString>>& origen, const QString& series) {
    const auto nuevos = renglones(actual, QStringLiteral("pedidosdetalle"), false);
    int movidos = 0;
    for (auto rs = actual.consulta(QStringLiteral("SELECT Id, Sucursal, SUBSTRING_INDEX(NotaF1, "
                                                  "' ', -1) FROM pedidos WHERE Serie IN (%1)")
                                       .arg(series));
         !rs->eof(); rs->MoveNext(), ++movidos) {
        const QString& base = bases.value(rs->texto(1).mid(3).toInt() - 1);
        const QString esperado = origen[base].value(rs->entero(2));
        EXPECT_FALSE(esperado.isEmpty()) << rs->texto(1).toStdString();
        EXPECT_EQ(nuevos.value(rs->entero(0)), esperado) << rs->entero(0);
    }
    return movidos;
}

} // namespace

// With interleaved auto-increment keys (as other servers of the family and replicated
// clusters run), two accumulations into other series and an import, all at once into one
// database, give every new order its own Id, its own folio and its own lines.
TEST(AutoincrementoIntercalado, AccumulationsAndAnImportAtOnceKeepEachOrderWithItsLines) {
    pruebas::ServidorPropio servidor(pruebas::puertoPropio(32),
                                     {QStringLiteral("--innodb-autoinc-lock-mode=2")});
    auto c = Conexion::abrir(servidor.parametros());
    ASSERT_EQ(c->consulta(QStringLiteral("SELECT @@innodb_autoinc_lock_mode"))->entero(0), 2);
    demo::Parametros p;
    p.empresas = 2;
    p.pedidos = 300;
    p.prefijo = QStringLiteral("intercalado");
    const QStringList bases = demo::generaDemo(*c, p);
    const auto origen = pendientesDeOrigen(*c, bases);

    const QByteArray archivo = pedidosDeUnRenglon(400);
    QTemporaryDir carpeta;
    const QString ruta = prueba::archivo(carpeta, archivo);

    acumulacion::Resultado ra, rb;
    importacion::ResultadoImportacion ri;
    std::thread a([&] {
        acumulacion::clsAcumular acumular(servidor.basesDD(bases[0]));
        acumular.setPedidosPorTransaccion(7);
        ra = acumular.GeneraPedido(p.desde, QDate(2026, 6, 30), QStringLiteral("X"), 1);
    });
    std::thread b([&] {
        acumulacion::clsAcumular acumular(servidor.basesDD(bases[0]));
        acumular.setPedidosPorTransaccion(7);
        rb = acumular.GeneraPedido(QDate(2026, 7, 1), p.hasta, QStringLiteral("Y"), 1);
    });
    std::thread i(
        [&] { ri = importacion::SubePedidos(servidor.basesDD(), bases[0], ruta, carpeta.path()); });
    a.join();
    b.join();
    i.join();
    ASSERT_TRUE(ra.ok) << ra.mensaje.toStdString();
    ASSERT_TRUE(rb.ok) << rb.mensaje.toStdString();
    ASSERT_TRUE(ri.ok) << ri.mensaje.toStdString();
    ASSERT_GT(ra.pedidosMovidos, 0);
    ASSERT_GT(rb.pedidosMovidos, 0);

    auto actual = Conexion::abrir(servidor.parametros(bases[0]));
    const auto valor = [&](const char* sql) {
        return actual->consulta(QString::fromLatin1(sql))->texto(0);
    };
    EXPECT_EQ(valor("SELECT CONCAT(COUNT(*), '/', COUNT(DISTINCT Id), '/', COUNT(DISTINCT Serie, "
                    "Factura)) FROM pedidos WHERE Serie IN ('X','Y','I')"),
              QStringLiteral("%1/%1/%1").arg(ra.pedidosMovidos + rb.pedidosMovidos + 400));
    // Distinct folios from 1 up to the count in each series: no folio skipped or repeated.
    EXPECT_EQ(
        valor("SELECT GROUP_CONCAT(f ORDER BY f) FROM (SELECT CONCAT(Serie, COUNT(*), '=', "
              "MAX(Factura)) f FROM pedidos WHERE Serie IN ('X','Y','I') GROUP BY Serie) x"),
        QStringLiteral("I400=400,X%1=%1,Y%2=%2").arg(ra.pedidosMovidos).arg(rb.pedidosMovidos));
    EXPECT_EQ(comparaConOrigen(*actual, bases, origen, QStringLiteral("'X','Y'")),
              ra.pedidosMovidos + rb.pedidosMovidos);
    // Every imported order holds its own line: the n-th folio of series I, product IMPn.
    EXPECT_EQ(valor("SELECT COUNT(*) FROM pedidos p JOIN pedidosdetalle d ON d.Id=p.Id WHERE "
                    "p.Serie='I' AND d.Producto=CONCAT('IMP', p.Factura) AND d.Cantidad=p.Factura"),
              QStringLiteral("400"));
    EXPECT_EQ(valor("SELECT COUNT(*) FROM pedidosdetalle d LEFT JOIN pedidos p ON p.Id=d.Id "
                    "WHERE p.Id IS NULL"),
              QStringLiteral("0"));
}

// With interleaved keys and pedidos.Id given by a trigger instead of an automatic counter, the
// server reports no key for an insert: the accumulation and the import read the Ids back
// from what was stored, and every new order keeps exactly its lines.
TEST(AutoincrementoIntercalado, IdsGivenByATriggerAreReadBackByAccumulationAndImport) {
    pruebas::ServidorPropio servidor(pruebas::puertoPropio(32),
                                     {QStringLiteral("--innodb-autoinc-lock-mode=2")});
    auto c = Conexion::abrir(servidor.parametros());
    demo::Parametros p;
    p.empresas = 2;
    p.pedidos = 30;
    p.prefijo = QStringLiteral("disparador");
    const QStringList bases = demo::generaDemo(*c, p);
    c->ejecuta(QStringLiteral("USE %1").arg(Conexion::identificador(bases[0])));
    c->ejecuta(QStringLiteral("ALTER TABLE pedidos MODIFY Id INT NOT NULL"));
    c->ejecuta(QStringLiteral("CREATE TRIGGER da_id BEFORE INSERT ON pedidos FOR EACH ROW "
                              "SET NEW.Id=(SELECT IFNULL(MAX(Id), 0) + 3 FROM pedidos)"));
    const auto origen = pendientesDeOrigen(*c, bases);
    const QByteArray archivo = pedidosDeUnRenglon(50);
    QTemporaryDir carpeta;

    acumulacion::clsAcumular acumular(servidor.basesDD(bases[0]));
    acumular.setPedidosPorTransaccion(7);
    const auto ra = acumular.GeneraPedido(p.desde, p.hasta, QStringLiteral("X"), 1);
    ASSERT_TRUE(ra.ok) << ra.mensaje.toStdString();
    ASSERT_GT(ra.pedidosMovidos, 10);
    const auto ri = importacion::SubePedidos(servidor.basesDD(), bases[0],
                                             prueba::archivo(carpeta, archivo), carpeta.path());
    ASSERT_TRUE(ri.ok) << ri.mensaje.toStdString();

    EXPECT_EQ(comparaConOrigen(*c, bases, origen, QStringLiteral("'X'")), ra.pedidosMovidos);
    for (const importacion::PedidoImportado& i : ri.importados)
        EXPECT_EQ(c->consulta(QStringLiteral("SELECT COUNT(*) FROM pedidosdetalle WHERE Id=? AND "
                                             "Producto=?"),
                              {i.id, QStringLiteral("IMP%1").arg(i.folio)})
                      ->entero(0),
                  1)
            << i.texto().toStdString();
    EXPECT_EQ(c->consulta(QStringLiteral("SELECT COUNT(*) FROM pedidosdetalle d LEFT JOIN "
                                         "pedidos p ON p.Id=d.Id WHERE p.Id IS NULL"))
                  ->entero(0),
              0);
}
