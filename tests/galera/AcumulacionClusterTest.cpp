#include "Cluster.h"
#include "accumulation/clsAcumular.h"
#include "db/GeneradorDemo.h"

#include <QHash>
#include <QSet>
#include <gtest/gtest.h>
#include <iostream>

using host::Conexion;
namespace cluster = pruebas::cluster;

namespace {

// Of one company: its orders with pending lines, and what each product has pending.
struct Pendientes {
    QSet<qint64> pedidos;
    QHash<QString, double> porProducto;
};

Pendientes pendientes(Conexion& c, const QString& base) {
    Pendientes p;
    auto rs = c.consulta(QStringLiteral("SELECT Id, Producto, Pedido FROM %1.pedidosdetalle "
                                        "WHERE Pedido<>0")
                             .arg(Conexion::identificador(base)));
    for (; !rs->eof(); rs->MoveNext()) {
        p.pedidos.insert(rs->entero(0));
        p.porProducto[rs->texto(1)] += rs->numero(2);
    }
    return p;
}

QHash<QString, double> porVender(Conexion& c, const QString& base) {
    QHash<QString, double> salida;
    for (auto rs = c.consulta(QStringLiteral("SELECT Clave, PorVender FROM %1.productos")
                                  .arg(Conexion::identificador(base)));
         !rs->eof(); rs->MoveNext())
        salida.insert(rs->texto(0), rs->numero(1));
    return salida;
}

} // namespace

// Both runs take the series' counter row and the same pending lines; the cluster lets one
// commit through and the other's groups are run again on what is left.
TEST(AcumulacionEnCluster, TwoRunsThroughTwoNodesIntoOneSeriesMoveEachOrderOnce) {
    if (!cluster::disponible())
        GTEST_SKIP();
    demo::Parametros p;
    p.empresas = 2;
    p.pedidos = 300;
    p.prefijo = pruebas::nombreUnico(QStringLiteral("gacum"));
    auto c = pruebas::conecta();
    const QStringList bases = demo::generaDemo(*c, p);
    struct Borra {
        Conexion& c;
        const QStringList& bases;
        ~Borra() {
            for (const QString& b : bases)
                c.ejecuta(
                    QStringLiteral("DROP DATABASE IF EXISTS %1").arg(Conexion::identificador(b)));
        }
    } borra{*c, bases};
    QHash<QString, Pendientes> antes;
    QHash<QString, QHash<QString, double>> porVenderAntes;
    int esperados = 0;
    for (const QString& b : bases) {
        cluster::agregaLlave(*c, b);
        if (b == bases[0])
            continue;
        antes[b] = pendientes(*c, b);
        porVenderAntes[b] = porVender(*c, b);
        esperados += antes[b].pedidos.size();
    }

    std::vector<std::unique_ptr<acumulacion::clsAcumular>> corridas;
    for (int n : {1, 2}) {
        corridas.push_back(
            std::make_unique<acumulacion::clsAcumular>(cluster::basesNodo(n, bases[0])));
        corridas.back()->setPedidosPorTransaccion(5);
    }
    std::vector<acumulacion::Resultado> r(2);
    const qint64 conflictosAntes = cluster::conflictos();
    cluster::aLaVez(2, [&](int k) {
        r[k] = corridas[k]->GeneraPedido(p.desde, p.hasta, QStringLiteral("K"), 1, {});
    });
    std::cout << "conflictos del clúster, dos acumulaciones: "
              << cluster::conflictos() - conflictosAntes << std::endl;
    for (const auto& una : r)
        ASSERT_TRUE(una.ok) << una.mensaje.toStdString();
    EXPECT_EQ(r[0].pedidosMovidos + r[1].pedidosMovidos, esperados);

    // Read through the third node, once it has everything the others committed.
    auto nodo3 = Conexion::abrir(cluster::nodo(3, bases[0]));
    nodo3->ejecuta(QStringLiteral("SET SESSION wsrep_sync_wait=1"));
    EXPECT_EQ(nodo3
                  ->consulta(QStringLiteral("SELECT CONCAT(COUNT(*), ' ', COUNT(DISTINCT Factura), "
                                            "' ', COUNT(DISTINCT Sucursal, NotaF1), ' ', "
                                            "MAX(Factura)) FROM pedidos WHERE Serie='K'"))
                  ->texto(0),
              QStringLiteral("%1 %1 %1 %1").arg(esperados));
    EXPECT_EQ(nodo3->consulta(QStringLiteral("SELECT Contenido FROM sistema WHERE Dato='PE-K'"))
                  ->entero(0),
              esperados);
    for (auto b = antes.cbegin(); b != antes.cend(); ++b) {
        EXPECT_TRUE(pendientes(*nodo3, b.key()).pedidos.isEmpty()) << b.key().toStdString();
        const auto ahora = porVender(*nodo3, b.key());
        for (auto k = b->porProducto.cbegin(); k != b->porProducto.cend(); ++k)
            EXPECT_NEAR(ahora[k.key()], porVenderAntes[b.key()][k.key()] - k.value(), 1e-6)
                << b.key().toStdString() << " " << k.key().toStdString();
    }
}
