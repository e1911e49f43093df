#include "ArchivoPrueba.h"
#include "import/Importacion.h"
#include "journal/Bitacora.h"
#include "support/EsperaBloqueo.h"

#include <QSet>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using importacion::SubePedidos;
using pruebas::BaseEmpresa;
using namespace prueba;

TEST(ImportacionesSimultaneas, ThreeImportsIntoOneDatabaseAllGoInWithDistinctIdsAndFolios) {
    BaseEmpresa b(QStringLiteral("simultaneas"));
    b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('P',0)"));
    QTemporaryDir carpeta;
    std::vector<importacion::ResultadoImportacion> r(3);
    std::vector<std::unique_ptr<host::Conexion>> conexiones;
    std::vector<std::thread> hilos;
    for (int k = 0; k < 3; ++k) {
        // The same customers in every file, and two series; other orders in each.
        QByteArray bytes;
        for (int i = 0; i < 1500; ++i)
            bytes += encabezado(i % 2 ? "A" : "", "C" + QByteArray::number(i % 50),
                                {{2, QByteArray::number(k)}}) +
                     renglon("P", "1");
        conexiones.push_back(pruebas::conecta(b.nombre()));
        const QString ruta = archivo(carpeta, bytes, QStringLiteral("p%1.txt").arg(k));
        hilos.emplace_back(
            [&, k, ruta] { r[k] = SubePedidos(*conexiones[k], ruta, carpeta.path()); });
    }
    for (std::thread& h : hilos)
        h.join();
    const QSet<qint64> ids = prueba::idsImportados(r);
    EXPECT_EQ(ids.size(), 4500);
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")) + b.cuenta(QStringLiteral("pedidosdetalle")),
              9000);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT COUNT(DISTINCT Serie, Factura) FROM pedidos")),
              QStringLiteral("4500"));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT(GROUP_CONCAT(Contenido ORDER BY Dato), ' ', "
                                     "(SELECT PorVender FROM productos), ' ', (SELECT COUNT(*) "
                                     "FROM clientes)) FROM sistema")),
              QStringLiteral("2250,2250 4500.0000 50"));
}

// Both imports look for the file's orders before writing, with a lock: the second one waits
// for the first and then finds them all, so the orders go in once.
TEST(ImportacionesSimultaneas, TwoImportsOfOneFileAtOnceLetOnlyOneThrough) {
    BaseEmpresa b(QStringLiteral("mismoarchivo"));
    QTemporaryDir carpeta;
    QByteArray bytes;
    for (int i = 0; i < 2000; ++i)
        bytes += encabezado(i % 2 ? "A" : "B", "C" + QByteArray::number(i)) + renglon("P", "1");
    const QString ruta = archivo(carpeta, bytes);
    std::vector<importacion::ResultadoImportacion> r(2);
    std::vector<std::unique_ptr<host::Conexion>> conexiones;
    for (int k = 0; k < 2; ++k)
        conexiones.push_back(pruebas::conecta(b.nombre()));
    pruebas::aLaVez(2, [&](int k) { r[k] = SubePedidos(*conexiones[k], ruta, carpeta.path()); });
    ASSERT_NE(r[0].ok, r[1].ok) << r[0].mensaje.toStdString() << r[1].mensaje.toStdString();
    const auto& rechazada = r[0].ok ? r[1] : r[0];
    EXPECT_TRUE(rechazada.rechazadoPorImportados) << rechazada.mensaje.toStdString();
    EXPECT_EQ(rechazada.yaImportados.size(), 2000);
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")) + b.cuenta(QStringLiteral("pedidosdetalle")),
              4000);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT(COUNT(*), ' ', SUM(Veces)) FROM "
                                     "acumulapedidos_huellas")),
              QStringLiteral("2000 2000"));
}

