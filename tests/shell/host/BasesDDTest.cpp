#include "shell/host/BasesDD.h"
#include "support/ServidorPruebas.h"

#include <gtest/gtest.h>

using host::BasesDD;
using pruebas::BaseEmpresa;

TEST(Recordset, ReadsColumnsByNameAndPositionUntilEof) {
    BaseEmpresa b(QStringLiteral("rs"));
    b.conexion().ejecuta(
        QStringLiteral("INSERT INTO pedidos (Id, Factura, Serie, Fecha, Subtotal) "
                       "VALUES (5, 10, 'B', '2026-03-01', 12.5), (6, 11, '', NULL, NULL)"));
    std::unique_ptr<host::Recordset> rs;
    ASSERT_TRUE(BasesDD::AbrirTabla(rs, b.conexion(),
                                    QStringLiteral("pedidos where Id>=? order by Id"), {5},
                                    QStringLiteral("Id,Factura,Serie,Fecha,Subtotal")));
    EXPECT_EQ(rs->entero(QStringLiteral("factura")), 10);
    EXPECT_EQ(rs->texto(2), QStringLiteral("B"));
    EXPECT_EQ(rs->fecha(QStringLiteral("Fecha")), QDate(2026, 3, 1));
    EXPECT_EQ(rs->crudo(4), QByteArray("12.50"));
    EXPECT_EQ(rs->columna(4).clase, host::ClaseCampo::Decimal);
    rs->MoveNext();
    ASSERT_FALSE(rs->eof());
    EXPECT_TRUE(rs->esNulo(QStringLiteral("Fecha")));
    EXPECT_FALSE(rs->valor(4).isValid());
    rs->MoveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_THROW(rs->texto(0), host::ErrorBdD);

    EXPECT_FALSE(BasesDD::AbrirTabla(rs, b.conexion(), QStringLiteral("pedidos where Id=-9")));
    EXPECT_EQ(rs->columnas(), 37); // every column, even with no row
}

TEST(Recordset, StreamedReadDrainsUnreadRowsSoTheConnectionStaysUsable) {
    BaseEmpresa b(QStringLiteral("flujo"), true);
    {
        auto rs = b.conexion().consulta(QStringLiteral("SELECT Id FROM pedidosdetalle"), {},
                                        host::Conexion::Lectura::EnFlujo);
        ASSERT_FALSE(rs->eof());
        rs->MoveNext();
    }
    EXPECT_GT(b.cuenta(QStringLiteral("pedidosdetalle")), 1);
}

TEST(Conexion, EachConnectionSeesTheKeyOfItsOwnInsertNotTheHighestKey) {
    BaseEmpresa b(QStringLiteral("lastid"));
    auto otra = pruebas::conecta(b.nombre());
    b.conexion().ejecuta(QStringLiteral("INSERT INTO pedidos (Factura) VALUES (1)"));
    const quint64 mio = b.conexion().ultimoId();
    otra->ejecuta(QStringLiteral("INSERT INTO pedidos (Factura) VALUES (2)"));
    EXPECT_EQ(b.conexion().ultimoId(), mio);
    EXPECT_EQ(otra->ultimoId(), mio + 1);
}

// Several statements in one round trip: each runs in order, the first that fails is thrown
// with its own code and text, nothing after it runs, and the connection stays usable; rows
// a part returns are read and dropped.
TEST(Conexion, StatementsRunTogetherStopAtTheFirstThatFailsAndNameIt) {
    BaseEmpresa b(QStringLiteral("juntas"));
    b.conexion().ejecutaJuntas({"INSERT INTO productos (Clave) VALUES ('A')",
                                "SELECT Clave FROM productos",
                                "INSERT INTO productos (Clave) VALUES ('B')"});
    EXPECT_EQ(b.cuenta(QStringLiteral("productos")), 2);
    try {
        b.conexion().ejecutaJuntas({"INSERT INTO productos (Clave) VALUES ('C')",
                                    "INSERT INTO no_existe (Clave) VALUES ('D')",
                                    "INSERT INTO productos (Clave) VALUES ('E')"});
        FAIL() << "a failing part went unnoticed";
    } catch (const host::ErrorBdD& e) {
        EXPECT_EQ(e.codigo(), 1146u);
        EXPECT_TRUE(e.mensaje().contains(QStringLiteral("no_existe"))) << e.mensaje().toStdString();
        EXPECT_FALSE(e.mensaje().contains(QStringLiteral("'E'"))) << e.mensaje().toStdString();
    }
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(Clave ORDER BY Clave) FROM productos")),
              QStringLiteral("A,B,C"));
}

