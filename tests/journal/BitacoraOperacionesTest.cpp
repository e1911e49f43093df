#include "accumulation/Escenario.h"
#include "accumulation/clsAcumular.h"
#include "app/Comandos.h"
#include "export/Exportacion.h"
#include "journal/AvisoBitacora.h"
#include "journal/Bitacora.h"
#include "journal/LectorBitacora.h"
#include "journal/LecturaBitacora.h"
#include "support/OrdenPrueba.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using acumulacion::clsAcumular;
using bitacora::Bitacora;
using bitacora::EstadoCorrida;
using pruebas::BaseEmpresa;
using pruebas::Escenario;

namespace {

const QDate dia(2026, 5, 10);

QVector<bitacora::Corrida> corridas(BaseEmpresa& b) {
    return bitacora::ConsultasBitacora::corridas(b.conexion(), {}, {});
}

QVector<bitacora::PedidoAnotado> pedidos(BaseEmpresa& b, const bitacora::Corrida& c) {
    return bitacora::ConsultasBitacora::pedidos(b.conexion(), c.id);
}

using pruebas::corre;

// Counts the message boxes, as the windows' Avisos would show them.
class AvisosContados : public Avisos {
public:
    QStringList vistos;

protected:
    Respuesta muestra(const QString& prompt, Estilo, const QString& titulo) override {
        vistos << titulo + QStringLiteral(": ") + prompt;
        return Respuesta::Aceptar;
    }
};

} // namespace

TEST(BitacoraAcumulacion, DoneCancelledAndFailedRunsKeepTheirOutcomeAndARowPerOrderMoved) {
    Escenario e(1);
    BaseEmpresa& origen = e.empresa(1);
    const qint64 b1 = e.pedido(origen, QStringLiteral("B"), 1, dia, {{"P1", 1, 1}});
    e.pedido(origen, QString(), 2, dia, {{"P1", 2, 2}, {"P2", 1, 1}});
    for (int f = 3; f <= 5; ++f)
        e.pedido(origen, QString(), f, dia.addDays(1), {{"P1", 1, 1}});
    clsAcumular acumular(e.bases());

    const auto hecha = acumular.GeneraPedido(dia, dia, QStringLiteral(" A "), 10);
    ASSERT_TRUE(hecha.ok) << hecha.mensaje.toStdString();
    EXPECT_EQ(hecha.avisoBitacora, QString());
    int preguntas = 0;
    acumulacion::Retrollamadas avisos;
    avisos.cancelar = [&] { return ++preguntas > 2; }; // once for the company, once per order
    const auto cancelada = acumular.GeneraPedido(dia.addDays(1), dia.addDays(1), "A", 10, avisos);
    ASSERT_TRUE(cancelada.cancelado);
    // The second order's warehouse does not fit the current database: it cannot be stored.
    e.actual().conexion().ejecuta(
        QStringLiteral("ALTER TABLE pedidosdetalle MODIFY Almacen VARCHAR(3)"));
    e.pedido(origen, QString(), 6, dia.addDays(2), {{"P1", 1, 1, "AL1"}});
    e.pedido(origen, QString(), 7, dia.addDays(2), {{"P2", 1, 1, "DEMASIADO"}});
    const auto fallida = acumular.GeneraPedido(dia.addDays(2), dia.addDays(2), "A", 10);
    ASSERT_FALSE(fallida.ok);

    const auto c = corridas(e.actual());
    ASSERT_EQ(c.size(), 3);
    EXPECT_EQ(c[0].desenlace, EstadoCorrida::Fallido);
    EXPECT_EQ(c[0].mensaje, fallida.mensaje);
    EXPECT_EQ(c[0].cuentas.pedidos, 1);
    EXPECT_EQ(pedidos(e.actual(), c[0]).size(), 1);
    EXPECT_EQ(c[1].desenlace, EstadoCorrida::Cancelado);
    EXPECT_EQ(c[1].mensaje, cancelada.mensaje);
    EXPECT_EQ(c[1].cuentas.pedidos, 1);
    EXPECT_EQ(pedidos(e.actual(), c[1]).size(), 1);
    EXPECT_EQ(c[2].desenlace, EstadoCorrida::Hecho);
    EXPECT_EQ(c[2].mensaje,
              QStringLiteral("Se generaron 2 pedidos en %1.").arg(e.actual().nombre()));
    EXPECT_EQ(c[2].cuentas.pedidos, 2);
    EXPECT_EQ(c[2].cuentas.renglones, 3);
    EXPECT_TRUE(c[2].fin.isValid());
    EXPECT_EQ(c[2].parametros.texto(),
              QStringLiteral("Del 10/05/2026 al 10/05/2026, serie A, desde el folio 10"));

    const auto filas = pedidos(e.actual(), c[2]);
    ASSERT_EQ(filas.size(), 2);
    EXPECT_EQ(filas[0].baseOrigen, origen.nombre());
    EXPECT_EQ(filas[0].idOrigen, b1);
    EXPECT_EQ(filas[0].pedidoOrigen, QStringLiteral("B-1"));
    EXPECT_EQ(filas[0].pedidoNuevo, QStringLiteral("A-10"));
    EXPECT_EQ(filas[1].pedidoOrigen, QStringLiteral("2"));
    EXPECT_EQ(filas[1].pedidoNuevo, QStringLiteral("A-11"));
    // Each row names a new order by its Id, series and folio; each new order has one row.
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 4);
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("acumulapedidos_pedidos j JOIN pedidos p ON "
                                               "p.Id=j.IdNuevo AND "
                                               "j.PedidoNuevo=CONCAT(p.Serie, '-', p.Factura)")),
              4);
}

