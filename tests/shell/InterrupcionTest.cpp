// The commands, run as the program itself, against locks another session holds and signals
// that ask them to stop.
#include "EntornoShell.h"
#include "accumulation/Escenario.h"
#include "db/GeneradorDemo.h"
#include "export/Exportacion.h"
#include "journal/Bitacora.h"
#include "support/IntermediarioMysql.h"
#include "support/ServidorPruebas.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// One run of the program with a command, read as it goes.
class Ejecucion {
public:
    // esperaBloqueo: ACUMULA_ESPERA_BLOQUEO for the run; 0 for the program's own.
    Ejecucion(const QString& ini, const QStringList& argumentos, int esperaBloqueo = 0) {
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.remove(QStringLiteral("ACUMULA_ESPERA_BLOQUEO"));
        if (esperaBloqueo > 0)
            entorno.insert(QStringLiteral("ACUMULA_ESPERA_BLOQUEO"),
                           QString::number(esperaBloqueo));
        proceso_.setProcessEnvironment(entorno);
        proceso_.start(QStringLiteral(ACUMULA_EJECUTABLE),
                       QStringList{QStringLiteral("--ini"), ini} + argumentos);
        reloj_.start();
    }
    ~Ejecucion() {
        if (proceso_.state() != QProcess::NotRunning) {
            proceso_.kill();
            proceso_.waitForFinished();
        }
    }

    // True once listo() holds, reading the output meanwhile; false when the program ended
    // first or the time ran out.
    bool espera(const std::function<bool()>& listo, int milisegundos = 20000) {
        QDeadlineTimer limite(milisegundos);
        while (!listo()) {
            if (limite.hasExpired() || proceso_.state() == QProcess::NotRunning)
                return listo();
            proceso_.waitForReadyRead(20);
            lee();
        }
        return true;
    }
    bool dijo(const QString& texto) {
        return espera([&] { return errores.contains(texto) || salida.contains(texto); });
    }
    void senal(int numero) { ::kill(pid_t(proceso_.processId()), numero); }
    // Waits for the end; false when it did not come in time.
    bool termina(int milisegundos = 60000) {
        const bool fin = proceso_.waitForFinished(milisegundos);
        lee();
        estado = fin && proceso_.exitStatus() == QProcess::NormalExit ? proceso_.exitCode() : -1;
        duracion = reloj_.elapsed();
        return fin;
    }

    int estado = -1;
    qint64 duracion = 0;
    QString salida, errores;

private:
    void lee() {
        salida += QString::fromUtf8(proceso_.readAllStandardOutput());
        errores += QString::fromUtf8(proceso_.readAllStandardError());
    }
    QProcess proceso_;
    QElapsedTimer reloj_;
};

// The last run of a database's journal: its outcome and orders; empty before the first.
QString ultimaCorrida(host::Conexion& c) {
    try {
        auto rs = c.consulta(QStringLiteral("SELECT CONCAT(Desenlace, ' ', Pedidos) FROM "
                                            "acumulapedidos_corridas ORDER BY Id DESC LIMIT 1"));
        return rs->eof() ? QString() : rs->texto(0);
    } catch (const host::ErrorBdD& e) {
        if (e.codigo() != 1146) // no journal yet
            throw;
        return {};
    }
}

const QDate dia(2026, 4, 1);
const QStringList enviar{QStringLiteral("enviar"), QStringLiteral("--destino"),
                         QStringLiteral("suc")};
const QStringList acumular{
    QStringLiteral("acumular"), QStringLiteral("--desde"),    QStringLiteral("2026-04-01"),
    QStringLiteral("--hasta"),  QStringLiteral("2026-04-01"), QStringLiteral("--folio"),
    QStringLiteral("1"),        QStringLiteral("--serie"),    QStringLiteral("A")};

// n orders of one line in the source, written to a transfer file; its path.
QString archivo(pruebas::BaseEmpresa& origen, int n, const QString& carpeta) {
    origen.ejecuta(QStringLiteral("INSERT INTO pedidos (Factura, Serie, Cliente, Fecha, Subtotal) "
                                  "SELECT seq, 'A', CONCAT('C', seq MOD 50), '2026-01-15', 10 "
                                  "FROM seq_1_to_%1")
                       .arg(n));
    origen.ejecuta(QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, Producto, Cantidad, "
                                  "Pedido) SELECT Id, 1, 'P1', 3, 3 FROM pedidos"));
    QVector<qint64> ids;
    for (auto rs = origen.conexion().consulta(QStringLiteral("SELECT Id FROM pedidos")); !rs->eof();
         rs->MoveNext())
        ids << rs->entero(0);
    const auto r =
        exportacion::EscribeArchivo(origen.conexion(), ids, QStringLiteral("pedidos.txt"), carpeta);
    EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
    return r.archivo;
}

