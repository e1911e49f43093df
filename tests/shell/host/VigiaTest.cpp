#include "shell/host/Vigia.h"
#include "shell/host/Recordset.h"
#include "support/IntermediarioMysql.h"
#include "support/ServidorPruebas.h"

#include "support/HastaQue.h"
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <future>
#include <mutex>

#include <gtest/gtest.h>

namespace {

bool hasta(const std::function<bool()>& listo) {
    return pruebas::hastaQue(listo, 20s);
}

} // namespace

TEST(Vigia, NamesWhatAStatementWaitsForAsTheServerTellsIt) {
    const QString inicio = QStringLiteral("Esperando a que otro usuario libere ");
    EXPECT_EQ(host::Vigia::espera(QStringLiteral("Statistics"),
                                  QStringLiteral("SELECT * FROM sistema WHERE Dato=? FOR UPDATE"),
                                  QStringLiteral("e1"), QStringLiteral("`e2`.`sistema`")),
              inicio + QStringLiteral("renglones de la tabla sistema de la base de datos \"e2\"…"));
    // ON DUPLICATE KEY UPDATE names no table; a derived table is no table either.
    EXPECT_EQ(host::Vigia::espera(QStringLiteral("Waiting for table metadata lock"),
                                  QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES "
                                                 "('PE-', '0') ON DUPLICATE KEY UPDATE Dato=Dato"),
                                  QStringLiteral("e1"), {}),
              inicio + QStringLiteral("la tabla sistema de la base de datos \"e1\"…"));
    EXPECT_EQ(host::Vigia::espera(
                  QStringLiteral("Waiting for table metadata lock"),
                  QStringLiteral("UPDATE `e 2`.productos p JOIN (SELECT Producto FROM "
                                 "`e 2`.pedidosdetalle GROUP BY Producto) x ON p.Clave=x.Producto "
                                 "SET p.PorVender=0"),
                  QStringLiteral("e1"), {}),
              inicio + QStringLiteral("una de las tablas productos de la base de datos \"e 2\", "
                                      "pedidosdetalle de la base de datos \"e 2\"…"));
    EXPECT_TRUE(host::Vigia::espera(QStringLiteral("Waiting for backup lock"),
                                    QStringLiteral("COMMIT"), {}, {})
                    .startsWith(inicio + QStringLiteral("el servidor")));
    // Working, not waiting for anyone.
    EXPECT_EQ(host::Vigia::espera(QStringLiteral("Sending data"),
                                  QStringLiteral("SELECT * FROM pedidos"), QStringLiteral("e1"),
                                  {}),
              QString());
}