TEST(BitacoraExportacion, WrittenCancelledAndUncopiedExportsAreRecordedInTheExportDatabase) {
    BaseEmpresa base(QStringLiteral("bitexp"));
    host::Conexion& c = base.conexion();
    c.ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Factura, Serie, Cliente, Fecha) VALUES "
                             "(31, 7, 'A', 'C1', '2026-01-05'), (32, 8, '', 'C1', '2026-01-06')"));
    c.ejecuta(QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, Producto, Cantidad) VALUES "
                             "(31, 1, 'P1', 1), (31, 2, 'P2', 1), (32, 1, 'P1', 1)"));
    QTemporaryDir programa, destino;
    const auto hecha = exportacion::ExportaPedidos(c, {31, 32}, QStringLiteral("pedidos"),
                                                   programa.path(), destino.path(), {}, {}, true,
                                                   QDate(2026, 1, 1), QDate(2026, 1, 31));
    ASSERT_TRUE(hecha.ok) << hecha.mensaje.toStdString();
    // Cancelled after many batches (an order marked twice starts a new batch) whose rows the
    // journal had already been sent: none of them is kept.
    QVector<qint64> muchos;
    for (int i = 0; i < 300; ++i)
        muchos << 31 << 32;
    qint64 hechos = 0;
    transferencia::Avance cancelar;
    cancelar.progreso = [&](qint64 n, qint64) { hechos = n; };
    cancelar.cancelar = [&] { return hechos >= 500; };
    const auto cancelada = exportacion::ExportaPedidos(c, muchos, QStringLiteral("otro"),
                                                       programa.path(), destino.path(), cancelar);
    ASSERT_TRUE(cancelada.cancelado);
    // A destination that does not exist is found before the run starts: nothing is written
    // or recorded.
    const auto sinCopia =
        exportacion::ExportaPedidos(c, {32}, QStringLiteral("tercero"), programa.path(),
                                    QDir(destino.path()).filePath(QStringLiteral("no-existe")));
    ASSERT_FALSE(sinCopia.ok);
    EXPECT_FALSE(QFile::exists(QDir(programa.path()).filePath(QStringLiteral("tercero.txt"))));

    const auto r = corridas(base);
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[0].desenlace, EstadoCorrida::Cancelado);
    EXPECT_EQ(r[0].mensaje, cancelada.mensaje);
    EXPECT_TRUE(pedidos(base, r[0]).isEmpty());

    EXPECT_EQ(r[1].desenlace, EstadoCorrida::Hecho);
    EXPECT_EQ(r[1].mensaje, hecha.mensaje);
    EXPECT_EQ(r[1].cuentas.pedidos, 2);
    EXPECT_EQ(r[1].cuentas.renglones, 3);
    EXPECT_EQ(r[1].parametros.texto(),
              QStringLiteral("Del 01/01/2026 al 31/01/2026, archivo %1, destino %2")
                  .arg(QDir::toNativeSeparators(hecha.archivo),
                       QDir::toNativeSeparators(destino.path())));
    const auto escritos = bitacora::LeePedidos(pruebas::basesDD(), r[1]);
    ASSERT_EQ(escritos.size(), 2);
    EXPECT_EQ(escritos[0].idOrigen, 31);
    EXPECT_EQ(escritos[0].pedidoOrigen, QStringLiteral("A-7"));
    EXPECT_EQ(escritos[1].idOrigen, 32);
    EXPECT_EQ(escritos[1].pedidoOrigen, QStringLiteral("8"));
    EXPECT_EQ(escritos[1].archivo, QDir::toNativeSeparators(hecha.archivo));
}

