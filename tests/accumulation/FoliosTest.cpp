#include "Escenario.h"
#include "accumulation/ConsultasAcumulacion.h"
#include "sales/FoliosSerie.h"
#include "sales/FormatoImporte.h"
#include "support/EsperaBloqueo.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using pruebas::BaseEmpresa;

namespace {

void pedido(BaseEmpresa& b, const QString& serie, int folio) {
    b.conexion().ejecuta(QStringLiteral("INSERT INTO pedidos (Serie, Factura) VALUES (?, ?)"),
                         {serie, folio});
}

QString dato(BaseEmpresa& b, const QString& clave) {
    return b.valor(QStringLiteral("SELECT Contenido FROM sistema WHERE Dato=?"), {clave});
}

} // namespace

TEST(FoliosSerie, GivesTheFirstFreeFoliosOfTheSeriesAndNeverLowersTheCounter) {
    BaseEmpresa b(QStringLiteral("fol"));
    pedido(b, QStringLiteral("B"), 100);
    pedido(b, QStringLiteral("B"), 101);
    pedido(b, QStringLiteral("A"), 102);
    b.conexion().ejecuta(QStringLiteral("INSERT INTO sistema VALUES ('PE-B', '500')"));
    {
        host::Transaccion t(b.conexion());
        acumulacion::FoliosSerie serieB(b.conexion(), QStringLiteral("PE-"), QStringLiteral("B"));
        EXPECT_EQ(serieB.contador(), 500);
        EXPECT_EQ(serieB.libres(100, 1), QVector<qint32>{102});
        serieB.guarda(102);
        // A series without its counter row gets one.
        acumulacion::FoliosSerie sinSerie(b.conexion(), QStringLiteral("PE-"), QString());
        EXPECT_EQ(sinSerie.libres(7, 1), QVector<qint32>{7});
        sinSerie.guarda(7);
        t.confirma();
    }
    EXPECT_EQ(dato(b, QStringLiteral("PE-B")), QStringLiteral("500"));
    EXPECT_EQ(dato(b, QStringLiteral("PE-")), QStringLiteral("7"));

    QStringList filas;
    for (int f = 1; f <= 300; ++f)
        if (f != 150 && f != 299)
            filas << QStringLiteral("('A', %1)").arg(f);
    b.conexion().ejecuta(QStringLiteral("INSERT INTO pedidos (Serie, Factura) VALUES ") +
                         filas.join(QLatin1Char(',')));
    host::Transaccion t(b.conexion());
    acumulacion::FoliosSerie folios(b.conexion(), QStringLiteral("PE-"), QStringLiteral("A"));
    EXPECT_EQ(folios.libres(1, 4), (QVector<qint32>{150, 299, 301, 302}));
    EXPECT_EQ(folios.libres(2147483646, 2), (QVector<qint32>{2147483646, 2147483647}));
    EXPECT_THROW(folios.libres(2147483647, 2), host::ErrorBdD);
}

TEST(FoliosSerie, ASecondCallerWaitsForTheCounterUntilTheFirstStoresItsOrder) {
    BaseEmpresa b(QStringLiteral("fol"));
    auto otra = pruebas::conecta(b.nombre());
    host::Transaccion t(b.conexion());
    acumulacion::FoliosSerie primera(b.conexion(), QStringLiteral("PE-"), QStringLiteral("A"));
    EXPECT_EQ(primera.libres(100, 1), QVector<qint32>{100});
    primera.guarda(100);
    qint32 segundo = 0;
    const qint64 sesionSegunda = pruebas::sesion(*otra);
    auto vigia = pruebas::conecta(b.nombre());
    std::thread t2([&] {
        host::Transaccion t(*otra);
        acumulacion::FoliosSerie segunda(*otra, QStringLiteral("PE-"), QStringLiteral("A"));
        segundo = segunda.libres(100, 1).first();
        t.confirma();
    });
    // The second caller is seen waiting for the counter's row before the first one goes on,
    // so the folio it gets shows that it waited.
    EXPECT_TRUE(pruebas::esperaBloqueada(*vigia, sesionSegunda));
    pedido(b, QStringLiteral("A"), 100);
    t.confirma();
    t2.join();
    EXPECT_EQ(segundo, 101);
}

