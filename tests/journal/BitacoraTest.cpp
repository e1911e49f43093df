#include "journal/Bitacora.h"

#include "support/HastaQue.h"
#include "support/ServidorPruebas.h"

#include <QThread>
#include <gtest/gtest.h>

using bitacora::Bitacora;
using bitacora::EstadoCorrida;
using bitacora::Operacion;

namespace {

bitacora::PedidoAnotado acumulado(qint64 idOrigen, qint64 idNuevo) {
    bitacora::PedidoAnotado p;
    p.baseOrigen = QStringLiteral("empresa2");
    p.idOrigen = idOrigen;
    p.pedidoOrigen = QStringLiteral("B-%1").arg(idOrigen);
    p.idNuevo = idNuevo;
    p.pedidoNuevo = QStringLiteral("A-%1").arg(idNuevo);
    return p;
}

} // namespace

// The run's row outlives a rolled-back transaction; its orders' rows are stored exactly when
// the transaction that carries them commits; the outcome, counts and parameters read back.
TEST(Bitacora, OrdersFollowTheirTransactionAndTheRunKeepsItsOutcome) {
    pruebas::BaseEmpresa base(QStringLiteral("bitacora"));
    host::Conexion& c = base.conexion();
    bitacora::Parametros parametros;
    parametros.desde = QDate(2026, 3, 1);
    parametros.hasta = QDate(2026, 3, 31);
    parametros.serie = QStringLiteral("A");
    parametros.primerFolio = 100;
    {
        Bitacora b(c, Operacion::Acumulacion, parametros);
        ASSERT_TRUE(b.activa()) << b.aviso().toStdString();
        {
            host::Transaccion t(c);
            b.anota(c, {acumulado(1, 10)});
        } // rolled back
        {
            host::Transaccion t(c);
            b.anota(c, {acumulado(2, 11), acumulado(3, 12)});
            t.confirma();
        }
        b.cierra(EstadoCorrida::Hecho, QStringLiteral("Se generaron 2 pedidos."), {2, 5, 0});
    }
    { Bitacora fallida(c, Operacion::Importacion, {}); } // never closed: a failure
    // In course: not interrupted while its session holds it, interrupted once that is gone.
    auto otra = pruebas::conecta(base.nombre());
    auto enCurso = std::make_unique<Bitacora>(*otra, Operacion::Exportacion, parametros);
    auto abierta = bitacora::ConsultasBitacora::corridas(c, {}, {}, Operacion::Exportacion);
    ASSERT_EQ(abierta.size(), 1);
    EXPECT_EQ(abierta[0].desenlace, EstadoCorrida::EnCurso);
    EXPECT_FALSE(abierta[0].interrumpida);
    c.ejecuta(QStringLiteral("KILL CONNECTION ?"),
              {otra->consulta(QStringLiteral("SELECT CONNECTION_ID()"))->entero(0)});
    EXPECT_TRUE(pruebas::hastaQue(
        [&] {
            return bitacora::ConsultasBitacora::corridas(c, {}, {}, Operacion::Exportacion)[0]
                .interrumpida;
        },
        5s, QStringLiteral("la corrida interrumpida")));
    enCurso.reset(); // its end cannot be recorded: the server ended its session
    c.ejecuta(QStringLiteral("DELETE FROM %1 WHERE Operacion='exportacion'")
                  .arg(bitacora::EsquemaBitacora::tablaCorridas()));

    const auto todas = bitacora::ConsultasBitacora::corridas(c, {}, {});
    ASSERT_EQ(todas.size(), 2);
    EXPECT_EQ(todas[0].operacion, Operacion::Importacion); // newest first
    EXPECT_EQ(todas[0].desenlace, EstadoCorrida::Fallido);
    const bitacora::Corrida& r = todas[1];
    EXPECT_EQ(r.desenlace, EstadoCorrida::Hecho);
    EXPECT_EQ(r.mensaje, QStringLiteral("Se generaron 2 pedidos."));
    EXPECT_EQ(r.cuentas.pedidos, 2);
    EXPECT_EQ(r.cuentas.renglones, 5);
    EXPECT_TRUE(r.fin.isValid());
    EXPECT_EQ(r.parametros.texto(),
              QStringLiteral("Del 01/03/2026 al 31/03/2026, serie A, desde el folio 100"));
    EXPECT_FALSE(r.usuarioBdD.isEmpty());

    const auto pedidos = bitacora::ConsultasBitacora::pedidos(c, r.id);
    ASSERT_EQ(pedidos.size(), 2);
    EXPECT_EQ(pedidos[0].pedidoOrigen, QStringLiteral("B-2"));
    EXPECT_EQ(pedidos[1].idNuevo, 12);

    const auto soloAcumulaciones = bitacora::ConsultasBitacora::corridas(
        c, QDate::currentDate(), QDate::currentDate(), Operacion::Acumulacion);
    ASSERT_EQ(soloAcumulaciones.size(), 1);
    EXPECT_EQ(soloAcumulaciones[0].id, r.id);
    EXPECT_TRUE(
        bitacora::ConsultasBitacora::corridas(c, QDate::currentDate().addDays(1), {}).isEmpty());
}