TEST(Valores, HostileTextsAreStoredVerbatimWhereverTheyAreBound) {
    BaseEmpresa b(QStringLiteral("hostil"));
    const QStringList textos = {
        QStringLiteral("O'Brien"),      QStringLiteral("dice \"hola\""),
        QStringLiteral("C:\\ruta\\"),   QStringLiteral("x'; DROP TABLE pedidos; -- "),
        QStringLiteral("/* nada */ #"), QStringLiteral("Ñandú ¿sí? ?")};
    int id = 0;
    for (const QString& t : textos) {
        b.conexion().ejecuta(QStringLiteral("INSERT INTO clientes (Clave, Nombre) VALUES (?, ?)"),
                             {QString::number(++id), t});
        b.conexion().ejecuta(QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES (?, ?)"),
                             {t, t});
    }
    id = 0;
    for (const QString& t : textos) {
        EXPECT_EQ(b.valor(QStringLiteral("SELECT Nombre FROM clientes WHERE Clave=?"),
                          {QString::number(++id)}),
                  t);
        EXPECT_EQ(BasesDD::LeeDato(t, b.conexion(), QStringLiteral("sistema")), t);
    }
    EXPECT_EQ(BasesDD::LeeDato(QStringLiteral("falta"), b.conexion(), QStringLiteral("sistema")),
              QString());
}

TEST(Conexion, PlaceholdersInsideQuotesAreLeftAloneAndCountsMustMatch) {
    BaseEmpresa b(QStringLiteral("marcas"));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT('?', ?, \"?\")"), {QStringLiteral("x")}),
              QStringLiteral("?x?"));
    EXPECT_THROW(b.conexion().ejecuta(QStringLiteral("SELECT ?, ?"), {1}), host::ErrorBdD);
    EXPECT_THROW(b.conexion().ejecuta(QStringLiteral("SELECT ?"), {1, 2}), host::ErrorBdD);
    EXPECT_EQ(host::Conexion::identificador(QStringLiteral("a`b")), QStringLiteral("`a``b`"));
}

namespace {

// The message of the failure to open that connection; empty when it opened.
QString alAbrir(const host::ParametrosConexion& p) {
    try {
        host::Conexion::abrir(p);
    } catch (const host::ErrorBdD& e) {
        return e.mensaje();
    }
    return {};
}

} // namespace

TEST(Conexion, DriverFailuresAreToldInSpanishWithWhatToDoAndTheDriversTextAsDetail) {
    // Nothing listens on port 1: the server is refused by the system.
    host::ParametrosConexion p = pruebas::parametros(QStringLiteral("datos1"));
    p.puerto = 1;
    p.password = QStringLiteral("secreto123");
    QString m = alAbrir(p);
    EXPECT_TRUE(m.startsWith(QStringLiteral("No se pudo conectar con el servidor %1, puerto 1 "
                                            "(base de datos \"datos1\", usuario \"%2\"): revise "
                                            "que esté encendido y acepte conexiones. (detalle: "
                                            "Can't connect to ")
                                 .arg(p.servidor, p.usuario)))
        << m.toStdString();
    EXPECT_FALSE(m.contains(QStringLiteral("secreto123")));

    // A wrong password names the user, never the password.
    p = pruebas::parametros();
    p.usuario = QStringLiteral("nadie");
    p.password = QStringLiteral("secreto123");
    m = alAbrir(p);
    EXPECT_TRUE(m.contains(QStringLiteral("no aceptó al usuario \"nadie\" con su contraseña: "
                                          "revise el usuario y la contraseña")))
        << m.toStdString();
    EXPECT_TRUE(m.contains(QStringLiteral("(detalle: Access denied for user")));
    EXPECT_FALSE(m.contains(QStringLiteral("secreto123")));

    // An unknown database, on connecting and on a later USE, where only the detail names it.
    const QString falta = pruebas::nombreUnico(QStringLiteral("falta"));
    m = alAbrir(pruebas::parametros(falta));
    EXPECT_TRUE(m.startsWith(
        QStringLiteral("No existe la base de datos \"%1\" en el servidor ").arg(falta)))
        << m.toStdString();
    EXPECT_TRUE(m.contains(QStringLiteral("revise su nombre en la configuración. (detalle: "
                                          "Unknown database")));
    auto conexion = pruebas::conecta();
    try {
        conexion->ejecuta(QStringLiteral("USE %1").arg(host::Conexion::identificador(falta)));
        FAIL() << "USE of a missing database";
    } catch (const host::ErrorBdD& e) {
        EXPECT_EQ(e.codigo(), 1049u);
        EXPECT_TRUE(e.mensaje().startsWith(QStringLiteral("No existe la base de datos indicada")));
        EXPECT_TRUE(e.mensaje().section(u'\n', 0, 0).contains(falta)) << e.mensaje().toStdString();
    }

    // The server drops the connection: the statement says so and what to check first.
    const QString id = conexion->consulta(QStringLiteral("SELECT CONNECTION_ID()"))->texto(0);
    pruebas::conecta()->ejecuta(QStringLiteral("KILL ") + id);
    try {
        conexion->consulta(QStringLiteral("SELECT 1"));
        FAIL() << "a killed connection answered";
    } catch (const host::ErrorBdD& e) {
        EXPECT_TRUE(e.conexionPerdida()) << e.codigo();
        EXPECT_TRUE(
            e.mensaje().startsWith(QStringLiteral("Se perdió la conexión con el servidor")));
        EXPECT_TRUE(e.mensaje().contains(QStringLiteral("revise que siga encendido y que la red "
                                                        "funcione antes de repetir la operación. "
                                                        "(detalle: ")))
            << e.mensaje().toStdString();
    }
}