// Runs a command to its end, which must be a success.
void correHastaElFin(const QString& ini, const QStringList& argumentos) {
    Ejecucion corrida(ini, argumentos);
    ASSERT_TRUE(corrida.termina());
    EXPECT_EQ(corrida.estado, 0) << corrida.errores.toStdString();
}

// Runs a command and sends it SIGTERM once the server's process list shows, on base's
// server, a statement that condicion (over PROCESSLIST, given base's name) finds: it must
// end as cancelled. Its error output.
QString detieneMientras(const QString& ini, const QStringList& argumentos,
                        pruebas::BaseEmpresa& base, const QString& condicion) {
    Ejecucion corrida(ini, argumentos);
    EXPECT_TRUE(corrida.espera([&] {
        return base.cuenta(QStringLiteral("information_schema.PROCESSLIST WHERE ") + condicion,
                           {base.nombre()}) > 0;
    })) << corrida.errores.toStdString();
    corrida.senal(SIGTERM);
    EXPECT_TRUE(corrida.termina());
    EXPECT_EQ(corrida.estado, 1) << corrida.errores.toStdString();
    return corrida.errores;
}

// A command held by another session's lock: with waits of 2 s, each tried twice, it ends
// within seconds, saying what it waited for (aviso) and why it stopped (causa); with the
// program's own waits, SIGTERM ends it at once as cancelled.
void esperaYSeDetiene(const QString& ini, const QStringList& argumentos, const QString& aviso,
                      const QString& causa) {
    Ejecucion corta(ini, argumentos, 2);
    ASSERT_TRUE(corta.termina());
    EXPECT_EQ(corta.estado, 1);
    EXPECT_LT(corta.duracion, 15000);
    EXPECT_TRUE(corta.errores.contains(aviso)) << corta.errores.toStdString();
    EXPECT_TRUE(corta.errores.contains(causa)) << corta.errores.toStdString();

    Ejecucion larga(ini, argumentos);
    ASSERT_TRUE(larga.dijo(aviso)) << larga.errores.toStdString();
    QElapsedTimer reloj;
    reloj.start();
    larga.senal(SIGTERM);
    ASSERT_TRUE(larga.termina());
    EXPECT_LT(reloj.elapsed(), 3000);
    EXPECT_EQ(larga.estado, 1);
    EXPECT_EQ(larga.errores.count(QStringLiteral("Deteniendo la orden")), 1)
        << larga.errores.toStdString();
    EXPECT_TRUE(larga.errores.contains(QStringLiteral("Acumulación cancelada")) ||
                larga.errores.contains(QStringLiteral("Se canceló la importación")))
        << larga.errores.toStdString();
}

class Interrupcion : public ::testing::Test {
protected:
    void SetUp() override {
        entorno.configura(pruebas::parametros(), e.actual().nombre(), e.actual().nombre(),
                          destino.nombre());
        for (int folio = 1; folio <= 3; ++folio)
            e.pedido(e.empresa(1), QString(), folio, dia, {{"P1", 2, 2}});
    }
    QString ini() const { return entorno.programa.archivoIni; }
    // The destination "suc" in the INI: the database destino, on this machine.
    void destinoEnIni() {
        const host::ParametrosConexion p = pruebas::parametros();
        QFile archivoIni(ini());
        ASSERT_TRUE(archivoIni.open(QIODevice::Append));
        archivoIni.write(QStringLiteral("[Destino suc]\nServidor=%1\nPuerto=%2\nBase de datos=%3\n"
                                        "Usuario=%4\nPassword=%5\nCifrado=No\n")
                             .arg(p.servidor)
                             .arg(p.puerto)
                             .arg(destino.nombre(), p.usuario, p.password)
                             .toUtf8());
        archivoIni.close();
    }
    qint64 movidos() { return e.actual().cuenta(QStringLiteral("pedidos")); }

    pruebas::Escenario e{1};
    pruebas::BaseEmpresa origen{QStringLiteral("int_o")};
    pruebas::BaseEmpresa destino{QStringLiteral("int_d")};
    pruebas::EntornoShell entorno;
};