// A user who may change the orders but not create tables still runs the operation: the
// journal is off and the reason is given. Reading a database without a journal gives nothing.
TEST(Bitacora, WithoutTheRightToCreateItsTablesTheRunGoesOnWithoutIt) {
    pruebas::BaseEmpresa base(QStringLiteral("bitacorasin"));
    const pruebas::UsuarioSinCrear usuario(base.nombre());
    {
        auto c = host::Conexion::abrir(usuario.parametros());
        Bitacora b(*c, Operacion::Exportacion, {});
        EXPECT_FALSE(b.activa());
        EXPECT_TRUE(b.aviso().contains(QStringLiteral("no tiene permiso")))
            << b.aviso().toStdString();
        b.anota(*c, {acumulado(1, 2)}); // does nothing
        b.cierra(EstadoCorrida::Hecho, {}, {});
        EXPECT_TRUE(bitacora::ConsultasBitacora::corridas(*c, {}, {}).isEmpty());
    }
}

// A journal written before runs named their server and session gets the columns on the next
// run; its runs left in course are told interrupted, since no session can be asked for them.
TEST(Bitacora, AnOlderJournalGainsTheOwnerColumnsAndItsOpenRunsAreInterrupted) {
    pruebas::BaseEmpresa base(QStringLiteral("bitacoravieja"));
    host::Conexion& c = base.conexion();
    c.ejecuta(QStringLiteral("CREATE TABLE %1 (Id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY, "
                             "Operacion VARCHAR(16) NOT NULL, Inicio DATETIME NOT NULL, Fin "
                             "DATETIME NULL, UsuarioSistema VARCHAR(128) NOT NULL DEFAULT '', "
                             "Equipo VARCHAR(255) NOT NULL DEFAULT '', UsuarioBdD VARCHAR(255) "
                             "NOT NULL DEFAULT '', Desde DATE NULL, Hasta DATE NULL, Serie "
                             "VARCHAR(64) NULL, PrimerFolio INT NULL, Archivo VARCHAR(1024) NOT "
                             "NULL DEFAULT '', Destino VARCHAR(1024) NOT NULL DEFAULT '', "
                             "Desenlace VARCHAR(16) NOT NULL, Mensaje TEXT NULL, Pedidos BIGINT "
                             "NOT NULL DEFAULT 0, Renglones BIGINT NOT NULL DEFAULT 0, Clientes "
                             "BIGINT NOT NULL DEFAULT 0) ENGINE=InnoDB")
                  .arg(bitacora::EsquemaBitacora::tablaCorridas()));
    c.ejecuta(QStringLiteral("INSERT INTO %1 (Operacion, Inicio, Desenlace) VALUES "
                             "('exportacion', NOW() - INTERVAL 1 DAY, 'encurso')")
                  .arg(bitacora::EsquemaBitacora::tablaCorridas()));
    auto otra = pruebas::conecta(base.nombre());
    Bitacora enCurso(*otra, Operacion::Exportacion, {});
    ASSERT_TRUE(enCurso.activa()) << enCurso.aviso().toStdString();
    const auto corridas = bitacora::ConsultasBitacora::corridas(c, {}, {});
    ASSERT_EQ(corridas.size(), 2);
    EXPECT_FALSE(corridas[0].interrumpida); // its session is still there
    EXPECT_TRUE(corridas[1].interrumpida);
}