// A user who may change the orders but not create tables: accumulation and export still
// run, and each command says once, on an "Aviso:" line, that no journal is kept; the windows
// show each such notice once per session.
TEST(SinPermisoDeCrear, OperationsRunWithoutJournalAndTheUserIsToldOnce) {
    Escenario e(1);
    BaseEmpresa& origen = e.empresa(1);
    const qint64 id = e.pedido(origen, QString(), 1, dia, {{"P1", 1, 1}});
    const QString usuario = e.actual().nombre().right(30);
    auto admin = pruebas::conecta();
    admin->ejecuta(QStringLiteral("CREATE USER ?@'%' IDENTIFIED BY 'clave'"), {usuario});
    for (const QString& b : {e.actual().nombre(), origen.nombre()})
        admin->ejecuta(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON %1.* TO ?@'%'")
                           .arg(host::Conexion::identificador(b)),
                       {usuario});
    admin->ejecuta(QStringLiteral("GRANT SELECT ON generalkorvan.* TO ?@'%'"), {usuario});

    QTemporaryDir carpeta;
    Programa p;
    *p.bases = e.bases();
    p.bases->cUsuario = usuario;
    p.bases->cPassword = QStringLiteral("clave");
    p.baseExportar = origen.nombre();
    p.carpetaPrograma = carpeta.path();
    const auto a = corre(comandos::acumular, p,
                         {"--desde", "2026-05-10", "--hasta", "2026-05-10", "--folio", "1"});
    const auto x =
        corre(comandos::exportar, p,
              {"--archivo", "pedidos", "--destino", carpeta.path(), "--id", QString::number(id)});
    admin->ejecuta(QStringLiteral("DROP USER ?@'%'"), {usuario});

    EXPECT_EQ(a.estado, 0) << a.errores.toStdString();
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 1);
    EXPECT_EQ(x.estado, 0) << x.errores.toStdString();
    for (const auto& [s, base] : {std::pair{a, e.actual().nombre()}, {x, origen.nombre()}}) {
        EXPECT_EQ(s.errores.count(QLatin1Char('\n')), 1) << s.errores.toStdString();
        EXPECT_TRUE(s.errores.startsWith(
            QStringLiteral("Aviso: No se lleva bitácora de esta operación en la base de datos "
                           "\"%1\": el usuario \"%2\" no tiene permiso")
                .arg(base, usuario)))
            << s.errores.toStdString();
    }
    EXPECT_TRUE(corridas(e.actual()).isEmpty());

    Programa ventanas;
    auto* cajas = new AvisosContados;
    ventanas.avisos.reset(cajas);
    const QString aviso = a.errores.mid(7).trimmed();
    for (int i = 0; i < 2; ++i) {
        bitacora::avisaSinBitacora(ventanas, aviso);
        bitacora::avisaSinBitacora(ventanas, QString());
    }
    bitacora::avisaSinBitacora(ventanas, QStringLiteral("otra base"));
    EXPECT_EQ(cajas->vistos,
              QStringList({QStringLiteral("Atención: ") + aviso, "Atención: otra base"}));
}

