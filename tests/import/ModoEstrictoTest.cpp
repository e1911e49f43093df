#include "ArchivoPrueba.h"
#include "db/GeneradorDemo.h"
#include "import/Importacion.h"

#include <gtest/gtest.h>

using namespace prueba;

// On a server whose own sql_mode is empty (it would cut and round silently), the program's
// connections are still strict; zero dates of the host's data still go in.
TEST(Conexion, IsStrictEvenWhereTheServersModeIsEmpty) {
    pruebas::ServidorPropio servidor(pruebas::puertoPropio(31));
    const auto modo = [&](const char* global) {
        host::Conexion::abrir(servidor.parametros())
            ->ejecuta(QStringLiteral("SET GLOBAL sql_mode=?"), {QString::fromLatin1(global)});
        auto rs = host::Conexion::abrir(servidor.parametros())
                      ->consulta(QStringLiteral("SELECT @@SESSION.sql_mode"));
        return rs->texto(0);
    };
    EXPECT_EQ(modo("NO_ENGINE_SUBSTITUTION,PIPES_AS_CONCAT"),
              QStringLiteral("PIPES_AS_CONCAT,STRICT_TRANS_TABLES,NO_ENGINE_SUBSTITUTION"));
    EXPECT_EQ(modo(""), QStringLiteral("STRICT_TRANS_TABLES"));

    const QString base = pruebas::nombreUnico(QStringLiteral("estricto"));
    auto c = host::Conexion::abrir(servidor.parametros());
    demo::creaBaseEmpresa(*c, base);
    c->ejecuta(QStringLiteral("USE %1").arg(host::Conexion::identificador(base)));
    for (const char* malo :
         {"(1, 'A', 'ABCDEFGHIJKLMNOPQRSTU', NULL, 0)", "(2, 'A', 'C', NULL, 1e15)",
          "(3, 'A', 'C', '2026-02-30', 0)", "(4, 'A', 'C', NULL, 999999999999.999)"})
        EXPECT_THROW(c->ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Serie, Cliente, Fecha, "
                                               "Subtotal) VALUES %1")
                                    .arg(QLatin1String(malo))),
                     host::ErrorBdD)
            << malo;
    c->ejecuta(
        QStringLiteral("INSERT INTO pedidos (Id, Serie, Fecha) VALUES (5, 'A', '0000-00-00')"));
    EXPECT_EQ(c->consulta(QStringLiteral("SELECT Fecha FROM pedidos"))->texto(0),
              QStringLiteral("0000-00-00"));

    // A value the server would round into range is refused as a whole.
    QTemporaryDir carpeta;
    const auto r = importacion::SubePedidos(
        servidor.basesDD(), base,
        archivo(carpeta, encabezado("A", "C1") + encabezado("A", "C2", {{16, "999999999999.999"}})),
        carpeta.path());
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("campo Subtotal"))) << r.mensaje.toStdString();
    EXPECT_EQ(c->consulta(QStringLiteral("SELECT COUNT(*) FROM pedidos"))->entero(0), 1);
}