// Every session waits a bounded time for others' locks, and a server that stops answering
// fails the statement once the answer's wait runs out.
TEST(Conexion, WaitsAreBoundedAndASilentServerFailsTheStatement) {
    qputenv("ACUMULA_ESPERA_BLOQUEO", "1");
    auto rele = std::make_unique<pruebas::IntermediarioMysql>(pruebas::parametros().servidor,
                                                              pruebas::parametros().puerto);
    auto c = host::Conexion::abrir(rele->redirige(pruebas::parametros()));
    auto rs = c->consulta(QStringLiteral("SELECT @@innodb_lock_wait_timeout, @@lock_wait_timeout"));
    EXPECT_EQ(rs->entero(0), 1);
    EXPECT_EQ(rs->entero(1), 1);
    rs.reset();

    rele->enmudece();
    QElapsedTimer reloj;
    reloj.start();
    // What the watcher tells meanwhile, and when: the user learns why nothing moves long
    // before the statement gives up.
    std::mutex mutex;
    QStringList avisos;
    qint64 primerAviso = -1;
    auto consulta = std::async(std::launch::async, [&] {
        host::Vigia vigia({{},
                           [&](const QString& texto) {
                               const std::lock_guard bloqueo(mutex);
                               if (primerAviso < 0)
                                   primerAviso = reloj.elapsed();
                               avisos << texto;
                           },
                           {}});
        try {
            c->consulta(QStringLiteral("SELECT 1"));
        } catch (const host::ErrorBdD& e) {
            return e;
        }
        return host::ErrorBdD(QString());
    });
    // Without a wait of its own the statement would hang: the relay's end releases it.
    const auto fin = consulta.wait_for(std::chrono::seconds(30));
    if (fin != std::future_status::ready)
        rele.reset();
    ASSERT_EQ(fin, std::future_status::ready);
    const host::ErrorBdD e = consulta.get();
    EXPECT_TRUE(e.conexionPerdida()) << e.mensaje().toStdString();
    EXPECT_TRUE(e.mensaje().startsWith(QStringLiteral("Se perdió la conexión con el servidor")));
    EXPECT_GE(reloj.elapsed(), 5000);
    EXPECT_LT(reloj.elapsed(), 15000);
    {
        const std::lock_guard bloqueo(mutex);
        EXPECT_EQ(avisos, (QStringList{host::Vigia::sinRespuesta(host::esperaRespuesta()), {}}));
        EXPECT_GE(primerAviso, 1000);
        EXPECT_LT(primerAviso, 5000);
    }

    // A server that never greets: a connection that must give up soon (the watcher's) gives
    // up as soon on the greeting.
    rele->enmudece(pruebas::IntermediarioMysql::Saludo::Calla);
    host::ParametrosConexion breve = rele->redirige(pruebas::parametros());
    breve.espera = 2;
    reloj.restart();
    try {
        host::Conexion::abrir(breve);
        ADD_FAILURE() << "la conexión se abrió";
    } catch (const host::ErrorBdD& e) {
        EXPECT_TRUE(e.mensaje().startsWith(QStringLiteral("No se pudo conectar con el servidor")))
            << e.mensaje().toStdString();
    }
    EXPECT_LT(reloj.elapsed(), 5000);
    qunsetenv("ACUMULA_ESPERA_BLOQUEO");
}

// A cancel never stops a COMMIT, even one kept waiting by a backup's lock: what the server did
// with it could not be told. Once the lock goes, it commits.
TEST(Vigia, ACancelNeverStopsACommit) {
    pruebas::ServidorPropio servidor(pruebas::puertoPropio(42));
    auto admin = host::Conexion::abrir(servidor.parametros());
    admin->ejecuta(QStringLiteral("DROP DATABASE IF EXISTS v"));
    admin->ejecuta(QStringLiteral("CREATE DATABASE v"));
    admin->ejecuta(QStringLiteral("CREATE TABLE v.t (Id INT PRIMARY KEY) ENGINE=InnoDB"));
    std::atomic<bool> cancelar{false}, escrito{false}, bloqueado{false};
    auto confirma = std::async(std::launch::async, [&] {
        host::Vigia vigia({[&] { return cancelar.load(); }, {}, [] { throw host::Error("c"); }});
        auto c = host::Conexion::abrir(servidor.parametros(QStringLiteral("v")));
        host::Transaccion t(*c);
        c->ejecuta(QStringLiteral("INSERT INTO t VALUES (1)"));
        escrito = true;
        hasta([&] { return bloqueado.load(); });
        t.confirma();
    });
    ASSERT_TRUE(hasta([&] { return escrito.load(); }));
    admin->ejecuta(QStringLiteral("FLUSH TABLES WITH READ LOCK"));
    bloqueado = true;
    const auto esperando = [&] {
        return admin
                   ->consulta(QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                                             "WHERE INFO='COMMIT' AND STATE LIKE 'Waiting for%'"))
                   ->entero(0) > 0;
    };
    ASSERT_TRUE(hasta(esperando));
    cancelar = true;
    // Nothing to wait for here: the COMMIT must still be waiting well past the watcher's
    // checks (every 100 ms, a stop tried again every 500 ms).
    QThread::msleep(1500);
    EXPECT_TRUE(esperando());
    admin->ejecuta(QStringLiteral("UNLOCK TABLES"));
    ASSERT_EQ(confirma.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_NO_THROW(confirma.get());
    EXPECT_EQ(admin->consulta(QStringLiteral("SELECT COUNT(*) FROM v.t"))->entero(0), 1);
}
