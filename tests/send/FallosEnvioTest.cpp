#include "Sucursal.h"
#include "send/Envio.h"
#include "support/DiscoPequeno.h"
#include "support/IntermediarioMysql.h"

#include <optional>

using sucursal::Origen;

namespace {

// The destination through the relay, which reads the traffic and so takes it unencrypted.
envio::Destino porRele(const sucursal::Base& b, const pruebas::IntermediarioMysql& rele) {
    envio::Destino d = b.destino();
    d.puerto = rele.puerto();
    d.cifrado = false;
    d.certificadoCA.clear();
    return d;
}

// Calls alMedio once, halfway through the destination's writing: the export reports each of
// the n orders first, then the import each one it writes.
transferencia::Avance aMitadDeLaImportacion(qint64 n, std::function<void()> alMedio) {
    transferencia::Avance a;
    auto llamadas = std::make_shared<qint64>(0);
    a.progreso = [=](qint64, qint64) {
        if (++*llamadas == n + n / 2)
            alMedio();
    };
    return a;
}

envio::ResultadoEnvio
envia(Origen& o, const envio::Destino& d, const transferencia::Avance& avance = {},
      importacion::Importados importados = importacion::Importados::Rechazar) {
    envio::OpcionesEnvio opciones;
    opciones.importados = importados;
    return envio::Envia(o.base().conexion(), o.ids(), d, o.carpeta(), {}, avance, opciones);
}

// Each order of the origin is on the destination exactly once (todos) or not at all.
void cadaPedidoUnaVezONinguno(const sucursal::Base& b, bool todos, qint64 pedidos) {
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), todos ? pedidos : 0);
    EXPECT_EQ(b.cuenta(QStringLiteral("acumulapedidos_huellas")), todos ? pedidos : 0);
    EXPECT_EQ(b.cuenta(QStringLiteral("acumulapedidos_huellas WHERE Veces<>1")), 0);
}

constexpr qint64 kPedidos = 40;

} // namespace

// The link drops while the destination is being written: nothing is there and the message
// says so; the retry sends everything once.
TEST(FallosEnvio, DroppedMidSendLeavesNothingAndRetryArrivesOnce) {
    Origen o(int(kPedidos), 2);
    sucursal::Base b(QStringLiteral("suc"));
    std::optional<pruebas::IntermediarioMysql> rele;
    rele.emplace(QStringLiteral("127.0.0.1"), sucursal::puerto());
    const envio::Destino d = porRele(b, *rele);
    const auto r = envia(o, d, aMitadDeLaImportacion(kPedidos, [&] { rele.reset(); }));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.exportado);
    EXPECT_EQ(r.resumen, QStringLiteral("No llegó nada al destino sucursal")) << r.mensaje;
    cadaPedidoUnaVezONinguno(b, false, kPedidos);

    const auto otra = envia(o, b.destino());
    EXPECT_TRUE(otra.ok) << otra.mensaje;
    cadaPedidoUnaVezONinguno(b, true, kPedidos);
    EXPECT_EQ(o.enviados().size(), 2) << "each attempt keeps its file";
}

// The COMMIT never reaches the server: the program reconnects, reads the register, and
// says nothing arrived; the retry sends everything once.
TEST(FallosEnvio, CutBeforeCommitIsSettledAsNothingAndRetryArrivesOnce) {
    Origen o(int(kPedidos), 2);
    sucursal::Base b(QStringLiteral("suc"));
    pruebas::IntermediarioMysql rele(QStringLiteral("127.0.0.1"), sucursal::puerto());
    const envio::Destino d = porRele(b, rele);
    rele.cortaAntesDelCommit(1);
    const auto r = envia(o, d);
    EXPECT_EQ(rele.cortes(), 1);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.importacion.incierta) << r.mensaje;
    EXPECT_EQ(r.resumen, QStringLiteral("No llegó nada al destino sucursal")) << r.mensaje;
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("no quedó guardada"))) << r.mensaje;
    cadaPedidoUnaVezONinguno(b, false, kPedidos);

    const auto otra = envia(o, d);
    EXPECT_TRUE(otra.ok) << otra.mensaje;
    cadaPedidoUnaVezONinguno(b, true, kPedidos);
}

