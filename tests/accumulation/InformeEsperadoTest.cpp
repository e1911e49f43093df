#include "accumulation/InformeAcumulacion.h"
#include "support/Esperado.h"

#include <gtest/gtest.h>

// The report of a generation as the user saves or prints it, compared whole with a reviewed
// text: the columns stay aligned whatever the widths of series, companies and orders, and
// every folio created is listed with where it came from.
TEST(InformeAcumulacion, TheReportOfAGenerationReadsAsReviewed) {
    const QVector<acumulacion::FolioDado> dados{
        {QStringLiteral("A"), 100, QStringLiteral("empresa2"), 45, QStringLiteral("B-1520"), 301,
         3},
        {QStringLiteral("A"), 101, QStringLiteral("empresa2"), 46, QStringLiteral("1521"), 302, 1},
        {QStringLiteral("A"), 102, QStringLiteral("sucursal_norte"), 7, QStringLiteral("C-9"), 303,
         12},
        {QString(), 5, QStringLiteral("empresa3"), 8, QStringLiteral("10"), 304, 2}};
    const Informe informe = acumulacion::InformeGeneracion(
        QStringLiteral("Pedido generado. Se generaron 4 pedidos."), dados, QDate(2026, 3, 1),
        QDate(2026, 3, 31), QDateTime(QDate(2026, 4, 2), QTime(9, 5)));
    EXPECT_TRUE(pruebas::comoEsperado(informe.texto(),
                                      QStringLiteral("accumulation/esperado/informe.txt")));
    EXPECT_EQ(informe.nombreArchivo(), QStringLiteral("acumulacion-20260402-0905.txt"));
    EXPECT_TRUE(pruebas::comoEsperado(informe.tabla(),
                                      QStringLiteral("accumulation/esperado/informe-tabla.txt")));
}

// Where the list of companies names them, the report shows the name beside the database.
TEST(InformeAcumulacion, ACompanysNameStandsBesideItsDatabase) {
    const QVector<acumulacion::FolioDado> dados{
        {QStringLiteral("A"), 100, QStringLiteral("empresa2"), 45, QStringLiteral("B-1"), 301, 3},
        {QStringLiteral("A"), 101, QStringLiteral("empresa3"), 46, QStringLiteral("2"), 302, 1}};
    const Informe informe = acumulacion::InformeGeneracion(
        QStringLiteral("Pedido generado."), dados, QDate(2026, 3, 1), QDate(2026, 3, 31),
        QDateTime(QDate(2026, 4, 2), QTime(9, 5)),
        {{QStringLiteral("empresa2"), QStringLiteral("Comercial del Norte")}});
    ASSERT_EQ(informe.renglones.size(), 2);
    EXPECT_EQ(informe.renglones[0][1], QStringLiteral("empresa2 (Comercial del Norte)"));
    EXPECT_EQ(informe.renglones[1][1], QStringLiteral("empresa3"));
}
