#include "shell/host/BasesDD.h"
#include "shell/host/ConversionValor.h"
#include "support/ServidorPruebas.h"

#include <gtest/gtest.h>

using host::BasesDD;
using pruebas::BaseEmpresa;

namespace {

QStringList lista(std::initializer_list<QString> valores) {
    QStringList l{QString()}; // index 0 stays unused
    for (const QString& v : valores)
        l << v;
    return l;
}

} // namespace

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

TEST(TablaInsercion, AddsRowsByColumnPositionAndNameAndTakesTheServersKey) {
    BaseEmpresa b(QStringLiteral("ins"));
    auto tabla = BasesDD::AbrirTablaInsercion(b.conexion(), QStringLiteral("pedidos"));
    ASSERT_EQ(tabla->columnas().at(0).nombre, QStringLiteral("Id"));
    ASSERT_EQ(tabla->columnas().at(2).nombre, QStringLiteral("Serie"));
    tabla->AddNew();
    tabla->asigna(1, 77);
    tabla->asigna(QStringLiteral("serie"), QStringLiteral("A"));
    tabla->asigna(QStringLiteral("Fecha"), QDate(2026, 5, 4));
    tabla->Update();
    const quint64 id =
        BasesDD::LastId(b.conexion(), QStringLiteral("pedidos"), QStringLiteral("Id"));
    EXPECT_GT(id, 0u);
    EXPECT_EQ(b.valor(QStringLiteral(
                          "SELECT CONCAT(Serie,'-',Factura,' ',Fecha) FROM pedidos WHERE Id=?"),
                      {id}),
              QStringLiteral("A-77 2026-05-04"));
    EXPECT_THROW(tabla->asigna(QStringLiteral("NoExiste"), 1), host::ErrorBdD);
}

TEST(LastId, EachConnectionSeesItsOwnInsertNotTheHighestKey) {
    BaseEmpresa b(QStringLiteral("lastid"));
    auto otra = pruebas::conecta(b.nombre());
    b.conexion().ejecuta(QStringLiteral("INSERT INTO pedidos (Factura) VALUES (1)"));
    const quint64 mio =
        BasesDD::LastId(b.conexion(), QStringLiteral("pedidos"), QStringLiteral("Id"));
    otra->ejecuta(QStringLiteral("INSERT INTO pedidos (Factura) VALUES (2)"));
    EXPECT_EQ(BasesDD::LastId(b.conexion(), QStringLiteral("pedidos"), QStringLiteral("Id")), mio);
    EXPECT_EQ(BasesDD::LastId(*otra, QStringLiteral("pedidos"), QStringLiteral("Id")), mio + 1);
}

TEST(LeeGrabaDato, ReadsMissingAsEmptyCreatesAndUpdatesRows) {
    BaseEmpresa b(QStringLiteral("dato"));
    EXPECT_EQ(BasesDD::LeeDato(QStringLiteral("PE-B"), b.conexion(), QStringLiteral("sistema")),
              QString());
    BasesDD::GrabaDato(QStringLiteral("PE-B"), QStringLiteral("41"), b.conexion(),
                       QStringLiteral("sistema"));
    BasesDD::GrabaDato(QStringLiteral("PE-B"), QStringLiteral("41"), b.conexion(),
                       QStringLiteral("sistema"));
    BasesDD::GrabaDato(QStringLiteral("PE-B"), QStringLiteral("42"), b.conexion(),
                       QStringLiteral("sistema"));
    EXPECT_EQ(BasesDD::LeeDato(QStringLiteral("PE-B"), b.conexion(), QStringLiteral("sistema")),
              QStringLiteral("42"));
    EXPECT_EQ(b.cuenta(QStringLiteral("sistema")), 1);
    BasesDD::GrabaDato(QStringLiteral("SeriesEnPed"), QStringLiteral("Sí"), b.conexion(),
                       QStringLiteral("configura"));
    EXPECT_EQ(
        BasesDD::LeeDato(QStringLiteral("SeriesEnPed"), b.conexion(), QStringLiteral("configura")),
        QStringLiteral("Sí"));
}