TEST(ComandoBitacora, PrintsTheRunsOfTheConfiguredDatabasesNewestFirstAndARunWithItsOrders) {
    Escenario e(1);
    BaseEmpresa& origen = e.empresa(1);
    BaseEmpresa sinBitacora(QStringLiteral("sinbit"));
    const qint64 id = e.pedido(origen, QStringLiteral("B"), 1, dia, {{"P1", 1, 1}});
    QTemporaryDir carpeta;
    ASSERT_TRUE(clsAcumular(e.bases()).GeneraPedido(dia, dia, "A", 10).ok);
    const auto x = exportacion::ExportaPedidos(origen.conexion(), {id}, QStringLiteral("pedidos"),
                                               carpeta.path(), carpeta.path());
    ASSERT_TRUE(x.ok) << x.mensaje.toStdString();
    // Fixed start times: the export a day after the accumulation.
    e.actual().conexion().ejecuta(
        QStringLiteral("UPDATE acumulapedidos_corridas SET Inicio='2026-05-10 09:00:00'"));
    origen.conexion().ejecuta(
        QStringLiteral("UPDATE acumulapedidos_corridas SET Inicio='2026-05-11 10:30:00'"));
    const qint64 nuevo = e.actual().valor(QStringLiteral("SELECT Id FROM pedidos")).toLongLong();

    Programa p;
    *p.bases = e.bases();
    p.baseExportar = origen.nombre();
    p.baseImportar = sinBitacora.nombre();
    const auto todo = corre(comandos::leeBitacora, p, {"--todas"});
    EXPECT_EQ(todo.estado, 0);
    EXPECT_EQ(todo.errores, QString());
    const qsizetype exportacion = todo.salida.indexOf(
        QStringLiteral("Exportación en %1 (corrida 1): Hecha\n  Inicio: 11/05/2026 10:30:00")
            .arg(origen.nombre()));
    const qsizetype acumulacion = todo.salida.indexOf(
        QStringLiteral("Acumulación en %1 (corrida 1): Hecha\n  Inicio: 10/05/2026 09:00:00")
            .arg(e.actual().nombre()));
    EXPECT_GE(exportacion, 0) << todo.salida.toStdString();
    EXPECT_GT(acumulacion, exportacion) << todo.salida.toStdString();
    const QString resumen =
        QStringLiteral("  Parámetros: Del 10/05/2026 al 10/05/2026, serie A, desde el folio 10\n"
                       "  Mensaje: Se generó 1 pedido en %1.\n  Pedidos: 1   Renglones: 1\n")
            .arg(e.actual().nombre());
    const QStringList ordenes{
        QStringLiteral("    Pedido B-1 (Id %1) de %2 → A-10 (Id %3)\n")
            .arg(id)
            .arg(origen.nombre())
            .arg(nuevo),
        QStringLiteral("    Pedido B-1 (Id %1) → %2\n").arg(id).arg(x.archivo)};
    EXPECT_TRUE(todo.salida.contains(resumen)) << todo.salida.toStdString();
    // The list is of runs; a run's orders are asked for by its number.
    EXPECT_FALSE(todo.salida.contains(QStringLiteral("    Pedido ")));
    const auto una = corre(comandos::leeBitacora, p, {"--corrida", "1"});
    EXPECT_EQ(una.estado, 0) << una.errores.toStdString();
    EXPECT_TRUE(una.salida.contains(resumen + ordenes[0])) << una.salida.toStdString();
    EXPECT_TRUE(una.salida.contains(ordenes[1])) << una.salida.toStdString();

    const auto acumulaciones =
        corre(comandos::leeBitacora, p, {"--operacion", "acumulación", "--todas"});
    EXPECT_TRUE(acumulaciones.salida.startsWith(QStringLiteral("Acumulación en ")));
    EXPECT_FALSE(acumulaciones.salida.contains(QStringLiteral("Exportación")));
    const auto desde = corre(comandos::leeBitacora, p, {"--desde=11/05/2026"});
    EXPECT_TRUE(desde.salida.startsWith(QStringLiteral("Exportación en ")));
    EXPECT_FALSE(desde.salida.contains(QStringLiteral("Acumulación")));
    EXPECT_EQ(desde.errores, QString());
    const auto nada = corre(comandos::leeBitacora, p, {"--hasta", "2026-05-09"});
    EXPECT_EQ(nada.estado, 0);
    EXPECT_EQ(nada.salida, QString());
    for (const QStringList& malos : {QStringList{"--operacion", "venta"},
                                     {"--todas", "--desde", "2026-05-01"},
                                     {"--corrida", "x"},
                                     {"--corrida", "0"},
                                     {"--corrida", "1", "--operacion", "exportacion"},
                                     {"--corrida", "7"}}) {
        const auto mal = corre(comandos::leeBitacora, p, malos);
        EXPECT_EQ(mal.estado, 1) << malos.join(' ').toStdString();
        EXPECT_FALSE(mal.errores.isEmpty());
    }
    EXPECT_TRUE(corre(comandos::leeBitacora, p, {"--operacion", "venta"})
                    .errores.startsWith(QStringLiteral("La operación \"venta\" no es válida")));
}