// A table another session locked (LOCK TABLES … WRITE): the command says what it waits for,
// gives up once its waits run out, and a SIGTERM meanwhile ends it at once as cancelled.
TEST_F(Interrupcion, ATableLockedByAnotherSessionIsToldBoundedAndStoppedBySigterm) {
    const QString ruta = archivo(origen, 3, entorno.ruta(QString()));
    const QStringList importar{QStringLiteral("importar"), QStringLiteral("--archivo"), ruta};
    auto bloqueoActual = pruebas::conecta(e.actual().nombre());
    bloqueoActual->ejecuta(QStringLiteral("LOCK TABLES sistema WRITE"));
    auto bloqueoDestino = pruebas::conecta(destino.nombre());
    bloqueoDestino->ejecuta(QStringLiteral("LOCK TABLES sistema WRITE"));

    const QString aviso = QStringLiteral("Esperando a que otro usuario libere la tabla sistema "
                                         "de la base de datos \"%1\"…");
    esperaYSeDetiene(ini(), acumular, aviso.arg(e.actual().nombre()),
                     QStringLiteral("Otro usuario está cambiando"));
    esperaYSeDetiene(ini(), importar, aviso.arg(destino.nombre()),
                     QStringLiteral("se intentó 2 veces"));
    bloqueoActual->ejecuta(QStringLiteral("UNLOCK TABLES"));
    EXPECT_EQ(movidos(), 0);
    EXPECT_EQ(e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido=2")), 3);
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidos")), 0);
    EXPECT_EQ(ultimaCorrida(e.actual().conexion()), QStringLiteral("cancelada 0"));
    EXPECT_EQ(ultimaCorrida(destino.conexion()), QStringLiteral("cancelada 0"));

    // A send waits the same on the destination; its export, done, records that nothing arrived.
    e.pedido(e.actual(), QStringLiteral("S"), 1, dia, {{"P1", 1, 1}});
    destinoEnIni();
    esperaYSeDetiene(ini(), enviar, aviso.arg(destino.nombre()),
                     QStringLiteral("se intentó 2 veces"));
    bloqueoDestino->ejecuta(QStringLiteral("UNLOCK TABLES"));
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidos")), 0);
    EXPECT_EQ(ultimaCorrida(destino.conexion()), QStringLiteral("cancelada 0"));
    EXPECT_TRUE(e.actual()
                    .valor(QStringLiteral("SELECT Mensaje FROM acumulapedidos_corridas ORDER BY "
                                          "Id DESC LIMIT 1"))
                    .contains(QStringLiteral("No llegó al destino suc")));
}

// SIGTERM at several moments of each command: every order moved whole or not at all, and the
// journal says the run was cancelled, with what it moved.
TEST_F(Interrupcion, SigtermLeavesEveryOrderWholeAndTheJournalSaysCancelled) {
    for (int folio = 4; folio <= 450; ++folio)
        e.pedido(e.empresa(1), QString(), folio, dia, {{"P1", 1, 1}, {"P2", 1, 1}});
    // At once (before any order moved), and once the first group is stored.
    for (int lineas : {0, 1}) {
        const qint64 antes = movidos();
        Ejecucion corrida(ini(), acumular);
        ASSERT_TRUE(corrida.espera([&] {
            return lineas == 0 ? !ultimaCorrida(e.actual().conexion()).isEmpty()
                               : corrida.salida.count(u'\n') >= lineas;
        }));
        corrida.senal(SIGTERM);
        ASSERT_TRUE(corrida.termina());
        const qint64 n = movidos();
        const qint64 limpios = e.empresa(1).cuenta(
            QStringLiteral("pedidos p WHERE NOT EXISTS (SELECT 1 FROM pedidosdetalle d WHERE "
                           "d.Id=p.Id AND d.Pedido<>0)"));
        EXPECT_EQ(limpios, n);
        EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidosdetalle")),
                  e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido=0")));
        if (corrida.estado == 0) // it was done before the signal came
            continue;
        EXPECT_EQ(corrida.estado, 1) << corrida.errores.toStdString();
        EXPECT_TRUE(corrida.errores.contains(
            QStringLiteral("Acumulación cancelada. Pedidos movidos completos: %1").arg(n - antes)))
            << corrida.errores.toStdString();
        EXPECT_TRUE(ultimaCorrida(e.actual().conexion()).startsWith(QStringLiteral("cancelada")));
    }

    // The import: while checking the file, and while writing it.
    const QString ruta = archivo(origen, 20000, entorno.ruta(QString()));
    for (bool escribiendo : {false, true}) {
        Ejecucion corrida(ini(), {QStringLiteral("importar"), QStringLiteral("--archivo"), ruta});
        ASSERT_TRUE(corrida.espera([&] {
            return ultimaCorrida(destino.conexion()).startsWith(QStringLiteral("encurso")) &&
                   (!escribiendo ||
                    destino.cuenta(QStringLiteral("information_schema.PROCESSLIST WHERE DB=? AND "
                                                  "INFO LIKE 'INSERT INTO pedidos%'"),
                                   {destino.nombre()}) > 0);
        }));
        corrida.senal(SIGTERM);
        ASSERT_TRUE(corrida.termina());
        EXPECT_EQ(corrida.estado, 1) << corrida.errores.toStdString();
        EXPECT_TRUE(corrida.errores.contains(QStringLiteral("Se canceló la importación")))
            << corrida.errores.toStdString();
        EXPECT_EQ(destino.cuenta(QStringLiteral("pedidos")), 0);
        EXPECT_EQ(destino.cuenta(QStringLiteral("pedidosdetalle")), 0);
        EXPECT_EQ(destino.cuenta(QStringLiteral("clientes")), 0);
        EXPECT_EQ(ultimaCorrida(destino.conexion()), QStringLiteral("cancelada 0"));
    }
}

// SIGTERM while a send writes the destination: nothing is there and both journals say the
// run was cancelled; the send then asked again stores each order once.
TEST_F(Interrupcion, SigtermMidSendLeavesNothingThereAndTheRetryArrivesOnce) {
    const int n = 20000;
    e.actual().ejecuta(
        QStringLiteral("INSERT INTO pedidos (Factura, Serie, Cliente, Fecha, Subtotal) SELECT "
                       "seq, 'S', CONCAT('C', seq MOD 50), '2026-01-15', 10 FROM seq_1_to_%1")
            .arg(n));
    e.actual().ejecuta(QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, Producto, "
                                      "Cantidad, Pedido) SELECT Id, 1, 'P1', 3, 3 FROM pedidos "
                                      "WHERE Serie='S'"));
    destinoEnIni();
    const qint64 pedidos = e.actual().cuenta(QStringLiteral("pedidos"));

    const QString errores = detieneMientras(
        ini(), enviar, destino, QStringLiteral("DB=? AND INFO LIKE 'INSERT INTO pedidos%'"));
    EXPECT_TRUE(errores.contains(QStringLiteral("Se canceló la importación")))
        << errores.toStdString();
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidos")), 0);
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidosdetalle")), 0);
    EXPECT_EQ(ultimaCorrida(destino.conexion()), QStringLiteral("cancelada 0"));
    EXPECT_FALSE(ultimaCorrida(e.actual().conexion()).startsWith(QStringLiteral("encurso")));

    correHastaElFin(ini(), enviar);
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidos")), pedidos);
    EXPECT_EQ(destino.cuenta(QStringLiteral("acumulapedidos_huellas WHERE Veces<>1")), 0);
}

