#include "app/Comandos.h"
#include "journal/Bitacora.h"
#include "support/Esperado.h"
#include "support/OrdenPrueba.h"
#include "support/ServidorPruebas.h"

#include <gtest/gtest.h>

// The journal as the command prints it, compared whole with a reviewed text: the list of runs
// (an import, a cancelled export, an accumulation whose program stopped before its end) and
// one run with its orders. The scratch database's name reads as <base>.
TEST(ImpresionBitacora, TheJournalPrintsAsReviewed) {
    pruebas::BaseEmpresa b(QStringLiteral("bitesperada"));
    auto& c = b.conexion();
    bitacora::EsquemaBitacora::creaTablas(c);
    c.ejecuta(QStringLiteral(
        "INSERT INTO acumulapedidos_corridas (Id, Operacion, Inicio, Fin, UsuarioSistema, Equipo, "
        "UsuarioBdD, Desde, Hasta, Serie, PrimerFolio, Archivo, Destino, Desenlace, Mensaje, "
        "Pedidos, Renglones, Clientes) VALUES "
        "(1, 'acumulacion', '2026-03-04 18:30:00', NULL, 'ana', 'caja2', 'ana@%', '2026-03-01', "
        "'2026-03-04', 'A', 100, '', '', 'encurso', NULL, 0, 0, 0), "
        "(2, 'exportacion', '2026-03-05 09:15:00', '2026-03-05 09:15:07', 'juan', 'pc1', "
        "'root@localhost', NULL, NULL, NULL, NULL, 'pedidos.txt', '/media/usb', 'cancelada', "
        "'Se canceló la exportación.', 0, 0, 0), "
        "(3, 'importacion', '2026-03-05 10:00:01', '2026-03-05 10:00:09', 'juan', 'pc1', "
        "'root@localhost', NULL, NULL, NULL, NULL, '/media/usb/pedidos.txt', '', 'hecha', "
        "'Se importaron 2 pedidos con 3 renglones; 1 clientes nuevos.\\nSe omitieron 2 "
        "renglones que estaban antes del primer pedido del archivo.', 2, 3, 1)"));
    c.ejecuta(QStringLiteral(
        "INSERT INTO acumulapedidos_pedidos (Corrida, BaseOrigen, IdOrigen, PedidoOrigen, "
        "Archivo, Linea, Huella, IdNuevo, PedidoNuevo) VALUES "
        "(3, '', NULL, '', '/media/usb/pedidos.txt', 3, "
        "'0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef', 41, 'A-7'), "
        "(3, '', NULL, '', '/media/usb/pedidos.txt', 6, NULL, 42, '8')"));
    Programa p;
    *p.bases = pruebas::basesDD(b.nombre());
    const auto lista = pruebas::corre(comandos::leeBitacora, p, {"--todas"});
    const auto una = pruebas::corre(comandos::leeBitacora, p, {"--corrida", "3"});
    EXPECT_EQ(lista.estado, 0) << lista.errores.toStdString();
    EXPECT_EQ(una.estado, 0) << una.errores.toStdString();
    EXPECT_TRUE(pruebas::comoEsperado(
        QString(lista.salida + QStringLiteral("--\n") + una.salida).replace(b.nombre(), "<base>"),
        QStringLiteral("journal/esperado/impresion.txt")));
}