// A journal of years: by default only the runs of the last 31 days, newest first, read over
// one connection per journal rather than one per run, and without the orders.
TEST(ComandoBitacora, ByDefaultTheLast31DaysOverOneConnectionPerJournal) {
    BaseEmpresa actual(QStringLiteral("bitlarga")), otra(QStringLiteral("bitotra"));
    for (BaseEmpresa* b : {&actual, &otra}) {
        bitacora::EsquemaBitacora::creaTablas(b->conexion());
        // One run a day for 400 days (today's at noon, so none is in the future), each with
        // two orders; one run in four still in course, its session long gone.
        b->ejecuta(
            QStringLiteral(
                "INSERT INTO acumulapedidos_corridas (Operacion, Inicio, Desenlace, Nodo, Sesion) "
                "SELECT IF(MOD(seq, 2) = 0, 'exportacion', 'acumulacion'), CURDATE() - INTERVAL "
                "seq "
                "DAY + INTERVAL 12 HOUR - INTERVAL (%1) MINUTE, IF(MOD(seq, 4) = 1, 'encurso', "
                "'hecha'), CONCAT(@@hostname, ':', @@port), 999999999 FROM seq_0_to_399")
                .arg(b == &actual ? 0 : 30));
        b->ejecuta(QStringLiteral("INSERT INTO acumulapedidos_pedidos (Corrida, PedidoOrigen) "
                                  "SELECT Id, 'A-1' FROM acumulapedidos_corridas UNION ALL "
                                  "SELECT Id, 'A-2' FROM acumulapedidos_corridas"));
    }
    Programa p;
    *p.bases = pruebas::basesDD(actual.nombre());
    p.baseExportar = otra.nombre();
    p.baseImportar = otra.nombre();
    auto admin = pruebas::conecta();
    const auto conexiones = [&] {
        return admin->consulta(QStringLiteral("SHOW GLOBAL STATUS LIKE 'Connections'"))->entero(1);
    };

    const qint64 antes = conexiones();
    const auto recientes = corre(comandos::leeBitacora, p, {});
    const qint64 abiertas = conexiones() - antes;
    EXPECT_EQ(recientes.estado, 0);
    EXPECT_EQ(recientes.salida.count(QStringLiteral(" (corrida ")), 62); // 31 days, 2 journals
    EXPECT_EQ(recientes.errores,
              QStringLiteral("Operaciones empezadas desde el %1 (los últimos 31 días); --todas "
                             "las muestra todas.\n")
                  .arg(QDate::currentDate().addDays(-30).toString(QStringLiteral("dd/MM/yyyy"))));
    EXPECT_FALSE(recientes.salida.contains(QStringLiteral("    Pedido ")));
    // Newest first, the two journals interleaved.
    EXPECT_TRUE(recientes.salida.startsWith(
        QStringLiteral("Exportación en %1 (corrida 1): Hecha").arg(actual.nombre())))
        << recientes.salida.left(200).toStdString();
    EXPECT_EQ(recientes.salida.count(QStringLiteral("): Interrumpida\n")), 16);

    const auto todas = corre(comandos::leeBitacora, p, {"--todas"});
    EXPECT_EQ(todas.salida.count(QStringLiteral(" (corrida ")), 800);
    EXPECT_EQ(todas.salida.count(QStringLiteral("): Interrumpida\n")), 200);
    const qsizetype primera =
        todas.salida.indexOf(QStringLiteral(" en %1 (corrida 400)").arg(actual.nombre()));
    const qsizetype ultima =
        todas.salida.indexOf(QStringLiteral(" en %1 (corrida 400)").arg(otra.nombre()));
    EXPECT_GT(ultima, primera);
    EXPECT_LT(abiertas, 10) << "una conexión por corrida";

    const auto una = corre(comandos::leeBitacora, p, {"--corrida=400"});
    EXPECT_EQ(una.estado, 0);
    EXPECT_EQ(una.salida.count(QStringLiteral(" (corrida 400): ")), 2);
    EXPECT_EQ(una.salida.count(QStringLiteral("    Pedido A-")), 4);
}