// SIGTERM while an undo deletes: the import stays whole and the undo's run says it was
// cancelled; the undo asked again takes everything back.
TEST_F(Interrupcion, SigtermMidUndoKeepsTheImportWholeAndTheRetryUndoesIt) {
    const QString ruta = archivo(origen, 20000, entorno.ruta(QString()));
    correHastaElFin(ini(), {QStringLiteral("importar"), QStringLiteral("--archivo"), ruta});
    const QString corrida =
        destino.conexion()
            .consulta(QStringLiteral("SELECT MAX(Id) FROM acumulapedidos_corridas"))
            ->texto(0);
    const auto suma = [&] {
        return destino.conexion()
            .consulta(QStringLiteral("SELECT CONCAT((SELECT COUNT(*) FROM pedidos), ' ', "
                                     "(SELECT COUNT(*) FROM pedidosdetalle), ' ', (SELECT "
                                     "SUM(PorVender) FROM productos))"))
            ->texto(0);
    };
    const QString importado = suma();
    const QStringList deshacer{QStringLiteral("deshacer"), QStringLiteral("--corrida"), corrida,
                               QStringLiteral("--base"), destino.nombre()};

    detieneMientras(ini(), deshacer, destino,
                    QStringLiteral("INFO LIKE CONCAT('DELETE FROM `', ?, '`.%')"));
    EXPECT_EQ(suma(), importado);
    EXPECT_EQ(ultimaCorrida(destino.conexion()), QStringLiteral("cancelada 0"));

    correHastaElFin(ini(), deshacer);
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidos")), 0);
}