// However many runs a journal holds in course, telling the interrupted ones apart takes one
// query, not one per run: read on the same connection, the session's count of SELECTs moves
// by the list's query, the database's name and that one.
TEST(Bitacora, RunsInCourseAreToldInterruptedInOneQueryWhateverTheirNumber) {
    pruebas::BaseEmpresa base(QStringLiteral("bitacoracurso"));
    host::Conexion& c = base.conexion();
    bitacora::EsquemaBitacora::creaTablas(c);
    // 60 runs in course whose session is gone, 20 done.
    c.ejecuta(
        QStringLiteral("INSERT INTO %1 (Operacion, Inicio, Desenlace, Nodo, Sesion) "
                       "SELECT 'importacion', NOW() - INTERVAL seq MINUTE, IF(MOD(seq, 4) = 0, "
                       "'hecha', 'encurso'), CONCAT(@@hostname, ':', @@port), 999999999 "
                       "FROM seq_1_to_80")
            .arg(bitacora::EsquemaBitacora::tablaCorridas()));
    // One more in course whose session is alive.
    auto otra = pruebas::conecta(base.nombre());
    Bitacora viva(*otra, Operacion::Exportacion, {});
    const auto selects = [&] {
        return c.consulta(QStringLiteral("SHOW SESSION STATUS LIKE 'Com_select'"))->entero(1);
    };
    const qint64 antes = selects();
    const auto corridas = bitacora::ConsultasBitacora::corridas(c, {}, {});
    const qint64 hechas = selects() - antes;
    ASSERT_EQ(corridas.size(), 81);
    EXPECT_LE(hechas, 3);
    int interrumpidas = 0;
    for (const auto& r : corridas)
        interrumpidas += r.interrumpida;
    EXPECT_EQ(interrumpidas, 60);
    EXPECT_EQ(corridas[0].operacion, Operacion::Exportacion);
    EXPECT_FALSE(corridas[0].interrumpida);
}

// A list read a page at a time gives every run once, in the order of the whole list, also
// when many runs started in the same second and a page ends among them.
TEST(Bitacora, PagesOfTheListFollowEachOtherThroughRunsOfTheSameSecond) {
    pruebas::BaseEmpresa base(QStringLiteral("bitacorapaginas"));
    host::Conexion& c = base.conexion();
    bitacora::EsquemaBitacora::creaTablas(c);
    c.ejecuta(QStringLiteral("INSERT INTO %1 (Operacion, Inicio, Desenlace) SELECT 'exportacion', "
                             "'2026-05-10 10:00:00' + INTERVAL MOD(seq, 3) SECOND, 'hecha' FROM "
                             "seq_1_to_25")
                  .arg(bitacora::EsquemaBitacora::tablaCorridas()));
    const auto todas = bitacora::ConsultasBitacora::corridas(c, {}, {});
    ASSERT_EQ(todas.size(), 25);
    QVector<qint64> esperadas, leidas;
    for (const auto& r : todas)
        esperadas << r.id;
    bitacora::Seleccion pagina;
    pagina.limite = 4;
    for (int vueltas = 0; vueltas < 20; ++vueltas) {
        const auto filas = bitacora::ConsultasBitacora::corridas(c, pagina);
        for (const auto& r : filas)
            leidas << r.id;
        if (filas.size() < pagina.limite)
            break;
        pagina.despuesDe = filas.last();
    }
    EXPECT_EQ(leidas, esperadas);
    // Newest first, and within one second the higher Id first.
    EXPECT_EQ(todas[0].inicio, QDateTime(QDate(2026, 5, 10), QTime(10, 0, 2)));
    EXPECT_GT(todas[0].id, todas[1].id);
}

// The layout of the journal is recorded in its version row: a journal made now records the
// present one; a journal of the previous layout (every column there, no version row) is used
// as it is and then records it; one of the first layout (above) is upgraded first. A journal
// whose tables an administrator renamed away, its version row left behind, gets new tables:
// the row alone is never taken for the tables.
TEST(Bitacora, TheVersionRowRecordsTheLayoutAndNeverStandsInForMissingTables) {
    pruebas::BaseEmpresa base(QStringLiteral("bitacoraversion"));
    host::Conexion& c = base.conexion();
    const QString version = bitacora::EsquemaBitacora::tablaVersion();
    const auto guardada = [&] { return bitacora::EsquemaBitacora::versionGuardada(c); };
    EXPECT_EQ(guardada(), 0);
    { Bitacora b(c, Operacion::Acumulacion, {}); }
    EXPECT_EQ(guardada(), bitacora::EsquemaBitacora::version);

    // The previous layout: the same tables, no version row.
    c.ejecuta(QStringLiteral("DROP TABLE %1").arg(version));
    {
        Bitacora b(c, Operacion::Exportacion, {});
        ASSERT_TRUE(b.activa()) << b.aviso().toStdString();
        b.cierra(EstadoCorrida::Hecho, {}, {});
    }
    EXPECT_EQ(guardada(), bitacora::EsquemaBitacora::version);
    EXPECT_EQ(bitacora::ConsultasBitacora::corridas(c, {}, {}).size(), 2);

    // The runs' tables renamed away; the version row stays.
    c.ejecuta(QStringLiteral("RENAME TABLE %1 TO viejas_corridas, %2 TO viejos_pedidos")
                  .arg(bitacora::EsquemaBitacora::tablaCorridas(),
                       bitacora::EsquemaBitacora::tablaPedidos()));
    {
        Bitacora b(c, Operacion::Acumulacion, {});
        ASSERT_TRUE(b.activa()) << b.aviso().toStdString();
        EXPECT_EQ(b.corrida(), 1);
    }
    EXPECT_EQ(bitacora::ConsultasBitacora::corridas(c, {}, {}).size(), 1);
}