TEST(AgregaRegistro, ConvertsTextsIntoTheColumnTypes) {
    BaseEmpresa b(QStringLiteral("agrega"));
    auto rs = BasesDD::AbrirTablaInsercion(b.conexion(), QStringLiteral("pedidos"));
    BasesDD::AgregaRegistro(
        *rs, b.conexion(), QStringLiteral("pedidos"),
        lista({QStringLiteral("Id"), QStringLiteral("Fecha"), QStringLiteral("Vence"),
               QStringLiteral("Subtotal"), QStringLiteral("Afectada"), QStringLiteral("Cancelada"),
               QStringLiteral("Nota"), QStringLiteral("Capturado"), QStringLiteral("Descuento")}),
        lista({QStringLiteral("9"), QStringLiteral("05/Ene/2026"), QStringLiteral("31/dic./2026"),
               QStringLiteral("-1234.56"), QStringLiteral("#TRUE#"), QStringLiteral("#FALSE#"),
               QStringLiteral("#NULL#"), QStringLiteral("#2026-02-03 10:11:12#"),
               QStringLiteral(".5")}));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT_WS('|',Fecha,Vence,Subtotal,Afectada,Cancelada,"
                                     "ISNULL(Nota),Capturado,Descuento) FROM pedidos WHERE Id=9")),
              QStringLiteral("2026-01-05|2026-12-31|-1234.56|1|0|1|2026-02-03 10:11:12|0.50"));

    BasesDD::AgregaRegistro(
        *rs, b.conexion(), QStringLiteral("pedidos"),
        lista({QStringLiteral("Id"), QStringLiteral("Fecha"), QStringLiteral("Vence")}),
        lista(
            {QStringLiteral("10"), QStringLiteral("7/aug/2025"), QStringLiteral("#2025-08-09#")}));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT(Fecha,' ',Vence) FROM pedidos WHERE Id=10")),
              QStringLiteral("2025-08-07 2025-08-09"));
}

TEST(AgregaRegistro, RefusesAValueItsColumnCannotTakeNamingColumnAndValue) {
    BaseEmpresa b(QStringLiteral("rechaza"));
    auto rs = BasesDD::AbrirTablaInsercion(b.conexion(), QStringLiteral("pedidosdetalle"));
    const struct {
        const char* columna;
        const char* valor;
    } malos[] = {{"Cantidad", "tres"}, {"Cantidad", ""}, {"Partida", "1.5"}, {"Cantidad", "1,5"}};
    for (const auto& m : malos) {
        try {
            BasesDD::AgregaRegistro(*rs, b.conexion(), QStringLiteral("pedidosdetalle"),
                                    lista({QStringLiteral("Id"), QString::fromUtf8(m.columna)}),
                                    lista({QStringLiteral("1"), QString::fromUtf8(m.valor)}));
            ADD_FAILURE() << m.columna << "=" << m.valor << " was accepted";
        } catch (const host::ErrorConversion& e) {
            EXPECT_EQ(e.columna(), QString::fromUtf8(m.columna));
            EXPECT_TRUE(e.mensaje().contains(QString::fromUtf8(m.columna)));
            EXPECT_TRUE(e.mensaje().contains(QLatin1Char('"') + QString::fromUtf8(m.valor) +
                                             QLatin1Char('"')));
        }
    }
    auto ped = BasesDD::AbrirTablaInsercion(b.conexion(), QStringLiteral("pedidos"));
    EXPECT_THROW(BasesDD::AgregaRegistro(*ped, b.conexion(), QStringLiteral("pedidos"),
                                         lista({QStringLiteral("Fecha")}),
                                         lista({QStringLiteral("32/ene/2026")})),
                 host::ErrorConversion);
    EXPECT_THROW(BasesDD::AgregaRegistro(*ped, b.conexion(), QStringLiteral("pedidos"),
                                         lista({QStringLiteral("Fecha")}),
                                         lista({QStringLiteral("05/xyz/2026")})),
                 host::ErrorConversion);
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidosdetalle")) + b.cuenta(QStringLiteral("pedidos")), 0);
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
        auto rs = BasesDD::AbrirTablaInsercion(b.conexion(), QStringLiteral("productos"));
        BasesDD::AgregaRegistro(*rs, b.conexion(), QStringLiteral("productos"),
                                lista({QStringLiteral("Clave"), QStringLiteral("Descripcion")}),
                                lista({t, t}));
        BasesDD::GrabaDato(t, t, b.conexion(), QStringLiteral("sistema"));
    }
    id = 0;
    for (const QString& t : textos) {
        EXPECT_EQ(b.valor(QStringLiteral("SELECT Nombre FROM clientes WHERE Clave=?"),
                          {QString::number(++id)}),
                  t);
        EXPECT_EQ(b.valor(QStringLiteral("SELECT Descripcion FROM productos WHERE Clave=?"), {t}),
                  t);
        EXPECT_EQ(BasesDD::LeeDato(t, b.conexion(), QStringLiteral("sistema")), t);
    }
    EXPECT_EQ(b.cuenta(QStringLiteral("productos")), textos.size());
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
