#include "Escenario.h"
#include "accumulation/clsAcumular.h"
#include "journal/Bitacora.h"
#include "support/IntermediarioMysql.h"

#include <gtest/gtest.h>

using pruebas::Escenario;
using pruebas::IntermediarioMysql;

namespace {

const QDate dia(2026, 6, 1);
constexpr int pedidos = 30;
constexpr int porGrupo = 10;

struct Caso {
    const char* nombre;
    int grupo;            // the group whose COMMIT is cut (1 to 3)
    bool antes;           // the COMMIT itself is held back, not only its reply
    bool servidorPerdido; // no new connection gets through after the cut
    int contados;         // orders the run reports as moved
    int guardados;        // orders really moved
    const char* dice;     // what the message must say
    const char* tambien = "";
};

void PrintTo(const Caso& c, std::ostream* salida) {
    *salida << c.nombre;
}

class ConfirmacionPerdida : public ::testing::TestWithParam<Caso> {};

TEST_P(ConfirmacionPerdida, ReportsExactlyWhatWasMoved) {
    const Caso& c = GetParam();
    Escenario e(1);
    auto& origen = e.empresa(1);
    for (int i = 1; i <= pedidos; ++i)
        e.pedido(origen, QString(), i, dia, {{QStringLiteral("P1"), 1, 1}});
    const auto p = pruebas::parametros();
    IntermediarioMysql rele(p.servidor, p.puerto);
    const auto despues = c.servidorPerdido ? IntermediarioMysql::TrasCorte::Rechaza
                                           : IntermediarioMysql::TrasCorte::Acepta;
    if (c.antes)
        rele.cortaAntesDelCommit(c.grupo, despues);
    else
        rele.cortaRespuestaDelCommit(c.grupo, despues);

    acumulacion::clsAcumular acumular(rele.redirige(e.bases()));
    acumular.setPedidosPorTransaccion(porGrupo);
    int avisados = 0;
    acumulacion::Retrollamadas avisos;
    avisos.folio = [&](const acumulacion::FolioDado&) { ++avisados; };
    const auto r = acumular.GeneraPedido(dia, dia, QStringLiteral("A"), 1, avisos);

    EXPECT_FALSE(r.ok);
    EXPECT_EQ(rele.cortes(), 1);
    EXPECT_EQ(rele.commits(), c.grupo);
    EXPECT_EQ(r.pedidosMovidos, c.contados);
    EXPECT_EQ(avisados, c.contados);
    EXPECT_TRUE(r.mensaje.contains(QString::fromUtf8(c.dice))) << r.mensaje.toStdString();
    EXPECT_TRUE(r.mensaje.contains(QString::fromUtf8(c.tambien))) << r.mensaje.toStdString();

    // Whole orders only: each new order with its line, each moved source line cleared.
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), c.guardados);
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidosdetalle")), c.guardados);
    EXPECT_EQ(origen.cuenta(QStringLiteral("pedidosdetalle WHERE Pedido<>0")),
              pedidos - c.guardados);

    // The journal agrees with the data: a row per order stored, and, when the server could
    // be reached again, the outcome and the count the user was told.
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("acumulapedidos_pedidos")), c.guardados);
    const auto corridas = bitacora::ConsultasBitacora::corridas(e.actual().conexion(), {}, {});
    ASSERT_EQ(corridas.size(), 1);
    if (!c.servidorPerdido) {
        EXPECT_EQ(corridas[0].desenlace, bitacora::EstadoCorrida::Fallido);
        EXPECT_EQ(corridas[0].mensaje, r.mensaje);
        EXPECT_EQ(corridas[0].cuentas.pedidos, c.contados);
        EXPECT_EQ(r.avisoBitacora, QString());
    } else {
        // The end could not be recorded: the user hears of it too.
        EXPECT_TRUE(r.avisoBitacora.startsWith(QStringLiteral("No se pudo anotar en la bitácora")))
            << r.avisoBitacora.toStdString();
        EXPECT_EQ(corridas[0].desenlace, bitacora::EstadoCorrida::EnCurso);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CortesDelCommit, ConfirmacionPerdida,
    ::testing::Values(
        Caso{"PrimerGrupoGuardado", 1, false, false, 10, 10,
             "sí quedaron guardados. Pedidos movidos completos: 10;"},
        Caso{"GrupoDeEnMedioGuardado", 2, false, false, 20, 20,
             "sí quedaron guardados. Pedidos movidos completos: 20; el último, el pedido 20"},
        Caso{"UltimoGrupoGuardado", 3, false, false, 30, 30,
             "sí quedaron guardados. Pedidos movidos completos: 30;"},
        Caso{"CommitQueNoLlego", 2, true, false, 10, 10,
             "no quedaron guardados. Pedidos movidos completos antes del error: 10. El pedido "
             "11 y los que siguen quedaron sin cambios."},
        Caso{"SinPoderComprobar", 2, false, true, 10, 20,
             "No se sabe si quedaron guardados; no se pudo comprobar:",
             "Pedidos movidos completos antes de ellos: 10. Antes de acumular otra vez, revise "
             "si en la base de datos"}),
    [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

} // namespace