// The COMMIT is done but its reply lost: the register shows everything arrived, and the
// user is told so; a retry is refused and stores nothing twice, even with
// --omitir-importados.
TEST(FallosEnvio, LostReplyToCommitIsSettledAsArrivedAndRetryStoresNothingTwice) {
    Origen o(int(kPedidos), 2);
    sucursal::Base b(QStringLiteral("suc"));
    pruebas::IntermediarioMysql rele(QStringLiteral("127.0.0.1"), sucursal::puerto());
    const envio::Destino d = porRele(b, rele);
    rele.cortaRespuestaDelCommit(1);
    const auto r = envia(o, d);
    EXPECT_EQ(rele.cortes(), 1);
    EXPECT_TRUE(r.ok) << r.mensaje;
    EXPECT_EQ(r.resumen, QStringLiteral("Llegó al destino sucursal")) << r.mensaje;
    EXPECT_TRUE(r.importacion.avisos.join('\n').contains(QStringLiteral("quedó guardada")))
        << r.importacion.avisos.join('\n');
    cadaPedidoUnaVezONinguno(b, true, kPedidos);

    const auto otra = envia(o, d);
    EXPECT_FALSE(otra.ok);
    EXPECT_TRUE(otra.importacion.rechazadoPorImportados) << otra.mensaje;
    const auto omitiendo = envia(o, d, {}, importacion::Importados::Omitir);
    EXPECT_TRUE(omitiendo.ok) << omitiendo.mensaje;
    EXPECT_EQ(omitiendo.importacion.pedidos, 0);
    cadaPedidoUnaVezONinguno(b, true, kPedidos);
}

// The destination's server dies halfway: nothing is there once it is back, and the retry
// sends everything once.
TEST(FallosEnvio, ServerKilledMidSendLeavesNothingAndRetryArrivesOnce) {
    Origen o(int(kPedidos), 2);
    pruebas::ServidorPropio servidor(pruebas::puertoPropio(16));
    std::optional<sucursal::Base> b;
    b.emplace(QStringLiteral("suc"), servidor.parametros());
    const envio::Destino d = b->destino();
    const auto r = envia(o, d, aMitadDeLaImportacion(kPedidos, [&] { servidor.mata(); }));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.resumen, QStringLiteral("No llegó nada al destino sucursal")) << r.mensaje;
    servidor.arranca();
    cadaPedidoUnaVezONinguno(*b, false, kPedidos);

    const auto otra = envia(o, d);
    EXPECT_TRUE(otra.ok) << otra.mensaje;
    cadaPedidoUnaVezONinguno(*b, true, kPedidos);
}

// A cancel before the COMMIT leaves nothing on the destination, and says it was cancelled.
TEST(FallosEnvio, CancelBeforeCommitLeavesNothing) {
    Origen o(int(kPedidos), 2);
    sucursal::Base b(QStringLiteral("suc"));
    bool cancela = false;
    transferencia::Avance a = aMitadDeLaImportacion(kPedidos, [&] { cancela = true; });
    a.cancelar = [&] { return cancela; };
    const auto r = envia(o, b.destino(), a);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.cancelado) << r.mensaje;
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("Se canceló"))) << r.mensaje;
    cadaPedidoUnaVezONinguno(b, false, kPedidos);
}

// No room left for the kept file: nothing goes to the destination, the user is told why in
// Spanish, and no cut file stays behind as if it were the record of a send.
TEST(FallosEnvio, AFullDiskForTheKeptFileSendsNothing) {
    pruebas::DiscoPequeno disco(64);
    if (!disco.montado())
        GTEST_SKIP() << disco.motivo();
    Origen o(int(kPedidos), 2);
    sucursal::Base b(QStringLiteral("suc"));
    ASSERT_TRUE(QDir(disco.ruta()).mkdir(QStringLiteral("enviados")));
    disco.llena();
    const auto r = envio::Envia(o.base().conexion(), o.ids(), b.destino(), disco.ruta(), {}, {},
                                envio::OpcionesEnvio{});
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.importacionHecha);
    EXPECT_TRUE(r.mensaje.startsWith(QStringLiteral("No se envió nada.")) &&
                r.mensaje.contains(QStringLiteral("No hay espacio suficiente en el disco")))
        << r.mensaje;
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 0);
    EXPECT_TRUE(QDir(disco.ruta(QStringLiteral("enviados"))).entryList(QDir::Files).isEmpty());
}
