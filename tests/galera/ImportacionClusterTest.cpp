#include "Cluster.h"
#include "import/ArchivoPrueba.h"
#include "import/Importacion.h"
#include "journal/Bitacora.h"

#include <QSet>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>

using host::Conexion;
using importacion::ResultadoImportacion;
using importacion::SubePedidos;
using namespace prueba;
namespace cluster = pruebas::cluster;

namespace {

class BaseCluster : public pruebas::BaseEmpresa {
public:
    explicit BaseCluster(const QString& prefijo) : BaseEmpresa(prefijo) {
        cluster::agregaLlave(conexion(), nombre());
    }
    // A connection through node n; its reads wait until that node has applied every
    // transaction the cluster committed before them.
    std::unique_ptr<Conexion> por(int n) {
        auto c = Conexion::abrir(cluster::nodo(n, nombre()));
        c->ejecuta(QStringLiteral("SET SESSION wsrep_sync_wait=1"));
        return c;
    }
    QString valorEn(int n, const QString& sql) { return por(n)->consulta(sql)->texto(0); }
};

std::vector<ResultadoImportacion> aLaVez(std::vector<std::function<ResultadoImportacion()>> f) {
    std::vector<ResultadoImportacion> r(f.size());
    cluster::aLaVez(int(f.size()), [&](int k) { r[std::size_t(k)] = f[std::size_t(k)](); });
    return r;
}

QByteArray pedidos(int cuantos, const QByteArray& marca) {
    QByteArray bytes;
    for (int i = 0; i < cuantos; ++i)
        bytes += encabezado(i % 2 ? "A" : "", "C" + QByteArray::number(i % 50),
                            {{27, "\"" + marca + QByteArray::number(i) + "\""}}) +
                 renglon("P", "1");
    return bytes;
}

} // namespace

// Same customers, counters and product in both files: the second commit to reach the cluster
// fails certification and is run again whole.
TEST(ImportacionEnCluster, TwoFilesThroughTwoNodesAtOnceGoInWithDistinctIdsAndFolios) {
    if (!cluster::disponible())
        GTEST_SKIP();
    BaseCluster b(QStringLiteral("gimporta"));
    b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('P',0)"));
    QTemporaryDir carpeta;
    std::vector<std::unique_ptr<Conexion>> conexiones;
    std::vector<std::function<ResultadoImportacion()>> importaciones;
    for (int k = 0; k < 2; ++k) {
        conexiones.push_back(Conexion::abrir(cluster::nodo(k + 1, b.nombre())));
        const QString ruta = archivo(carpeta, pedidos(1500, "f" + QByteArray::number(k)),
                                     QStringLiteral("p%1.txt").arg(k));
        importaciones.push_back(
            [&, k, ruta] { return SubePedidos(*conexiones[k], ruta, carpeta.path()); });
    }
    const qint64 antes = cluster::conflictos();
    const auto r = aLaVez(importaciones);
    std::cout << "conflictos del clúster, dos importaciones: " << cluster::conflictos() - antes
              << std::endl;
    const QSet<qint64> ids = prueba::idsImportados(r);
    EXPECT_EQ(ids.size(), 3000);
    EXPECT_EQ(b.valorEn(3, QStringLiteral("SELECT CONCAT((SELECT COUNT(*) FROM pedidos), ' ', "
                                          "(SELECT COUNT(DISTINCT Id) FROM pedidos), ' ', "
                                          "(SELECT COUNT(DISTINCT Serie, Factura) FROM pedidos), "
                                          "' ', (SELECT COUNT(*) FROM pedidosdetalle))")),
              QStringLiteral("3000 3000 3000 3000"));
    EXPECT_EQ(b.valorEn(2, QStringLiteral("SELECT CONCAT(GROUP_CONCAT(Contenido ORDER BY Dato), "
                                          "' ', (SELECT PorVender FROM productos), ' ', (SELECT "
                                          "COUNT(*) FROM clientes)) FROM sistema")),
              QStringLiteral("1500,1500 3000.0000 50"));
}

