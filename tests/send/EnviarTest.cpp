#include "Sucursal.h"
#include "send/ComandosEnvio.h"
#include "send/Envio.h"
#include "shell/host/Utilerias.h"
#include "support/IntermediarioMysql.h"

#include <QRegularExpression>
#include <thread>

using sucursal::Origen;

namespace {

const QString kOrigen = QStringLiteral("Enviado desde el servidor");

QString huellasExportadas(Origen& o, qint64 corrida) {
    return o.base().valor(QStringLiteral("SELECT GROUP_CONCAT(Huella ORDER BY Huella) FROM "
                                         "acumulapedidos_pedidos WHERE Corrida=?"),
                          {corrida});
}

qint64 corridaDe(const QString& salida) {
    const auto m =
        QRegularExpression(QStringLiteral("Corrida de exportación: (\\d+)")).match(salida);
    return m.hasMatch() ? m.captured(1).toLongLong() : 0;
}

} // namespace

// One command over TLS: the orders and their lines arrive with new Ids, the file is kept in
// enviados/, both journals tell the story, and the password typed in clear is stored back
// enciphered with every other byte of the INI kept.
TEST(Enviar, SendsOverTlsKeepsTheFileAndRecordsBothSides) {
    Origen o(5, 3);
    sucursal::Base b(QStringLiteral("suc"));
    o.iniCon(b.destino(), "; comentario\r\n[Otra]\r\nClave=valor");
    const QByteArray antes = o.iniLeido();

    const auto s = o.corre(comandos::enviar, {"--destino", "SUCURSAL"});
    ASSERT_EQ(s.estado, 0) << s.errores << s.salida;
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 5);
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidosdetalle")), 15);
    EXPECT_TRUE(s.salida.contains(QStringLiteral("Llegó al destino sucursal."))) << s.salida;
    EXPECT_FALSE(s.errores.contains(QStringLiteral("cifrada"))) << s.errores;

    const QStringList kept = o.enviados();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(kept.first().startsWith(QStringLiteral("envio ")) &&
                kept.first().endsWith(QStringLiteral(" sucursal.txt")))
        << kept.first();
    EXPECT_EQ(QDir(o.carpeta()).entryList(QDir::Files).filter(QStringLiteral(".txt")).size(), 0)
        << "only the copy in enviados/ is kept";

    // The export's journal: the destination, the file and the destination's run.
    const qint64 corrida = corridaDe(s.salida);
    ASSERT_GT(corrida, 0) << s.salida;
    auto rs = o.base().conexion().consulta(
        QStringLiteral("SELECT Destino, Archivo, Mensaje FROM acumulapedidos_corridas WHERE Id=?"),
        {corrida});
    EXPECT_TRUE(rs->texto(0).startsWith(QStringLiteral("Destino sucursal (servidor 127.0.0.1:")))
        << rs->texto(0);
    EXPECT_TRUE(rs->texto(1).endsWith(kept.first())) << rs->texto(1);
    const QString corridaAlla =
        b.valor(QStringLiteral("SELECT MAX(Id) FROM acumulapedidos_corridas"));
    EXPECT_TRUE(rs->texto(2).contains(QStringLiteral("corrida %1.").arg(corridaAlla)))
        << rs->texto(2);
    EXPECT_FALSE(rs->texto(2).contains(QStringLiteral("se copió"))) << "the file kept is no copy";
    // The destination's journal: where they came from, not a file.
    const QString archivoAlla = b.valor(QStringLiteral(
        "SELECT Archivo FROM acumulapedidos_corridas WHERE Operacion='Importacion'"));
    EXPECT_TRUE(archivoAlla.startsWith(kOrigen) && archivoAlla.endsWith(o.base().nombre()))
        << archivoAlla;
    // Every fingerprint written is one the destination registered.
    EXPECT_EQ(huellasExportadas(o, corrida),
              b.valor(QStringLiteral("SELECT GROUP_CONCAT(Huella ORDER BY Huella) FROM "
                                     "acumulapedidos_huellas")));

    // The password: enciphered in place, nothing else changed.
    const QByteArray despues = o.iniLeido();
    const QByteArray clara = "Password=" + sucursal::Base::clave().toUtf8() + "\r\n";
    ASSERT_TRUE(antes.contains(clara));
    QByteArray esperado = antes;
    esperado.replace(
        clara, "Password=" + host::Utilerias::Encripta(sucursal::Base::clave()).toUtf8() + "\r\n");
    EXPECT_EQ(despues, esperado);
    // Read back enciphered, it still connects.
    const auto otra = o.corre(comandos::enviar, {"--destino", "sucursal", "--revisar"});
    EXPECT_NE(otra.errores, QString()) << "the orders are there already";
    EXPECT_FALSE(otra.errores.contains(QStringLiteral("no aceptó"))) << otra.errores;
}