TEST(Transaccion, RollsBackUnlessConfirmed) {
    BaseEmpresa b(QStringLiteral("trans"));
    {
        host::Transaccion t(b.conexion());
        b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave) VALUES ('A')"));
    }
    EXPECT_EQ(b.cuenta(QStringLiteral("productos")), 0);
    {
        host::Transaccion t(b.conexion());
        b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave) VALUES ('A')"));
        t.confirma();
    }
    EXPECT_EQ(b.cuenta(QStringLiteral("productos")), 1);
}

// Asked with the transaction's opening, the reads' wait for a cluster's other nodes is the
// session's from then on, as leeAlDia() leaves it; the transaction opened as any other.
TEST(Transaccion, OpenedUpToDateKeepsTheSessionsWaitForOtherNodes) {
    BaseEmpresa b(QStringLiteral("trans"));
    if (b.valor(QStringLiteral("SELECT COUNT(*) FROM information_schema.SESSION_VARIABLES "
                               "WHERE VARIABLE_NAME='WSREP_SYNC_WAIT'")) == QStringLiteral("0"))
        GTEST_SKIP() << "server without replication";
    {
        host::Transaccion t(b.conexion(), host::Conexion::AlDia::Si);
        b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave) VALUES ('A')"));
        t.confirma();
    }
    EXPECT_EQ(b.valor(QStringLiteral("SELECT @@SESSION.wsrep_sync_wait & 1")), QStringLiteral("1"));
    EXPECT_EQ(b.cuenta(QStringLiteral("productos")), 1);
}

// The confirmation of a transaction the server ended commits nothing of what ran since: the
// savepoint's failure stops the COMMIT sent with it.
TEST(Transaccion, OneTheServerEndedIsNotCommittedByItsConfirmation) {
    BaseEmpresa b(QStringLiteral("trans"));
    host::Transaccion t(b.conexion());
    b.conexion().ejecuta(QStringLiteral("CREATE TABLE otra (n INT)")); // commits on its own
    b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave) VALUES ('B')"));
    try {
        t.confirma();
        FAIL() << "the ended transaction was confirmed";
    } catch (const host::ErrorBdD& e) {
        EXPECT_EQ(e.codigo(), 1213u);
    }
    EXPECT_EQ(b.cuenta(QStringLiteral("productos")), 0);
    // The session is left in autocommit, as after any transaction.
    b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave) VALUES ('C')"));
    EXPECT_EQ(pruebas::conecta(b.nombre())
                  ->consulta(QStringLiteral("SELECT COUNT(*) FROM productos"))
                  ->entero(0),
              1);
}

// A transaction the server ended behind the session's back (a cluster node does so to let
// another node's commit through; a statement that commits implicitly does it here) is told
// as a conflict to retry when its check runs, and not before.
TEST(Transaccion, OneTheServerEndedIsToldAsAConflictByItsCheck) {
    BaseEmpresa b(QStringLiteral("trans"));
    host::Transaccion t(b.conexion());
    b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave) VALUES ('A')"));
    EXPECT_NO_THROW(b.conexion().compruebaTransaccion());
    b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave) VALUES ('B')"));
    b.conexion().ejecuta(QStringLiteral("CREATE TABLE otra (n INT)"));
    try {
        b.conexion().compruebaTransaccion();
        FAIL() << "the ended transaction was taken as intact";
    } catch (const host::ErrorBdD& e) {
        EXPECT_EQ(e.codigo(), 1213u);
    }
}