// Two journals read together a few runs at a time give the same list as the whole: newest
// first, on the same second the databases in their order, and then nothing more.
TEST(LectorBitacora, JournalsReadTogetherPageByPageGiveTheWholeListOnce) {
    BaseEmpresa una(QStringLiteral("lectora")), otra(QStringLiteral("lectorb"));
    for (BaseEmpresa* b : {&una, &otra}) {
        bitacora::EsquemaBitacora::creaTablas(b->conexion());
        b->ejecuta(QStringLiteral("INSERT INTO acumulapedidos_corridas (Operacion, Inicio, "
                                  "Desenlace) SELECT 'importacion', '2026-05-10 10:00:00' + "
                                  "INTERVAL MOD(seq, %1) MINUTE, 'hecha' FROM seq_1_to_%2")
                       .arg(b == &una ? 4 : 3)
                       .arg(b == &una ? 11 : 7));
    }
    const QStringList bases{una.nombre(), otra.nombre(), QStringLiteral("t_no_existe_")};
    const auto clave = [](const bitacora::Corrida& c) {
        return QStringLiteral("%1/%2/%3").arg(c.inicio.toString(Qt::ISODate), c.base).arg(c.id);
    };
    QStringList esperadas;
    for (BaseEmpresa* b : {&una, &otra})
        for (const auto& c : bitacora::ConsultasBitacora::corridas(b->conexion(), {}, {}))
            esperadas << clave(c);
    std::stable_sort(esperadas.begin(), esperadas.end(), [](const QString& a, const QString& b) {
        return a.section(QLatin1Char('/'), 0, 0) > b.section(QLatin1Char('/'), 0, 0);
    });
    bitacora::LectorBitacora lector(pruebas::basesDD(), bases, {});
    QStringList leidas, fallos;
    int paginas = 0;
    while (!lector.terminado() && paginas < 20) {
        const bitacora::Lectura l = lector.siguientes(3);
        ++paginas;
        for (const auto& c : l.corridas)
            leidas << clave(c);
        fallos << l.fallos;
        EXPECT_EQ(l.hayMas, !lector.terminado());
    }
    EXPECT_EQ(leidas, esperadas);
    EXPECT_EQ(paginas, 6);
    // The database that is not there is told once.
    ASSERT_EQ(fallos.size(), 1);
    EXPECT_TRUE(fallos[0].contains(QStringLiteral("t_no_existe_")));
    EXPECT_TRUE(lector.siguientes(3).corridas.isEmpty());
}