// What one node stored, another knows: the register refuses the file there, also when both
// nodes take it at the same moment.
TEST(ImportacionEnCluster, AFileImportedThroughOneNodeIsRefusedThroughAnother) {
    if (!cluster::disponible())
        GTEST_SKIP();
    BaseCluster b(QStringLiteral("gregistro"));
    QTemporaryDir carpeta;
    const QString primero = archivo(carpeta, pedidos(200, "uno"), QStringLiteral("uno.txt"));
    auto nodo1 = b.por(1);
    auto nodo2 = b.por(2);
    auto r = SubePedidos(*nodo1, primero, carpeta.path());
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    r = SubePedidos(*nodo2, primero, carpeta.path());
    EXPECT_TRUE(r.rechazadoPorImportados) << r.mensaje.toStdString();
    EXPECT_EQ(r.yaImportados.size(), 200);

    const QString segundo = archivo(carpeta, pedidos(1000, "dos"), QStringLiteral("dos.txt"));
    auto nodo3 = b.por(3);
    const qint64 antes = cluster::conflictos();
    const auto dos = aLaVez({[&] { return SubePedidos(*nodo2, segundo, carpeta.path()); },
                             [&] { return SubePedidos(*nodo3, segundo, carpeta.path()); }});
    std::cout << "conflictos del clúster, un archivo por dos nodos: "
              << cluster::conflictos() - antes << std::endl;
    ASSERT_NE(dos[0].ok, dos[1].ok) << dos[0].mensaje.toStdString() << "\n"
                                    << dos[1].mensaje.toStdString();
    const auto& rechazada = dos[0].ok ? dos[1] : dos[0];
    EXPECT_TRUE(rechazada.rechazadoPorImportados) << rechazada.mensaje.toStdString();
    EXPECT_EQ(rechazada.yaImportados.size(), 1000);
    EXPECT_EQ(b.valorEn(1, QStringLiteral("SELECT CONCAT((SELECT COUNT(*) FROM pedidos), ' ', "
                                          "(SELECT SUM(Veces) FROM acumulapedidos_huellas))")),
              QStringLiteral("1200 1200"));
    // Each node's journal lists every run: two stored, two refused.
    const auto corridas = bitacora::ConsultasBitacora::corridas(*b.por(3), {}, {});
    ASSERT_EQ(corridas.size(), 4);
    int hechas = 0;
    for (const auto& c : corridas)
        hechas += c.desenlace == bitacora::EstadoCorrida::Hecho;
    EXPECT_EQ(hechas, 2);
}

// The node an import writes through dies: the others hold all of it or none of it, and the
// import says the connection was lost, never that it stored the file.
TEST(ImportacionEnCluster, ANodeKilledMidImportLeavesAllOrNothingOnTheOthers) {
    if (!cluster::disponible())
        GTEST_SKIP();
    BaseCluster b(QStringLiteral("gcaida"));
    QTemporaryDir carpeta;
    const int total = 4000;
    const QString ruta = archivo(carpeta, pedidos(total, "caida"));
    struct Repone {
        ~Repone() { cluster::completa(); }
    } repone;
    auto nodo3 = Conexion::abrir(cluster::nodo(3, b.nombre()));
    importacion::LlamadasImportacion llamadas;
    bool muerto = false;
    llamadas.progreso = [&](qint64 n, qint64 de) {
        if (!muerto && n * 2 >= de) {
            muerto = true;
            cluster::mata(3);
        }
    };
    const auto r = SubePedidos(*nodo3, ruta, carpeta.path(), llamadas);
    ASSERT_TRUE(muerto);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("Se perdió la conexión")))
        << r.mensaje.toStdString();
    EXPECT_FALSE(r.mensaje.contains(QStringLiteral("quedó guardada."))) << r.mensaje.toStdString();
    for (int n : {1, 2}) {
        const QString cuentas = b.valorEn(
            n, QStringLiteral("SELECT CONCAT((SELECT COUNT(*) FROM pedidos), ' ', (SELECT COUNT(*) "
                              "FROM pedidosdetalle), ' ', (SELECT COUNT(*) FROM "
                              "acumulapedidos_pedidos))"));
        EXPECT_TRUE(cuentas == QStringLiteral("0 0 0") ||
                    cuentas == QStringLiteral("%1 %1 %1").arg(total))
            << "nodo " << n << ": " << cuentas.toStdString();
        // Half there would be the fault; what the message says must match what is there.
        if (r.mensaje.contains(QStringLiteral("no quedó guardada")) ||
            r.mensaje.contains(QStringLiteral("se deshizo por completo"))) {
            EXPECT_EQ(cuentas, QStringLiteral("0 0 0")) << r.mensaje.toStdString();
        }
    }
}
