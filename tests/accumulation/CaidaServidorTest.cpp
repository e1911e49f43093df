#include "Escenario.h"
#include "accumulation/clsAcumular.h"
#include "db/GeneradorDemo.h"
#include "journal/Bitacora.h"
#include "support/HastaQue.h"

#include <QHash>
#include <QSet>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using host::Conexion;

namespace {

// Each order's lines of one company, as "Partida/Producto/Pedido" texts in Partida order.
QHash<qint64, QStringList> renglones(Conexion& c, const QString& tabla, bool soloPendientes) {
    auto rs =
        c.consulta(QStringLiteral("SELECT Id, CONCAT_WS('/', Partida, Producto, Pedido) "
                                  "FROM %1 %2 ORDER BY Id, Partida")
                       .arg(tabla, soloPendientes ? QStringLiteral("WHERE Pedido<>0") : QString()));
    QHash<qint64, QStringList> salida;
    for (; !rs->eof(); rs->MoveNext())
        salida[rs->entero(0)] << rs->texto(1);
    return salida;
}

QHash<QString, double> porVender(Conexion& c, const QString& base) {
    auto rs = c.consulta(QStringLiteral("SELECT Clave, PorVender FROM %1.productos")
                             .arg(Conexion::identificador(base)));
    QHash<QString, double> salida;
    for (; !rs->eof(); rs->MoveNext())
        salida.insert(rs->texto(0), rs->numero(1));
    return salida;
}

} // namespace

TEST(CaidaDelServidor, KilledMidGenerationLeavesEveryOrderWhollyMovedOrUntouched) {
    pruebas::ServidorPropio servidor(pruebas::puertoPropio(39));
    demo::Parametros p;
    p.empresas = 2;
    p.pedidos = 1500;
    p.prefijo = QStringLiteral("caida");
    QStringList bases;
    QHash<QString, QHash<qint64, QStringList>> antes, pendientesAntes;
    QHash<QString, QHash<QString, double>> porVenderAntes;
    {
        auto c = Conexion::abrir(servidor.parametros());
        bases = demo::generaDemo(*c, p);
        for (const QString& b : bases.mid(1)) {
            const QString tabla = Conexion::identificador(b) + QStringLiteral(".pedidosdetalle");
            antes[b] = renglones(*c, tabla, false);
            pendientesAntes[b] = renglones(*c, tabla, true);
            porVenderAntes[b] = porVender(*c, b);
        }
    }

    acumulacion::clsAcumular acumular(servidor.basesDD(bases[0]));
    acumular.setPedidosPorTransaccion(5);
    std::atomic<int> dados{0};
    acumulacion::Retrollamadas avisos;
    avisos.folio = [&](const acumulacion::FolioDado&) { ++dados; };
    acumulacion::Resultado r;
    std::thread corrida([&] { r = acumular.GeneraPedido(p.desde, p.hasta, "K", 1, avisos); });
    // Killed once 40 folios were given out (the server is killed anyway at the deadline, so
    // the run ends and the test fails instead of hanging).
    EXPECT_TRUE(
        pruebas::hastaQue([&] { return dados >= 40; }, 120s, QStringLiteral("40 folios dados")));
    servidor.mata();
    corrida.join();
    EXPECT_FALSE(r.ok);
    // Killed during a COMMIT, the server cannot be asked whether that group was stored.
    const bool enConfirmacion = r.mensaje.contains(QStringLiteral("No se sabe si quedaron"));
    EXPECT_TRUE(r.mensaje.contains(
        QStringLiteral("Pedidos movidos completos antes %1: %2.")
            .arg(enConfirmacion ? QStringLiteral("de ellos") : QStringLiteral("del error"))
            .arg(r.pedidosMovidos)))
        << r.mensaje.toStdString();

    servidor.arranca();
    auto c = Conexion::abrir(servidor.parametros(bases[0]));
    // The new orders carry their source's note "Nota 1 del pedido <Id>" and branch "SUC<n>".
    QHash<QString, qint64> nuevos;
    for (auto rs = c->consulta(QStringLiteral("SELECT CONCAT(Sucursal, ':', NotaF1), Id FROM "
                                              "pedidos WHERE Serie='K'"));
         !rs->eof(); rs->MoveNext()) {
        EXPECT_FALSE(nuevos.contains(rs->texto(0)))
            << "moved twice: " << rs->texto(0).toStdString();
        nuevos.insert(rs->texto(0), rs->entero(1));
    }
    EXPECT_GE(nuevos.size(), r.pedidosMovidos);
    EXPECT_EQ(
        c->consulta(QStringLiteral("SELECT Contenido FROM sistema WHERE Dato='PE-K'"))->entero(0),
        nuevos.size());
    const auto copiados = renglones(*c, QStringLiteral("pedidosdetalle"), false);

    int movidos = 0;
    for (int n = 1; n < bases.size(); ++n) {
        const QString& b = bases[n];
        const auto despues = renglones(*c, Conexion::identificador(b) + ".pedidosdetalle", false);
        QHash<QString, double> esperado = porVenderAntes[b];
        for (auto o = pendientesAntes[b].cbegin(); o != pendientesAntes[b].cend(); ++o) {
            const QString marca =
                QStringLiteral("SUC%1:Nota 1 del pedido %2").arg(n + 1).arg(o.key());
            if (!nuevos.contains(marca)) {
                EXPECT_EQ(despues[o.key()], antes[b][o.key()])
                    << "touched: " << marca.toStdString();
                continue;
            }
            ++movidos;
            EXPECT_EQ(copiados[nuevos[marca]], o.value()) << marca.toStdString();
            for (const QString& l : despues[o.key()])
                EXPECT_TRUE(l.endsWith(QStringLiteral("/0.0000"))) << marca.toStdString();
            for (const QString& l : o.value())
                esperado[l.section('/', 1, 1)] -= l.section('/', 2, 2).toDouble();
        }
        const auto ahora = porVender(*c, b);
        for (auto k = esperado.cbegin(); k != esperado.cend(); ++k)
            EXPECT_NEAR(ahora[k.key()], k.value(), 1e-6) << k.key().toStdString();
    }
    EXPECT_EQ(movidos, nuevos.size());
    EXPECT_GT(movidos, 0);

    // The journal's rows were stored with the orders they describe: one per order moved.
    const auto corridas = bitacora::ConsultasBitacora::corridas(*c, {}, {});
    ASSERT_EQ(corridas.size(), 1);
    // Its end could not be recorded with the server gone: the run is told interrupted.
    EXPECT_EQ(corridas[0].desenlace, bitacora::EstadoCorrida::EnCurso);
    EXPECT_TRUE(corridas[0].interrumpida);
    QSet<qint64> anotados;
    for (const auto& a : bitacora::ConsultasBitacora::pedidos(*c, corridas[0].id))
        anotados.insert(a.idNuevo);
    EXPECT_EQ(anotados, QSet<qint64>(nuevos.cbegin(), nuevos.cend()));
    EXPECT_LT(movidos, pendientesAntes[bases[1]].size() + pendientesAntes[bases[2]].size());
}
