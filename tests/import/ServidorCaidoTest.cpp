#include "ArchivoPrueba.h"
#include "db/GeneradorDemo.h"
#include "import/Importacion.h"
#include "journal/Bitacora.h"

#include <gtest/gtest.h>

using namespace prueba;

// The server dies in the middle of an import: after a restart, the import database holds
// exactly what it held before, its journal holds the run's entry without any order of it,
// and the file can be imported again in full, recorded as such.
TEST(SubePedidos, AServerKilledMidImportLeavesNothingHalfWritten) {
    pruebas::ServidorPropio servidor(pruebas::puertoPropio(30));
    const QString base = pruebas::nombreUnico(QStringLiteral("caido"));
    auto estadoBase = [&] {
        auto c = host::Conexion::abrir(servidor.parametros(base));
        QStringList partes;
        for (const char* sql :
             {"SELECT COUNT(*) FROM pedidos", "SELECT COUNT(*) FROM pedidosdetalle",
              "SELECT COUNT(*) FROM clientes", "SELECT SUM(PorVender) FROM productos",
              "SELECT GROUP_CONCAT(CONCAT(Dato,'=',Contenido) ORDER BY Dato) FROM sistema"}) {
            auto rs = c->consulta(QLatin1String(sql));
            partes << rs->texto(0);
        }
        return partes.join(QLatin1Char(' '));
    };
    {
        auto c = host::Conexion::abrir(servidor.parametros());
        demo::creaBaseEmpresa(*c, base);
        c->ejecuta(QStringLiteral("USE %1").arg(host::Conexion::identificador(base)));
        c->ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A', 2)"));
        c->ejecuta(QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES ('PE-A', '5')"));
        c->ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Factura, Serie) VALUES (1, 5, 'A')"));
    }
    const QString antes = estadoBase();
    QByteArray bytes;
    for (int k = 0; k < 1500; ++k)
        bytes +=
            encabezado("A", "C" + QByteArray::number(k)) + renglon("A", "1") + renglon("A", "2");
    QTemporaryDir carpeta;
    const QString ruta = archivo(carpeta, bytes);

    importacion::LlamadasImportacion llamadas;
    llamadas.progreso = [&](qint64 n, qint64) {
        if (n == 1200) // two batches are already in
            servidor.mata();
    };
    const auto r =
        importacion::SubePedidos(servidor.basesDD(), base, ruta, carpeta.path(), llamadas);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("Se perdió la conexión")))
        << r.mensaje.toStdString();
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("se deshizo"))) << r.mensaje.toStdString();

    servidor.arranca();
    EXPECT_EQ(estadoBase(), antes);
    auto c = host::Conexion::abrir(servidor.parametros(base));
    auto corridas = bitacora::ConsultasBitacora::corridas(*c, {}, {});
    ASSERT_EQ(corridas.size(), 1);
    EXPECT_EQ(corridas[0].id, r.corrida);
    EXPECT_EQ(corridas[0].desenlace, bitacora::EstadoCorrida::EnCurso); // nobody could close it
    EXPECT_TRUE(bitacora::ConsultasBitacora::pedidos(*c, r.corrida).isEmpty());

    const auto otraVez = importacion::SubePedidos(servidor.basesDD(), base, ruta, carpeta.path());
    ASSERT_TRUE(otraVez.ok) << otraVez.mensaje.toStdString();
    EXPECT_EQ(estadoBase().section(' ', 0, 3), QStringLiteral("1501 3000 1500 4502.0000"));
    const auto anotados = bitacora::ConsultasBitacora::pedidos(*c, otraVez.corrida);
    ASSERT_EQ(anotados.size(), 1500);
    EXPECT_EQ(anotados.last().idNuevo, otraVez.importados.last().id);
}