// A server that stops answering while a command waits on it: the stop then waits for the
// server too, so the first signal is told at once rather than looking like a hang, and a
// second one ends the program.
TEST_F(Interrupcion, ASilentServerHearsTheFirstSignalToldAndTheSecondEndsIt) {
    pruebas::IntermediarioMysql rele(pruebas::parametros().servidor, pruebas::parametros().puerto);
    entorno.configura(rele.redirige(pruebas::parametros()), e.actual().nombre(),
                      e.actual().nombre(), destino.nombre());
    auto bloqueo = pruebas::conecta(e.actual().nombre());
    bloqueo->ejecuta(QStringLiteral("LOCK TABLES sistema WRITE"));
    Ejecucion corrida(ini(), acumular);
    ASSERT_TRUE(corrida.dijo(QStringLiteral("Esperando a que otro usuario libere")))
        << corrida.errores.toStdString();
    rele.enmudece();
    corrida.senal(SIGTERM);
    ASSERT_TRUE(corrida.espera(
        [&] { return corrida.errores.contains(QStringLiteral("Deteniendo la orden")); }, 3000))
        << corrida.errores.toStdString();
    corrida.senal(SIGTERM);
    ASSERT_TRUE(corrida.termina(5000));
    EXPECT_EQ(corrida.estado, -1); // ended by the signal itself
    bloqueo->ejecuta(QStringLiteral("UNLOCK TABLES"));
    EXPECT_EQ(movidos(), 0);
}

// A backup's lock on the whole server (FLUSH TABLES WITH READ LOCK), on a server of the
// test's own: every other user's writes wait behind it.
TEST(InterrupcionServidor, ABackupLockIsToldBoundedAndStoppedBySigterm) {
    pruebas::ServidorPropio servidor(pruebas::puertoPropio(41));
    auto c = host::Conexion::abrir(servidor.parametros());
    demo::Parametros p;
    p.empresas = 1;
    p.pedidos = 5;
    p.prefijo = QStringLiteral("bloq");
    const QStringList bases = demo::generaDemo(*c, p);
    QTemporaryDir carpeta;
    auto origen = host::Conexion::abrir(servidor.parametros(bases[1]));
    QVector<qint64> ids;
    for (auto rs = origen->consulta(QStringLiteral("SELECT Id FROM pedidos")); !rs->eof();
         rs->MoveNext())
        ids << rs->entero(0);
    const auto escrito =
        exportacion::EscribeArchivo(*origen, ids, QStringLiteral("pedidos.txt"), carpeta.path());
    ASSERT_TRUE(escrito.ok);
    for (const QString& base : bases) {
        auto b = host::Conexion::abrir(servidor.parametros(base));
        bitacora::EsquemaBitacora::creaTablas(*b);
    }
    pruebas::EntornoShell entorno;
    entorno.configura(servidor.parametros(), bases[0], bases[0], bases[1]);
    c->ejecuta(QStringLiteral("FLUSH TABLES WITH READ LOCK"));

    const QStringList importar{QStringLiteral("importar"), QStringLiteral("--archivo"),
                               escrito.archivo};
    const QStringList todo{
        QStringLiteral("acumular"), QStringLiteral("--desde"),    QStringLiteral("2026-01-01"),
        QStringLiteral("--hasta"),  QStringLiteral("2026-12-31"), QStringLiteral("--folio"),
        QStringLiteral("1"),        QStringLiteral("--serie"),    QStringLiteral("A")};
    for (const QStringList& argumentos : {todo, importar})
        esperaYSeDetiene(entorno.programa.archivoIni, argumentos,
                         QStringLiteral("Esperando a que otro usuario libere el servidor"),
                         QStringLiteral("Otro usuario está cambiando"));
    c->ejecuta(QStringLiteral("UNLOCK TABLES"));
    auto actual = host::Conexion::abrir(servidor.parametros(bases[0]));
    EXPECT_EQ(
        actual->consulta(QStringLiteral("SELECT COUNT(*) FROM acumulapedidos_corridas"))->entero(0),
        0);
}

} // namespace
