// Times the order search and generation against the demo companies, and the same work done
// by hand-written set-based SQL on a copy of the same data:
//   bench_acumular [--puerto N] [--empresas N] [--pedidos N] [--renglones N] [--grupo N]
#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/clsAcumular.h"
#include "db/GeneradorDemo.h"
#include "journal/Bitacora.h"
#include "journal/ResumenPedido.h"
#include "shell/host/BasesDD.h"
#include "shell/host/ListaIds.h"
#include "shell/host/Recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>

using host::Conexion;

namespace {

const QString serie = QStringLiteral("A");
const QString sufijoCopia = QStringLiteral("_copia");

QString id(const QString& nombre) {
    return Conexion::identificador(nombre);
}

void copiaBase(Conexion& c, const QString& base) {
    const QString copia = base + sufijoCopia;
    c.ejecuta(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(id(copia)));
    c.ejecuta(QStringLiteral("CREATE DATABASE %1").arg(id(copia)));
    for (const char* t :
         {"pedidos", "pedidosdetalle", "clientes", "productos", "sistema", "configura"}) {
        c.ejecuta(QStringLiteral("CREATE TABLE %1.%3 LIKE %2.%3").arg(id(copia), id(base), t));
        c.ejecuta(
            QStringLiteral("INSERT INTO %1.%3 SELECT * FROM %2.%3").arg(id(copia), id(base), t));
    }
}

// The columns of a table from position desde on, each prefixed, comma-separated.
QString columnas(Conexion& c, const QString& tabla, int desde, const QString& prefijo) {
    auto rs = c.consulta(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(tabla));
    QStringList nombres;
    for (int i = desde; i < rs->columnas(); ++i)
        nombres << prefijo + id(rs->columna(i).nombre);
    return nombres.join(QLatin1Char(','));
}

// The grouped queries of the search, nothing else: one per company, every row read.
qint64 busquedaBase(Conexion& c, const QStringList& empresas, const QDate& desde,
                    const QDate& hasta, int& filas) {
    QElapsedTimer reloj;
    reloj.start();
    filas = 0;
    for (const QString& b : empresas) {
        auto rs = c.consulta(QStringLiteral("SELECT Serie,Factura,Subtotal,pedidos.IVA,pedidos."
                                            "ImpuestoAd FROM %1.pedidos LEFT JOIN %1."
                                            "pedidosdetalle ON pedidos.Id=pedidosdetalle.Id "
                                            "WHERE Fecha>=? AND Fecha<=? AND "
                                            "pedidosdetalle.Pedido<>0 GROUP BY pedidos.Id")
                                 .arg(id(b)),
                             {desde, hasta});
        for (; !rs->eof(); rs->MoveNext())
            ++filas;
    }
    return reloj.nsecsElapsed();
}

// The same move as the generation, set-based: folios numbered on from the first one.
qint64 generacionBase(Conexion& c, const QString& actual, const QStringList& empresas,
                      const QDate& desde, const QDate& hasta, qint32 primerFolio) {
    const QString cur = id(actual);
    const QString colsEnc = columnas(c, cur + ".pedidos", 3, QString());
    const QString colsEncP = columnas(c, cur + ".pedidos", 3, QStringLiteral("p."));
    const QString colsRen = columnas(c, cur + ".pedidosdetalle", 1, QStringLiteral("d."));
    QElapsedTimer reloj;
    reloj.start();
    c.ejecuta(QStringLiteral("SET @f := ?"), {primerFolio - 1});
    for (const QString& nombre : empresas) {
        const QString b = id(nombre);
        c.ejecuta(QStringLiteral("CREATE TEMPORARY TABLE mapa (Origen INT PRIMARY KEY, "
                                 "Folio INT, Nuevo INT, KEY (Folio))"));
        c.ejecuta(QStringLiteral("INSERT INTO mapa (Origen, Folio) SELECT Id, @f := @f + 1 FROM "
                                 "(SELECT pedidos.Id FROM %1.pedidos JOIN %1.pedidosdetalle ON "
                                 "pedidos.Id=pedidosdetalle.Id WHERE Fecha>=? AND Fecha<=? AND "
                                 "pedidosdetalle.Pedido<>0 GROUP BY pedidos.Id ORDER BY "
                                 "pedidos.Id) t")
                      .arg(b),
                  {desde, hasta});
        c.ejecuta(QStringLiteral("INSERT INTO %1.pedidos (Factura, Serie, %3) SELECT m.Folio, ?, "
                                 "%4 FROM %2.pedidos p JOIN mapa m ON m.Origen=p.Id ORDER BY "
                                 "m.Folio")
                      .arg(cur, b, colsEnc, colsEncP),
                  {serie});
        c.ejecuta(QStringLiteral("UPDATE mapa m JOIN %1.pedidos n ON n.Serie=? AND "
                                 "n.Factura=m.Folio SET m.Nuevo=n.Id")
                      .arg(cur),
                  {serie});
        c.ejecuta(QStringLiteral("INSERT INTO %1.pedidosdetalle SELECT m.Nuevo, %3 FROM "
                                 "%2.pedidosdetalle d JOIN mapa m ON d.Id=m.Origen WHERE "
                                 "d.Pedido<>0 ORDER BY m.Origen, d.Partida")
                      .arg(cur, b, colsRen));
        c.ejecuta(QStringLiteral("UPDATE %1.productos p JOIN (SELECT Producto, SUM(Pedido) AS s "
                                 "FROM %1.pedidosdetalle d JOIN mapa m ON d.Id=m.Origen WHERE "
                                 "d.Pedido<>0 GROUP BY Producto) x ON p.Clave=x.Producto SET "
                                 "p.PorVender=p.PorVender-x.s")
                      .arg(b));
        c.ejecuta(QStringLiteral("UPDATE %1.pedidosdetalle d JOIN mapa m ON d.Id=m.Origen "
                                 "SET d.Pedido=0")
                      .arg(b));
        c.ejecuta(QStringLiteral("DROP TEMPORARY TABLE mapa"));
    }
    c.ejecuta(QStringLiteral("UPDATE %1.sistema SET Contenido=@f WHERE Dato=?").arg(cur),
              {acumulacion::prefijoFolio + serie});
    return reloj.nsecsElapsed();
}

QString cuenta(Conexion& c, const QString& base, const char* tabla) {
    return c.consulta(QStringLiteral("SELECT COUNT(*) FROM %1.%2").arg(id(base), tabla))->texto(0);
}

double ms(qint64 ns) {
    return ns / 1e6;
}

// What the journal adds to each group of a generation: the digests of its new orders read
// back (less the count of their lines that read replaces), and its orders' rows with what
// each took from its source, written again on the copy in groups of the same size, each in a
// transaction of its own (the commits are the data's, which they ride with).
qint64 costoBitacora(Conexion& copia, Conexion& actual, QVector<bitacora::PedidoAnotado> anotados,
                     qint64 corrida, int grupo) {
    QHash<qint64, QString> movidos;
    for (auto rs = actual.consulta(QStringLiteral("SELECT IdNuevo, Movidos FROM %1 WHERE Corrida=?")
                                       .arg(bitacora::EsquemaBitacora::tablaPedidos()),
                                   {corrida});
         !rs->eof(); rs->MoveNext())
        movidos.insert(rs->entero(0), rs->texto(1));
    for (bitacora::PedidoAnotado& a : anotados)
        a.movidos = bitacora::Bitacora::leeMovidos(movidos.value(a.idNuevo));
    bitacora::Bitacora diario(copia, bitacora::Operacion::Acumulacion, {});
    bitacora::ResumenPedido::Lector resumenes(actual, actual.baseEnUso());
    qint64 ns = 0, lectura = 0, soloAnota = 0;
    for (qsizetype i = 0; i < anotados.size(); i += grupo) {
        QVector<bitacora::PedidoAnotado> parte = anotados.mid(i, grupo);
        std::vector<qint64> ids;
        for (const bitacora::PedidoAnotado& a : parte)
            ids.push_back(a.idNuevo);
        host::Transaccion t(copia);
        QElapsedTimer reloj;
        reloj.start();
        const QHash<qint64, QString> leidos = resumenes.lee(ids, false);
        const qint64 leer = reloj.nsecsElapsed();
        // That read also counts the new orders' lines, which the run without a journal asks
        // the server for: that query is not the journal's cost, in the read or in the total.
        reloj.restart();
        actual.consulta(QStringLiteral("SELECT Id, COUNT(*) FROM pedidosdetalle WHERE Id IN (%1) "
                                       "GROUP BY Id")
                            .arg(host::listaIds(ids)));
        const qint64 ahorro = reloj.nsecsElapsed();
        reloj.restart();
        for (bitacora::PedidoAnotado& a : parte)
            a.resumen = leidos.value(a.idNuevo);
        diario.anota(copia, parte);
        const qint64 anotar = reloj.nsecsElapsed();
        lectura += leer - ahorro;
        soloAnota += anotar;
        ns += leer - ahorro + anotar;
        t.confirma();
    }
    diario.cierra(bitacora::EstadoCorrida::Hecho, {}, {anotados.size(), 0, 0});
    std::printf("Bitácora:   %.1f ms de leer los resúmenes (menos la cuenta de renglones que "
                "reemplaza), %.1f ms de anotar los pedidos\n",
                double(lectura) / 1e6, double(soloAnota) / 1e6);
    return ns;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    auto opcion = [&](const char* nombre, int omision) {
        const int i = int(a.indexOf(QStringLiteral("--") + QLatin1String(nombre)));
        return i >= 0 && i + 1 < a.size() ? a[i + 1].toInt() : omision;
    };
    host::BasesDD bases;
    bases.cRuta = QStringLiteral("127.0.0.1");
    bases.cPuerto = unsigned(opcion("puerto", 3435));
    demo::Parametros p;
    p.empresas = opcion("empresas", 10);
    p.pedidos = opcion("pedidos", 1000);
    p.renglones = opcion("renglones", 5);
    p.pendientes = 0.8;
    p.prefijo = QStringLiteral("bench");

    try {
        auto c = bases.abre(QString());
        std::printf("Datos: %d empresas de %d pedidos con %d renglones...\n", p.empresas, p.pedidos,
                    p.renglones);
        std::fflush(stdout);
        const QStringList nombres = demo::generaDemo(*c, p);
        for (const QString& b : nombres)
            copiaBase(*c, b);
        bases.cMiBase = nombres.first();
        QStringList otras = nombres.mid(1), copias;
        for (const QString& b : otras)
            copias << b + sufijoCopia;
        auto actual = bases.abre(bases.cMiBase);
        const qint32 folio = acumulacion::FolioPropuesto(*actual, serie);

        acumulacion::clsAcumular acumular(bases);
        acumular.setPedidosPorTransaccion(opcion("grupo", 100));
        acumular.BuscarPedidos(p.desde, p.hasta); // warm-up, both sides read the same pages
        int filas = 0;
        busquedaBase(*c, otras, p.desde, p.hasta, filas);
        qint64 mejorBusqueda = std::numeric_limits<qint64>::max();
        qint64 mejorBase = mejorBusqueda;
        int renglones = 0;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer reloj;
            reloj.start();
            renglones = int(acumular.BuscarPedidos(p.desde, p.hasta).renglones.size());
            mejorBusqueda = std::min(mejorBusqueda, reloj.nsecsElapsed());
            mejorBase = std::min(mejorBase, busquedaBase(*c, otras, p.desde, p.hasta, filas));
        }

        QElapsedTimer reloj;
        reloj.start();
        const auto r = acumular.GeneraPedido(p.desde, p.hasta, serie, folio);
        const qint64 generacion = reloj.nsecsElapsed();
        if (!r.ok)
            throw host::ErrorBdD(r.mensaje);
        auto copiaActual = bases.abre(bases.cMiBase + sufijoCopia);
        const qint64 base = generacionBase(*copiaActual, bases.cMiBase + sufijoCopia, copias,
                                           p.desde, p.hasta, folio);

        std::printf("Búsqueda:   %8.1f ms (%d renglones); consultas agrupadas solas %8.1f ms "
                    "(%d filas); razón %.2f (meta <= 1.5)\n",
                    ms(mejorBusqueda), renglones, ms(mejorBase), filas,
                    double(mejorBusqueda) / double(mejorBase));
        std::printf("Generación: %8.1f ms (%d pedidos, %d renglones); SQL por conjuntos %8.1f ms; "
                    "razón %.2f (meta <= 5)\n",
                    ms(generacion), r.pedidosMovidos, r.renglonesCopiados, ms(base),
                    double(generacion) / double(base));
        const auto corridas = bitacora::ConsultasBitacora::corridas(*actual, {}, {});
        const auto anotados =
            corridas.isEmpty() ? QVector<bitacora::PedidoAnotado>()
                               : bitacora::ConsultasBitacora::pedidos(*actual, corridas.first().id);
        const qint64 bitacora =
            costoBitacora(*copiaActual, *actual, anotados,
                          corridas.isEmpty() ? 0 : corridas.first().id, opcion("grupo", 100));
        std::printf("Bitácora:   %lld pedidos anotados (de %d movidos); sus renglones cuestan "
                    "%.1f ms, %.1f%% de la generación (meta <= 10%%)\n",
                    (long long)anotados.size(), r.pedidosMovidos, ms(bitacora),
                    100.0 * double(bitacora) / double(generacion));
        std::printf("Pedidos nuevos: %s y %s; renglones nuevos: %s y %s\n",
                    qPrintable(cuenta(*c, bases.cMiBase, "pedidos")),
                    qPrintable(cuenta(*c, bases.cMiBase + sufijoCopia, "pedidos")),
                    qPrintable(cuenta(*c, bases.cMiBase, "pedidosdetalle")),
                    qPrintable(cuenta(*c, bases.cMiBase + sufijoCopia, "pedidosdetalle")));
    } catch (const host::ErrorBdD& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.mensaje()));
        return 1;
    }
    return 0;
}