// A user who may use an administrator's journal but not create a table keeps the journal:
// the missing version row is no reason to stop it.
TEST(Bitacora, AUserWhoMayNotCreateTheVersionRowStillKeepsTheJournal) {
    pruebas::BaseEmpresa base(QStringLiteral("bitacorasinversion"));
    bitacora::EsquemaBitacora::creaTablas(base.conexion());
    base.conexion().ejecuta(
        QStringLiteral("DROP TABLE %1").arg(bitacora::EsquemaBitacora::tablaVersion()));
    const pruebas::UsuarioSinCrear usuario(base.nombre());
    auto c = host::Conexion::abrir(usuario.parametros());
    Bitacora b(*c, Operacion::Exportacion, {});
    EXPECT_TRUE(b.activa()) << b.aviso().toStdString();
    EXPECT_EQ(bitacora::EsquemaBitacora::versionGuardada(base.conexion()), 0);
}

// What an undo reads of an accumulation's order: the lines it moved come back as they were
// given, whatever characters their products carry, and the texts of the row keep theirs.
TEST(Bitacora, TheLinesAnOrderMovedReadBackWhateverTheirCharacters) {
    pruebas::BaseEmpresa base(QStringLiteral("bitacoramovidos"));
    host::Conexion& c = base.conexion();
    Bitacora b(c, Operacion::Acumulacion, {});
    ASSERT_TRUE(b.activa()) << b.aviso().toStdString();
    bitacora::PedidoAnotado p = acumulado(7, 70);
    p.baseOrigen = QStringLiteral("emp'resa\\2");
    p.pedidoOrigen = QStringLiteral("Ñ-7");
    const QVector<bitacora::RenglonMovido> movidos = {
        {QVariant(1), QVariant(QStringLiteral("P\t1\\x\nÑ")), QByteArray("2.5000")},
        {QVariant(), QVariant(QStringLiteral("\\N")), QByteArray("-1")},
        {QVariant(qint64(3)), QVariant(), QByteArray("0")}};
    p.movidos = movidos;
    p.resumen = QStringLiteral("ab").repeated(32);
    b.anota(c, {p, acumulado(8, 80)});
    b.cierra(EstadoCorrida::Hecho, {}, {});

    auto rs = c.consulta(QStringLiteral("SELECT BaseOrigen, PedidoOrigen, Movidos, Resumen, "
                                        "Huella, Linea FROM %1 WHERE Corrida=? ORDER BY Id")
                             .arg(bitacora::EsquemaBitacora::tablaPedidos()),
                         {b.corrida()});
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->texto(0), p.baseOrigen);
    EXPECT_EQ(rs->texto(1), p.pedidoOrigen);
    EXPECT_EQ(rs->texto(2), Bitacora::textoMovidos(movidos));
    EXPECT_EQ(rs->texto(3), p.resumen);
    const QVector<bitacora::RenglonMovido> leidos = Bitacora::leeMovidos(rs->texto(2));
    ASSERT_EQ(leidos.size(), movidos.size());
    for (qsizetype k = 0; k < movidos.size(); ++k) {
        EXPECT_EQ(leidos[k].partida.isNull(), movidos[k].partida.isNull()) << k;
        EXPECT_EQ(leidos[k].partida.toString(), movidos[k].partida.toString()) << k;
        EXPECT_EQ(leidos[k].producto.isNull(), movidos[k].producto.isNull()) << k;
        EXPECT_EQ(leidos[k].producto.toString(), movidos[k].producto.toString()) << k;
        EXPECT_EQ(leidos[k].cantidad, movidos[k].cantidad) << k;
    }
    // An order without digest, fingerprint, line or moved lines keeps NULL in each.
    rs->MoveNext();
    ASSERT_FALSE(rs->eof());
    for (int k = 2; k <= 5; ++k)
        EXPECT_TRUE(rs->esNulo(k)) << k;
}
