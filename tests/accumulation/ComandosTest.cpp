#include "app/Comandos.h"
#include "Escenario.h"
#include "support/OrdenPrueba.h"

#include <gtest/gtest.h>

using pruebas::Escenario;

namespace {

pruebas::Salida corre(pruebas::Orden orden, Escenario& e, const QStringList& argumentos) {
    Programa programa;
    *programa.bases = e.bases();
    return pruebas::corre(orden, programa, argumentos);
}

class Comandos : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

} // namespace

TEST_F(Comandos, BuscarPrintsTheResultLinesAndSaysSoOnStandardErrorWhenNoneAreFound) {
    Escenario e(1);
    e.pedido(e.empresa(1), QStringLiteral("B"), 1520, QDate(2026, 4, 1), {{"P1", 1, 1}}, 1000);
    const auto s = corre(comandos::buscar, e, {"--desde", "01/04/2026", "--hasta=2026-04-30"});
    EXPECT_EQ(s.estado, 0);
    EXPECT_EQ(s.salida,
              QStringLiteral("Pedido B-1520 en %1  Total: 1,016.00\n").arg(e.empresa(1).nombre()));
    EXPECT_EQ(s.errores, QString());
    const auto nada =
        corre(comandos::buscar, e, {"--desde", "01/05/2026", "--hasta", "31/05/2026"});
    EXPECT_EQ(nada.estado, 0);
    EXPECT_EQ(nada.salida, QString());
    EXPECT_EQ(
        nada.errores,
        QStringLiteral("No se encontraron pedidos pendientes del 01/05/2026 al 31/05/2026.\n"));
}

TEST_F(Comandos, AcumularPrintsEachFolioAndTakesTheTabsFirstSeriesWhenNoneIsGiven) {
    Escenario e(1);
    const QString base = e.empresa(1).nombre();
    e.pedido(e.empresa(1), QStringLiteral("B"), 1, QDate(2026, 4, 1), {{"P1", 1, 1}});
    e.pedido(e.empresa(1), QString(), 2, QDate(2026, 4, 2), {{"P1", 1, 1}});
    e.pedido(e.empresa(1), QString(), 3, QDate(2026, 4, 3), {{"P1", 1, 1}});

    auto s = corre(comandos::acumular, e,
                   {"--desde", "01/04/2026", "--hasta", "01/04/2026", "--folio", "7"});
    EXPECT_EQ(s.estado, 0) << s.errores.toStdString();
    EXPECT_EQ(s.salida, QStringLiteral("Folio 7: pedido B-1 de %1\nSe generó 1 pedido en %2.\n")
                            .arg(base, e.actual().nombre()));

    e.actual().conexion().ejecuta(
        QStringLiteral("INSERT INTO sistema VALUES ('PE-C', '2'), ('PE+A-C', 'Sí')"));
    s = corre(comandos::acumular, e,
              {"--desde", "2026-04-02", "--hasta", "2026-04-02", "--folio", "3"});
    EXPECT_TRUE(s.salida.startsWith(QStringLiteral("Folio C-3: pedido 2 de %1\n").arg(base)));

    s = corre(comandos::acumular, e,
              {"--desde", "2026-04-03", "--hasta", "2026-04-03", "--folio", "3", "--serie", " X "});
    EXPECT_TRUE(s.salida.startsWith(QStringLiteral("Folio X-3: pedido 3 de %1\n").arg(base)));
}

TEST_F(Comandos, SkippedCompaniesAreWarnedOnStandardErrorAndTheOthersStillRun) {
    Escenario e(1);
    const QString falta = pruebas::nombreUnico(QStringLiteral("falta"));
    e.registra(falta);
    pruebas::BaseEmpresa sinTablas(QStringLiteral("acu"));
    sinTablas.conexion().ejecuta(QStringLiteral("DROP TABLE pedidos, pedidosdetalle"));
    e.registra(sinTablas.nombre());
    e.pedido(e.empresa(1), QString(), 5, QDate(2026, 4, 1), {{"P1", 1, 1}});
    const QString avisos =
        QStringLiteral("Aviso: se omitió la empresa \"%1\": no existe la base de datos \"%1\" "
                       "en el servidor.\nAviso: se omitió la empresa \"%2\": la base de datos "
                       "\"%2\" no tiene las tablas pedidos y pedidosdetalle.\n")
            .arg(falta, sinTablas.nombre());

    const auto b = corre(comandos::buscar, e, {"--desde", "2026-04-01", "--hasta", "2026-04-01"});
    EXPECT_EQ(b.estado, 0);
    EXPECT_TRUE(b.salida.startsWith(QStringLiteral("Pedido 5 en ")));
    EXPECT_EQ(b.errores, avisos);
    const auto a = corre(comandos::acumular, e,
                         {"--desde", "2026-04-01", "--hasta", "2026-04-01", "--folio", "1"});
    EXPECT_EQ(a.estado, 0);
    EXPECT_TRUE(a.salida.startsWith(QStringLiteral("Folio 1: pedido 5 de ")));
    EXPECT_EQ(a.errores, avisos);
}

TEST_F(Comandos, WrongArgumentsGoToStandardErrorWithStatusOne) {
    Escenario e(0);
    const QList<QPair<QStringList, QString>> casos = {
        {{"--desde", "01/04/2026", "--hasta", "30/04/2026"}, "Falta la opción --folio N."},
        {{"--desde", "01/04/2026", "--hasta", "30/04/2026", "--folio", "abc"},
         "El folio \"abc\" no es un número entero entre 0 y 2147483647."},
        {{"--desde", "31/02/2026", "--hasta", "30/04/2026", "--folio", "1"},
         "La fecha \"31/02/2026\" de --desde no es válida; escríbala como dd/mm/aaaa o "
         "aaaa-mm-dd."},
        {{"--desde", "01/04/2026", "--cliente", "C1"}, "Opción desconocida: --cliente."},
        {{"--desde"}, "Falta el valor de la opción --desde."},
        {{"hoy"}, "Argumento no esperado: \"hoy\"."},
    };
    for (const auto& [argumentos, mensaje] : casos) {
        const auto s = corre(comandos::acumular, e, argumentos);
        EXPECT_EQ(s.estado, 1);
        EXPECT_EQ(s.salida, QString());
        EXPECT_EQ(s.errores, mensaje + QLatin1Char('\n'));
    }
    Programa sinServidor;
    sinServidor.bases->cPuerto = 1;
    sinServidor.bases->cMiBase = QStringLiteral("datos1");
    QString salida, errores;
    QTextStream so(&salida), se(&errores);
    EXPECT_EQ(
        comandos::buscar(sinServidor, {"--desde", "01/04/2026", "--hasta", "01/04/2026"}, so, se),
        1);
    EXPECT_TRUE(errores.startsWith(QStringLiteral("No se pudo conectar")));
}
