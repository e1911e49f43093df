#include "ArchivoPrueba.h"
#include "db/GeneradorDemo.h"
#include "import/Importacion.h"
#include "journal/Bitacora.h"
#include "support/IntermediarioMysql.h"
#include "undo/Deshacer.h"

#include <gtest/gtest.h>

using deshacer::DeshaceCorrida;
using deshacer::OpcionesDeshacer;
using namespace prueba;

namespace {

// Everything an import and its undo change, the journal's register of fingerprints included.
QString todo(host::Conexion& c) {
    QStringList partes;
    for (auto rs = c.consulta(QStringLiteral("CHECKSUM TABLE pedidos, pedidosdetalle, clientes, "
                                             "productos, sistema, acumulapedidos_huellas"));
         !rs->eof(); rs->MoveNext())
        partes << rs->texto(1);
    return partes.join(QLatin1Char(' '));
}

QByteArray pedidos(int n) {
    QByteArray bytes;
    for (int k = 0; k < n; ++k)
        bytes +=
            encabezado("A", "C" + QByteArray::number(k)) + renglon("A", "1") + renglon("A", "2");
    return bytes;
}

} // namespace

// The server dies after the undo removed the lines and lowered the stock, before the
// headers went: once it is back, the import is whole as it was, and an undo then takes it all.
TEST(DeshacerCorrida, AServerKilledMidUndoLeavesEverythingAsBefore) {
    pruebas::ServidorPropio servidor(pruebas::puertoPropio(43));
    const QString base = pruebas::nombreUnico(QStringLiteral("deshcaido"));
    {
        auto c = host::Conexion::abrir(servidor.parametros());
        demo::creaBaseEmpresa(*c, base);
        c->ejecuta(QStringLiteral("USE %1").arg(host::Conexion::identificador(base)));
        c->ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A', 2)"));
    }
    QTemporaryDir carpeta;
    const auto importada = importacion::SubePedidos(
        servidor.basesDD(), base, archivo(carpeta, pedidos(1500)), carpeta.path());
    ASSERT_TRUE(importada.ok) << importada.mensaje.toStdString();
    const QString antes = todo(*host::Conexion::abrir(servidor.parametros(base)));

    OpcionesDeshacer opciones;
    opciones.corrida = importada.corrida;
    opciones.base = base;
    deshacer::LlamadasDeshacer llamadas;
    bool matado = false;
    llamadas.progreso = [&](qint64 n, qint64 total) {
        if (n > total / 2 && n < total && !matado) {
            matado = true;
            servidor.mata();
        }
    };
    const auto r = DeshaceCorrida(servidor.basesDD(), {}, opciones, llamadas);
    EXPECT_TRUE(matado);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("Se perdió la conexión")))
        << r.mensaje.toStdString();
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("No se deshizo nada")))
        << r.mensaje.toStdString();

    servidor.arranca();
    auto c = host::Conexion::abrir(servidor.parametros(base));
    EXPECT_EQ(todo(*c), antes);
    EXPECT_EQ(c->consulta(QStringLiteral("SELECT SUM(PorVender) FROM productos"))->texto(0),
              QStringLiteral("4502.0000"));

    const auto otra = DeshaceCorrida(servidor.basesDD(), {}, opciones);
    ASSERT_TRUE(otra.ok) << otra.mensaje.toStdString();
    EXPECT_EQ(otra.quitados.size(), 1500);
    EXPECT_EQ(c->consulta(QStringLiteral("SELECT COUNT(*) FROM pedidos"))->entero(0), 0);
    EXPECT_EQ(c->consulta(QStringLiteral("SELECT SUM(PorVender) FROM productos"))->texto(0),
              QStringLiteral("2.0000"));
}

// The reply to the undo's COMMIT is lost: a new connection reads the undo's journal rows and
// tells whether it was stored, and the message says exactly that.
TEST(DeshacerCorrida, ALostReplyToTheCommitIsCheckedFromANewConnection) {
    for (const bool antes : {false, true}) {
        pruebas::BaseEmpresa b(QStringLiteral("deshconf"));
        b.ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A', 2)"));
        QTemporaryDir carpeta;
        const auto importada =
            importacion::SubePedidos(b.conexion(), archivo(carpeta, pedidos(3)), carpeta.path());
        ASSERT_TRUE(importada.ok) << importada.mensaje.toStdString();
        const QString importado = todo(b.conexion());

        const auto p = pruebas::parametros();
        pruebas::IntermediarioMysql rele(p.servidor, p.puerto);
        if (antes)
            rele.cortaAntesDelCommit(1);
        else
            rele.cortaRespuestaDelCommit(1);
        OpcionesDeshacer opciones;
        opciones.corrida = importada.corrida;
        opciones.base = b.nombre();
        const auto r = DeshaceCorrida(rele.redirige(pruebas::basesDD(b.nombre())), {}, opciones);
        EXPECT_EQ(rele.cortes(), 1);
        if (antes) {
            // The COMMIT never reached the server: nothing changed, and the user knows it.
            EXPECT_FALSE(r.ok);
            EXPECT_TRUE(r.mensaje.contains(QStringLiteral("la bitácora muestra que no quedó "
                                                          "guardado")))
                << r.mensaje.toStdString();
            EXPECT_EQ(todo(b.conexion()), importado);
        } else {
            EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
            EXPECT_TRUE(r.avisos.join(' ').contains(QStringLiteral("la bitácora muestra que "
                                                                   "quedó guardado")))
                << r.avisos.join(' ').toStdString();
            EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 0);
        }
    }
}