TEST(ImportacionesSimultaneas, ALockWaitIsRetriedWholeAndReportedOnlyAfterTheLastTry) {
    BaseEmpresa b(QStringLiteral("reintento"));
    QTemporaryDir carpeta;
    const QString ruta =
        archivo(carpeta, encabezado("A", "C1") + renglon("P", "1") + encabezado("A", "C2"));
    auto importador = pruebas::conecta(b.nombre());
    importador->ejecuta(QStringLiteral("SET SESSION innodb_lock_wait_timeout=1"));
    auto otro = pruebas::conecta(b.nombre());
    otro->ejecuta(QStringLiteral("INSERT INTO sistema VALUES ('PE-A','0')"));
    const auto ocupa = [&] {
        otro->iniciaTransaccion();
        otro->consulta(QStringLiteral("SELECT * FROM sistema WHERE Dato='PE-A' FOR UPDATE"));
    };
    // Busy for longer than one wait: a later try goes in, and its orders are told once. The
    // lock is let go only once the first try gave up its wait and the next one waits.
    const qint64 sesionImportador = pruebas::sesion(*importador);
    auto vigia = pruebas::conecta(b.nombre());
    ocupa();
    std::thread suelta([&] {
        EXPECT_TRUE(pruebas::esperaOtroIntento(*vigia, sesionImportador));
        otro->confirma();
    });
    auto r = SubePedidos(*importador, ruta, carpeta.path());
    suelta.join();
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    ASSERT_EQ(r.importados.size(), 2);
    EXPECT_EQ(r.importados[1].texto(), QStringLiteral("Id 2, folio A-2"));
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")) + b.cuenta(QStringLiteral("pedidosdetalle")), 3);

    // Broken off in its last round, after the journal's rows of the round were made ready:
    // the try that goes in records each of its orders once.
    otro->ejecuta(QStringLiteral("INSERT INTO productos (Clave) VALUES ('P')"));
    otro->iniciaTransaccion();
    otro->consulta(QStringLiteral("SELECT * FROM productos WHERE Clave='P' FOR UPDATE"));
    std::thread sueltaProducto([&] {
        EXPECT_TRUE(pruebas::esperaOtroIntento(*vigia, sesionImportador));
        otro->confirma();
    });
    r = SubePedidos(*importador, ruta, carpeta.path(), {}, {importacion::Importados::Repetir});
    sueltaProducto.join();
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(bitacora::ConsultasBitacora::pedidos(*importador, r.corrida).size(), 2);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT SUM(Veces) FROM acumulapedidos_huellas")),
              QStringLiteral("4"));

    // Held for good: a lock wait that ran out is tried once more only.
    const QString antes = estado(b);
    ocupa();
    r = SubePedidos(*importador, ruta, carpeta.path(), {}, {importacion::Importados::Repetir});
    otro->confirma();
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("se intentó 2 veces")))
        << r.mensaje.toStdString();
    EXPECT_EQ(estado(b), antes);
}

// Another program stores an order while the import waits for the highest one, again at each
// try: the import gives its orders the Ids after it, and both programs' orders are kept. The
// import must not take an Id from what it read before that wait.
TEST(ImportacionesSimultaneas, AnOrderStoredWhileTheImportWaitsForTheHighestIdKeepsItsId) {
    BaseEmpresa b(QStringLiteral("otroprograma"));
    b.ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Serie, Factura) VALUES (7, 'Z', 1)"));
    QTemporaryDir carpeta;
    const QString ruta = archivo(carpeta, encabezado("A", "C1") + renglon("P", "1") +
                                              encabezado("A", "C2") + renglon("P", "2"));
    auto importador = pruebas::conecta(b.nombre());
    const qint64 sesionImportador = pruebas::sesion(*importador);
    auto otro = pruebas::conecta(b.nombre());
    auto vigia = pruebas::conecta(b.nombre());
    // The other program's next order, not yet committed; it reads the highest Id with a
    // lock, so it waits for an import that holds it (and may be the one the server undoes to
    // let the import through: then it stores no more).
    const auto empiezaOtroPedido = [&] {
        otro->iniciaTransaccion();
        try {
            otro->ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Serie, Factura) SELECT "
                                         "MAX(Id) + 1, 'Z', SUM(Serie='Z') + 1 FROM pedidos"));
            return true;
        } catch (const host::ErrorBdD&) {
            otro->deshace();
            return false;
        }
    };
    std::atomic<bool> terminada = false;
    int guardados = 1;
    ASSERT_TRUE(empiezaOtroPedido());
    // More rounds than the import's tries: each try that waits gets another order committed
    // under it.
    std::thread otroPrograma([&] {
        for (int ronda = 0; ronda < 6; ++ronda) {
            const bool espera = pruebas::hastaQue(
                [&] { return terminada || pruebas::enEsperaDeBloqueo(*vigia, sesionImportador); },
                60s);
            otro->confirma();
            ++guardados;
            if (terminada || !espera || !empiezaOtroPedido())
                return;
        }
    });
    const auto r = SubePedidos(*importador, ruta, carpeta.path());
    terminada = true;
    otroPrograma.join();
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_GE(guardados, 2);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT(COUNT(*), '/', COUNT(DISTINCT Id), '/', "
                                     "SUM(Serie='Z'), '/', SUM(Serie='A')) FROM pedidos")),
              QStringLiteral("%1/%1/%2/2").arg(guardados + 2).arg(guardados));
    // Each imported order with its own line, and the other program's orders with none.
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(p.Serie, p.Factura, '=', "
                                     "d.Cantidad) ORDER BY p.Factura) FROM pedidosdetalle d "
                                     "JOIN pedidos p ON p.Id=d.Id")),
              QStringLiteral("A1=1.0000,A2=2.0000"));
}
