#include "Sucursal.h"
#include "export/ComandoExportar.h"
#include "import/ComandoImportar.h"
#include "send/ComandosEnvio.h"
#include "send/Conciliacion.h"
#include "send/VerificaDestino.h"
#include "undo/Deshacer.h"

#include <QRegularExpression>

using sucursal::Origen;

namespace {

qint64 ultimaExportacion(Origen& o) {
    return o.base()
        .valor(QStringLiteral("SELECT MAX(Id) FROM acumulapedidos_corridas WHERE "
                              "Operacion='Exportacion'"))
        .toLongLong();
}

QStringList ids(const QVector<qint64>& todos, int desde, int hasta) {
    QStringList a;
    for (int k = desde; k < hasta; ++k)
        a << QStringLiteral("--id") << QString::number(todos[k]);
    return a;
}

} // namespace

// What arrived, per order: a complete send, an export of which only part arrived (the USB way,
// whose fingerprints are the same digest), and an order imported twice with --repetir.
TEST(Conciliar, CompletePartialAndDoubledSends) {
    Origen o(4, 2);
    sucursal::Base b(QStringLiteral("suc"));
    o.iniCon(b.destino());
    const QVector<qint64> todos = o.ids();

    // An export to a folder, of all four; then a send of the first two only.
    QTemporaryDir usb;
    ASSERT_EQ(o.corre(comandos::exportar, {"--archivo", "todos", "--destino", usb.path()}).estado,
              0);
    const qint64 usbCorrida = ultimaExportacion(o);
    ASSERT_EQ(
        o.corre(comandos::enviar, QStringList{"--destino", "sucursal"} + ids(todos, 0, 2)).estado,
        0);
    const qint64 envioCorrida = ultimaExportacion(o);

    const auto completo = o.corre(
        comandos::conciliar, {"--corrida", QString::number(envioCorrida), "--destino", "sucursal"});
    EXPECT_EQ(completo.estado, 0) << completo.errores << completo.salida;
    // A destination on this machine needs no warning about its link: no empty one either.
    EXPECT_FALSE(completo.errores.contains(QRegularExpression(QStringLiteral("Aviso: *\n"))))
        << completo.errores;
    EXPECT_EQ(completo.salida.count(QStringLiteral(": llegó el ")), 2) << completo.salida;
    EXPECT_TRUE(completo.salida.contains(QRegularExpression(QStringLiteral("allá Id \\d+, folio"))))
        << completo.salida;
    EXPECT_TRUE(completo.salida.contains(QStringLiteral("2 de 2 llegaron una vez, 0 no llegaron")))
        << completo.salida;

    const auto parcial = o.corre(
        comandos::conciliar, {"--corrida", QString::number(usbCorrida), "--destino", "sucursal"});
    EXPECT_EQ(parcial.estado, 1);
    EXPECT_EQ(parcial.salida.count(QStringLiteral(": no llegó.")), 2) << parcial.salida;
    EXPECT_TRUE(parcial.salida.contains(QStringLiteral("2 de 4 llegaron una vez, 2 no llegaron")))
        << parcial.salida;

    // The first order again, with --repetir: the first send now shows it twice.
    ASSERT_EQ(o.corre(comandos::enviar,
                      QStringList{"--destino", "sucursal", "--repetir"} + ids(todos, 0, 1))
                  .estado,
              0);
    const auto doble = o.corre(
        comandos::conciliar, {"--corrida", QString::number(envioCorrida), "--destino", "sucursal"});
    EXPECT_EQ(doble.estado, 1);
    EXPECT_TRUE(doble.salida.contains(QStringLiteral(": llegó 2 veces; la primera el ")))
        << doble.salida;
    EXPECT_TRUE(doble.salida.contains(QStringLiteral("1 llegaron más de una vez"))) << doble.salida;

    // The destination's first import undone there: the order sent again with --repetir is
    // still there once, the other arrived and is gone, which is not "no llegó".
    {
        auto alla = envio::ConectaDestino(b.destino());
        deshacer::OpcionesDeshacer undo;
        undo.corrida = b.valor(QStringLiteral("SELECT MIN(Id) FROM acumulapedidos_corridas WHERE "
                                              "Operacion='importacion'"))
                           .toLongLong();
        const auto deshecha = deshacer::DeshaceCorrida(*alla, undo);
        ASSERT_TRUE(deshecha.ok) << deshecha.mensaje.toStdString();
        const auto tras = o.corre(comandos::conciliar, {"--corrida", QString::number(envioCorrida),
                                                        "--destino", "sucursal"});
        EXPECT_EQ(tras.estado, 1);
        EXPECT_TRUE(tras.salida.contains(QRegularExpression(
            QStringLiteral(": llegó el [^\\n]*, allá Id \\d+, folio [^\\n]*, y se "
                           "deshizo allá el [^\\n]* \\(corrida %1 de su "
                           "bitácora\\): ya no está\\.")
                .arg(deshecha.deshacer))))
            << tras.salida;
        EXPECT_TRUE(tras.salida.contains(QStringLiteral(
            "1 de 2 llegaron una vez, 0 no llegaron, 0 llegaron más de una vez, 1 llegaron y se "
            "deshicieron allá.")))
            << tras.salida;
    }

    // The USB way into this server's import database: --base.
    ASSERT_EQ(
        o.corre(comandos::importar, {"--archivo", QDir(usb.path()).filePath("todos.txt")}).estado,
        0);
    const auto base = o.corre(comandos::conciliar, {"--corrida", QString::number(usbCorrida)});
    EXPECT_EQ(base.estado, 0) << base.errores << base.salida;

    // Not an export, or no such run.
    const auto nada = o.corre(comandos::conciliar, {"--corrida", "999999"});
    EXPECT_EQ(nada.estado, 1);
    EXPECT_TRUE(nada.errores.contains(QStringLiteral("no tiene una exportación con el número")))
        << nada.errores;
    EXPECT_EQ(
        o.corre(comandos::conciliar, {"--corrida", "1", "--destino", "a", "--base", "b"}).estado,
        1);
}