// A send retried is refused whole: the register of the destination knows every order;
// --omitir-importados then sends only the new one, and --revisar writes nothing anywhere.
TEST(Enviar, RepeatedSendIsRefusedOmitSendsOnlyNewAndPreviewWritesNothing) {
    Origen o(4, 2);
    sucursal::Base b(QStringLiteral("suc"));
    o.iniCon(b.destino());
    const QVector<qint64> ids = o.ids();
    QStringList tres;
    for (int k = 0; k < 3; ++k)
        tres << QStringLiteral("--id") << QString::number(ids[k]);
    ASSERT_EQ(o.corre(comandos::enviar, QStringList{"--destino", "sucursal"} + tres).estado, 0);
    ASSERT_EQ(b.cuenta(QStringLiteral("pedidos")), 3);

    const auto otra = o.corre(comandos::enviar, QStringList{"--destino", "sucursal"} + tres);
    EXPECT_EQ(otra.estado, 1);
    EXPECT_TRUE(otra.errores.contains(QStringLiteral("--omitir-importados"))) << otra.errores;
    EXPECT_TRUE(otra.errores.contains(QStringLiteral("No llegó nada al destino sucursal")))
        << otra.errores;
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 3);

    // The preview of all four: nothing written there, nothing kept or recorded here.
    const qint64 corridasAqui = o.base().cuenta(QStringLiteral("acumulapedidos_corridas"));
    const qint64 corridasAlla = b.cuenta(QStringLiteral("acumulapedidos_corridas"));
    const int guardados = int(o.enviados().size());
    const auto v =
        o.corre(comandos::enviar, {"--destino", "sucursal", "--revisar", "--omitir-importados"});
    EXPECT_EQ(v.estado, 0) << v.errores;
    EXPECT_TRUE(v.salida.contains(QStringLiteral("1 pedido"))) << v.salida;
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 3);
    EXPECT_EQ(b.cuenta(QStringLiteral("acumulapedidos_corridas")), corridasAlla);
    EXPECT_EQ(o.base().cuenta(QStringLiteral("acumulapedidos_corridas")), corridasAqui);
    EXPECT_EQ(o.enviados().size(), guardados);

    const auto nuevo = o.corre(comandos::enviar, {"--destino", "sucursal", "--omitir-importados"});
    EXPECT_EQ(nuevo.estado, 0) << nuevo.errores;
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 4);
    EXPECT_EQ(b.cuenta(QStringLiteral("acumulapedidos_huellas WHERE Veces=1")), 4);
}

// A certificate not signed by the CA named, a destination that is not there, the wrong
// password, a missing database or table: each said in Spanish, by verificar and by enviar,
// and nothing exported.
TEST(Enviar, WrongCertificateAndBadDestinationsAreRefusedBeforeAnythingIsWritten) {
    Origen o(2, 1);
    sucursal::Base b(QStringLiteral("suc"));
    envio::Destino malo = b.destino();
    malo.certificadoCA = sucursal::otraCA();
    o.iniCon(malo);
    const auto s = o.corre(comandos::enviar, {"--destino", "sucursal"});
    EXPECT_EQ(s.estado, 1);
    EXPECT_TRUE(s.errores.contains(QStringLiteral("certificado"))) << s.errores;
    EXPECT_TRUE(s.errores.contains(QStringLiteral("No se envió nada"))) << s.errores;
    EXPECT_TRUE(o.enviados().isEmpty());
    EXPECT_EQ(o.base().cuenta(QStringLiteral("information_schema.TABLES WHERE TABLE_SCHEMA=? AND "
                                             "TABLE_NAME='acumulapedidos_corridas'"),
                              {o.base().nombre()}) == 0 ||
                  o.base().cuenta(QStringLiteral("acumulapedidos_corridas")) == 0,
              true);

    // verificar: one line per destination, the good one on salida.
    envio::Destino clave = b.destino(QStringLiteral("clave"));
    clave.password = QStringLiteral("otra");
    envio::Destino sinBase = b.destino(QStringLiteral("sinbase"));
    sinBase.base = QStringLiteral("no_existe_esta");
    envio::Destino cerrado = b.destino(QStringLiteral("cerrado"));
    cerrado.puerto = pruebas::puertoPropio(17); // nothing listens there
    o.iniCon(b.destino(),
             "[Destino clave]\r\nServidor=127.0.0.1\r\nPuerto=" + QByteArray::number(clave.puerto) +
                 "\r\nBase de datos=" + clave.base.toUtf8() +
                 "\r\nUsuario=" + clave.usuario.toUtf8() +
                 "\r\nPassword=otra\r\nCertificado CA=" + clave.certificadoCA.toUtf8() +
                 "\r\n[Destino sinbase]\r\nServidor=127.0.0.1\r\nPuerto=" +
                 QByteArray::number(sinBase.puerto) +
                 "\r\nBase de datos=no_existe_esta\r\nUsuario=root\r\nCertificado CA=" +
                 sinBase.certificadoCA.toUtf8() +
                 "\r\n[Destino cerrado]\r\nServidor=127.0.0.1\r\nPuerto=" +
                 QByteArray::number(cerrado.puerto) +
                 "\r\nBase de datos=x\r\nCifrado=No\r\n"
                 "[Destino lejano]\r\nServidor=10.255.255.1\r\nBase de datos=x\r\n");
    const auto v = o.corre(comandos::verificarConDestinos, {});
    EXPECT_EQ(v.estado, 1);
    EXPECT_TRUE(v.salida.contains(QStringLiteral("Destino \"sucursal\"")) &&
                v.salida.contains(QStringLiteral("certificado verificado")))
        << v.salida;
    EXPECT_TRUE(v.errores.contains(QStringLiteral("Destino \"clave\": el servidor")) &&
                v.errores.contains(QStringLiteral("Password en la sección [Destino clave]")))
        << v.errores;
    EXPECT_TRUE(v.errores.contains(QStringLiteral("Destino \"sinbase\"")) &&
                v.errores.contains(QStringLiteral("no_existe_esta")))
        << v.errores;
    EXPECT_TRUE(v.errores.contains(QStringLiteral("Destino \"cerrado\": No se pudo conectar")))
        << v.errores;
    EXPECT_TRUE(v.errores.contains(QStringLiteral("\"lejano\" del archivo de configuración pide "
                                                  "una conexión cifrada")))
        << v.errores;

    // A database without the company tables.
    auto admin = host::Conexion::abrir(sucursal::parametros(b.nombre()));
    admin->ejecuta(QStringLiteral("DROP TABLE pedidosdetalle"));
    const auto t = o.corre(comandos::verificarConDestinos, {});
    EXPECT_TRUE(t.errores.contains(QStringLiteral("no tiene la tabla pedidosdetalle")))
        << t.errores;
}

