#include "import/AcumuladoExistencias.h"
#include "shell/host/ErrorBdD.h"

#include <gtest/gtest.h>

using importacion::AcumuladoExistencias;

namespace {
QString lee(const char* texto) {
    __int128 v = 0;
    if (!AcumuladoExistencias::leeCantidad(QString::fromLatin1(texto), v))
        return QStringLiteral("no");
    return AcumuladoExistencias::texto(v);
}
} // namespace

TEST(AcumuladoExistencias, ReadsQuantitiesExactlyInEveryNumberForm) {
    EXPECT_EQ(lee("3"), QStringLiteral("3.000000000000"));
    EXPECT_EQ(lee(" -0.5 "), QStringLiteral("-0.500000000000"));
    EXPECT_EQ(lee("+.25"), QStringLiteral("0.250000000000"));
    EXPECT_EQ(lee("12.3400"), QStringLiteral("12.340000000000"));
    EXPECT_EQ(lee("1e3"), QStringLiteral("1000.000000000000"));
    EXPECT_EQ(lee("25E-2"), QStringLiteral("0.250000000000"));
    EXPECT_EQ(lee("0.0000000000005"), QStringLiteral("0.000000000001")); // rounded half up
    EXPECT_EQ(lee("000000000000000000000000000000000000000000001"),
              QStringLiteral("1.000000000000"));
    EXPECT_EQ(lee("99999999999999999999999"),
              QStringLiteral("99999999999999999999999.000000000000"));
    for (const char* malo : {"", "abc", "1,5", "1e", "1.2.3", "--1", "#NULL#", "1e400",
                             "1000000000000000000000000", "3 piezas"})
        EXPECT_EQ(lee(malo), QStringLiteral("no")) << malo;
}

TEST(AcumuladoExistencias, SumsPerExactCodeAndRefusesASumThatWouldNotBeExact) {
    AcumuladoExistencias a;
    __int128 v = 0;
    ASSERT_TRUE(AcumuladoExistencias::leeCantidad(u"0.1", v));
    for (int i = 0; i < 10; ++i)
        a.agrega(QStringLiteral("A"), v);
    a.agrega(QStringLiteral("a"), v);
    EXPECT_EQ(a.productos(), 2);
    ASSERT_TRUE(AcumuladoExistencias::leeCantidad(u"99999999999999999999999", v));
    AcumuladoExistencias grande;
    const auto sumaVeinte = [&] {
        for (int i = 0; i < 20; ++i)
            grande.agrega(QStringLiteral("B"), v);
    };
    EXPECT_THROW(sumaVeinte(), host::ErrorBdD);
}