TEST(DatosDeLaPestana, SeriesFolioProposalCustomerNameAndSeriesSetting) {
    BaseEmpresa b(QStringLiteral("pes"));
    auto& c = b.conexion();
    EXPECT_TRUE(acumulacion::SeriesActivas(c).isEmpty());
    EXPECT_EQ(acumulacion::SerieInicial(c), QString());
    EXPECT_EQ(acumulacion::FolioPropuesto(c, QString()), 1);
    EXPECT_FALSE(acumulacion::SeriesEnPedidos(c));

    c.ejecuta(QStringLiteral("INSERT INTO sistema VALUES ('PE-', '9'), ('PE-C', '3'), "
                             "('PE-B', '41'), ('PE-A', '12x'), ('PE-D', '1'), ('PE+A-C', 'Sí'), "
                             "('PE+A-B', 'Sí'), ('PE+A-A', 'No'), ('PE+A-D', 'Si')"));
    EXPECT_EQ(acumulacion::SeriesActivas(c), QStringList({"B", "C"}));
    EXPECT_EQ(acumulacion::SerieInicial(c), QStringLiteral("B"));
    EXPECT_EQ(acumulacion::FolioPropuesto(c, QStringLiteral(" B ")), 42);
    EXPECT_EQ(acumulacion::FolioPropuesto(c, QStringLiteral("A")), 13);
    EXPECT_EQ(acumulacion::FolioPropuesto(c, QString()), 10);

    c.ejecuta(
        QStringLiteral("INSERT INTO clientes (Clave, Nombre) VALUES ('C1', 'Peña O''Brien')"));
    EXPECT_EQ(acumulacion::NombreCliente(c, QStringLiteral(" C1 ")),
              QStringLiteral("Peña O'Brien"));
    EXPECT_EQ(acumulacion::NombreCliente(c, QStringLiteral("C2")), QString());
    EXPECT_EQ(acumulacion::NombreCliente(c, QStringLiteral("  ")), QString());

    for (const auto& [valor, esperado] : {std::pair{"1", true},
                                          {"0", false},
                                          {"-1", true},
                                          {"Verdadero", true},
                                          {"False", false}}) {
        b.conexion().ejecuta(QStringLiteral("REPLACE INTO configura VALUES ('SeriesEnPed', ?)"),
                             {QString::fromUtf8(valor)});
        EXPECT_EQ(acumulacion::SeriesEnPedidos(c), esperado) << valor;
    }
}

TEST(FormatoImporte, GroupsThousandsAndRoundsToTwoDecimals) {
    const QLocale en(QLocale::English);
    using acumulacion::formatoImporte;
    EXPECT_EQ(formatoImporte("1234567.891", en), QStringLiteral("1,234,567.89"));
    EXPECT_EQ(formatoImporte("0", en), QStringLiteral("0.00"));
    EXPECT_EQ(formatoImporte(".5", en), QStringLiteral("0.50"));
    EXPECT_EQ(formatoImporte("999999.995", en), QStringLiteral("1,000,000.00"));
    EXPECT_EQ(formatoImporte("-1234.5", en), QStringLiteral("-1,234.50"));
    EXPECT_EQ(formatoImporte("-0.004", en), QStringLiteral("0.00"));
    EXPECT_EQ(formatoImporte("123456789012345678.10", en),
              QStringLiteral("123,456,789,012,345,678.10"));
    EXPECT_EQ(formatoImporte("1.5e+6", en), QStringLiteral("1,500,000.00"));
    EXPECT_EQ(formatoImporte("", en), QString());
    EXPECT_EQ(formatoImporte("1234.5", QLocale(QLocale::German)), QStringLiteral("1.234,50"));
}