// Cifrado=No: a destination on another machine warns each time; one on this machine does
// not. Orders still go.
TEST(Enviar, UnencryptedLinkWarnsUnlessItStaysOnThisMachine) {
    envio::Destino d;
    d.nombre = QStringLiteral("x");
    d.cifrado = false;
    d.servidor = QStringLiteral("192.168.1.20");
    EXPECT_TRUE(d.avisoSinCifrado().contains(QStringLiteral("no va cifrada")));
    for (const char* local : {"127.0.0.1", "127.1.2.3", "localhost", "::1"}) {
        d.servidor = QString::fromLatin1(local);
        EXPECT_EQ(d.avisoSinCifrado(), QString()) << local;
        EXPECT_EQ(d.parametros().certificadoCA, QString());
    }

    Origen o(2, 1);
    sucursal::Base b(QStringLiteral("suc"));
    envio::Destino claro = b.destino();
    claro.cifrado = false;
    o.iniCon(claro);
    const auto s = o.corre(comandos::enviar, {"--destino", "sucursal"});
    EXPECT_EQ(s.estado, 0) << s.errores;
    EXPECT_FALSE(s.errores.contains(QStringLiteral("cifrada"))) << s.errores;
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 2);

    // A destination that is the export's own database would double every order.
    envio::Destino propia;
    propia.nombre = QStringLiteral("propia");
    propia.servidor = QStringLiteral("127.0.0.1");
    propia.puerto = pruebas::parametros().puerto;
    propia.base = o.base().nombre();
    propia.usuario = QStringLiteral("root");
    propia.cifrado = false;
    o.iniCon(propia);
    const auto mismo = o.corre(comandos::enviar, {"--destino", "propia"});
    EXPECT_EQ(mismo.estado, 1);
    EXPECT_TRUE(mismo.errores.contains(QStringLiteral("es la misma base de datos")))
        << mismo.errores;
    EXPECT_EQ(o.base().cuenta(QStringLiteral("pedidos")), 2);
    EXPECT_TRUE(o.enviados().size() == 1);
}

// Two clerks send the same orders to one destination at the same moment: each order arrives
// once; the send that comes second is refused as already received, and says so.
TEST(Enviar, TwoSendsOfTheSameOrdersAtOnceStoreEachOrderOnce) {
    Origen o(300, 3);
    sucursal::Base b(QStringLiteral("suc"));
    const QVector<qint64> ids = o.ids();
    envio::ResultadoEnvio r[2];
    {
        std::vector<std::thread> hilos;
        for (int k = 0; k < 2; ++k)
            hilos.emplace_back([&, k] {
                auto exportacion = pruebas::conecta(o.base().nombre());
                r[k] = envio::Envia(*exportacion, ids, b.destino(), o.carpeta(), {}, {},
                                    envio::OpcionesEnvio{});
            });
        for (std::thread& h : hilos)
            h.join();
    }
    EXPECT_NE(r[0].ok, r[1].ok) << r[0].mensaje << "\n" << r[1].mensaje;
    const envio::ResultadoEnvio& segundo = r[0].ok ? r[1] : r[0];
    EXPECT_TRUE(segundo.importacion.rechazadoPorImportados) << segundo.mensaje;
    // Each kept its own file, even when both began in the same second.
    EXPECT_NE(r[0].archivo, r[1].archivo);
    EXPECT_EQ(o.enviados().size(), 2);
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 300);
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidosdetalle")), 900);
    EXPECT_EQ(b.cuenta(QStringLiteral("acumulapedidos_huellas WHERE Veces=1")), 300);
}
