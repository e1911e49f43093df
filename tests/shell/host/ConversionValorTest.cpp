#include "shell/host/ConversionValor.h"

#include <gtest/gtest.h>
#include <mysql.h>

using host::ClaseCampo;
using host::Columna;

namespace {

Columna columna(int tipo, ClaseCampo clase, unsigned long largo, unsigned decimales = 0,
                bool sinSigno = false, bool admiteNulo = true) {
    Columna c;
    c.nombre = QStringLiteral("C");
    c.tipo = tipo;
    c.clase = clase;
    c.largo = largo;
    c.decimales = decimales;
    c.sinSigno = sinSigno;
    c.admiteNulo = admiteNulo;
    return c;
}

Columna entera(int tipo, bool sinSigno = false) {
    return columna(tipo, ClaseCampo::Entero, 20, 0, sinSigno);
}

// What the column would store, as text ("no: <reason>" when refused).
QString guarda(const Columna& c, const char* texto) {
    try {
        const QVariant v = host::convierteTexto(c, QString::fromUtf8(texto));
        if (v.isNull())
            return QStringLiteral("NULL");
        if (v.typeId() == QMetaType::QDateTime)
            return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        return v.toString();
    } catch (const host::ErrorConversion& e) {
        EXPECT_TRUE(e.mensaje().contains(QStringLiteral("\"%1\"").arg(QString::fromUtf8(texto))));
        return QStringLiteral("no: ") + e.motivo();
    }
}

bool refusa(const Columna& c, const char* texto) {
    return guarda(c, texto).startsWith(QLatin1String("no: "));
}

} // namespace

TEST(ConvierteTexto, WholeNumbersAreReadExactlyWithinEveryIntegerTypesRange) {
    const struct {
        int tipo;
        const char *minimo, *maximo, *bajo, *alto, *maxSinSigno, *altoSinSigno;
    } tipos[] = {
        {MYSQL_TYPE_TINY, "-128", "127", "-129", "128", "255", "256"},
        {MYSQL_TYPE_SHORT, "-32768", "32767", "-32769", "32768", "65535", "65536"},
        {MYSQL_TYPE_INT24, "-8388608", "8388607", "-8388609", "8388608", "16777215", "16777216"},
        {MYSQL_TYPE_LONG, "-2147483648", "2147483647", "-2147483649", "2147483648", "4294967295",
         "4294967296"},
        {MYSQL_TYPE_LONGLONG, "-9223372036854775808", "9223372036854775807", "-9223372036854775809",
         "9223372036854775808", "18446744073709551615", "18446744073709551616"},
    };
    for (const auto& t : tipos) {
        const Columna con = entera(t.tipo), sin = entera(t.tipo, true);
        EXPECT_EQ(guarda(con, t.minimo), QLatin1String(t.minimo));
        EXPECT_EQ(guarda(con, t.maximo), QLatin1String(t.maximo));
        EXPECT_EQ(guarda(sin, t.maxSinSigno), QLatin1String(t.maxSinSigno));
        EXPECT_EQ(guarda(sin, "0"), QStringLiteral("0"));
        for (const char* fuera : {t.bajo, t.alto})
            EXPECT_TRUE(guarda(con, fuera).contains(QStringLiteral("fuera del rango"))) << fuera;
        EXPECT_TRUE(refusa(sin, t.altoSinSigno)) << t.altoSinSigno;
        EXPECT_TRUE(refusa(sin, "-1"));
    }
    const Columna c = entera(MYSQL_TYPE_LONGLONG);
    // Other forms of a whole number are that number.
    EXPECT_EQ(guarda(c, "1e3"), QStringLiteral("1000"));
    EXPECT_EQ(guarda(c, "3.00"), QStringLiteral("3"));
    EXPECT_EQ(guarda(c, "-0"), QStringLiteral("0"));
    EXPECT_EQ(guarda(c, "+5"), QStringLiteral("5"));
    EXPECT_EQ(guarda(c, "  12 "), QStringLiteral("12"));
    EXPECT_EQ(guarda(c, "#TRUE#"), QStringLiteral("1"));
    EXPECT_EQ(guarda(entera(MYSQL_TYPE_YEAR), "2155"), QStringLiteral("2155"));
    EXPECT_TRUE(refusa(entera(MYSQL_TYPE_YEAR), "69"));
    for (const char* malo : {"1.5", "1e309", "-1e309", "1e-309", "nan", "inf", "-inf", "0x10",
                             "1,5", "", "99999999999999999999", "1e99999999999", "5e", "--1", "."})
        EXPECT_TRUE(refusa(c, malo)) << malo;
}

TEST(ConvierteTexto, DecimalsKeepPrecisionAndScaleAndAreSentAsPlainDecimalText) {
    const Columna d = columna(MYSQL_TYPE_NEWDECIMAL, ClaseCampo::Decimal, 16, 2); // (14,2)
    EXPECT_EQ(guarda(d, "999999999999.99"), QStringLiteral("999999999999.99"));
    EXPECT_EQ(guarda(d, "-999999999999.99"), QStringLiteral("-999999999999.99"));
    EXPECT_EQ(guarda(d, "1.5e2"), QStringLiteral("150"));
    EXPECT_EQ(guarda(d, "25E-2"), QStringLiteral("0.25"));
    EXPECT_EQ(guarda(d, ".5"), QStringLiteral("0.5"));
    EXPECT_EQ(guarda(d, "5."), QStringLiteral("5"));
    EXPECT_EQ(guarda(d, "+0012.3000"), QStringLiteral("12.3")); // extra zeros are no loss
    EXPECT_EQ(guarda(d, "-0.00"), QStringLiteral("0"));
    EXPECT_EQ(guarda(d, "#FALSE#"), QStringLiteral("0"));
    EXPECT_TRUE(guarda(d, "1000000000000").contains(QStringLiteral("12 cifras enteras")));
    EXPECT_TRUE(guarda(d, "1.005").contains(QStringLiteral("más decimales que los 2")));
    for (const char* malo : {"1e309", "-1e309", "1e-309", "nan", "inf", "0x10", "1,5", "1e12",
                             "9999999999999999999999", "1e99999999999", "1 000", ""})
        EXPECT_TRUE(refusa(d, malo)) << malo;
    const Columna sinSigno = columna(MYSQL_TYPE_NEWDECIMAL, ClaseCampo::Decimal, 6, 2, true);
    EXPECT_EQ(guarda(sinSigno, "999.99"), QStringLiteral("999.99"));
    EXPECT_EQ(guarda(sinSigno, "-0"), QStringLiteral("0"));
    EXPECT_TRUE(refusa(sinSigno, "1000"));
    EXPECT_TRUE(refusa(sinSigno, "-0.01"));
    const Columna entera = columna(MYSQL_TYPE_NEWDECIMAL, ClaseCampo::Decimal, 5, 0); // (4,0)
    EXPECT_TRUE(guarda(entera, "1.5").contains(QStringLiteral("no los admite")));
    // Floating point columns: any finite value of the type.
    const Columna doble = columna(MYSQL_TYPE_DOUBLE, ClaseCampo::Decimal, 22, 31);
    const Columna simple = columna(MYSQL_TYPE_FLOAT, ClaseCampo::Decimal, 12, 31);
    EXPECT_EQ(guarda(doble, "-1.5e300"), QStringLiteral("-1.5e+300"));
    EXPECT_EQ(guarda(simple, "0.1"), QStringLiteral("0.1"));
    for (const char* malo : {"1e309", "-1e309", "1e-400", "nan", "inf"})
        EXPECT_TRUE(refusa(doble, malo)) << malo;
    EXPECT_TRUE(refusa(simple, "1e39"));
}

TEST(ConvierteTexto, DatesMustExistWithAFourDigitYearAndAnEmptyOneIsNull) {
    const Columna fecha = columna(MYSQL_TYPE_DATE, ClaseCampo::Fecha, 10);
    const Columna fechaHora = columna(MYSQL_TYPE_DATETIME, ClaseCampo::FechaHora, 19);
    EXPECT_EQ(guarda(fecha, "29/feb/2024"), QStringLiteral("2024-02-29"));
    EXPECT_EQ(guarda(fecha, "05/Jan./2026"), QStringLiteral("2026-01-05"));
    EXPECT_EQ(guarda(fecha, "#1000-01-01#"), QStringLiteral("1000-01-01"));
    EXPECT_EQ(guarda(fecha, "#NULL#"), QStringLiteral("NULL"));
    EXPECT_EQ(guarda(fecha, ""), QStringLiteral("NULL"));
    EXPECT_EQ(guarda(fechaHora, ""), QStringLiteral("NULL"));
    EXPECT_EQ(guarda(fechaHora, "#9999-12-31 23:59:59#"), QStringLiteral("9999-12-31 23:59:59"));
    for (const char* malo :
         {"31/feb/2026", "00/ene/0000", "29/feb/1900", "32/ene/2026", "05/xyz/2026", "05/ene/26",
          "05/ene/10000", "#0999-01-01#", "#2026-13-01#", "#0000-00-00#", "#2026-02-30#",
          "#2026-01-01 24:00:00#", "#2026-01-01 10:60:00#", "   ", "mañana"}) {
        EXPECT_TRUE(refusa(fecha, malo)) << malo;
        EXPECT_TRUE(refusa(fechaHora, malo)) << malo;
    }
    // A date-only column would drop the time of day.
    EXPECT_TRUE(refusa(fecha, "#9999-12-31 23:59:59#"));
    const Columna obligatoria = columna(MYSQL_TYPE_DATE, ClaseCampo::Fecha, 10, 0, false, false);
    EXPECT_TRUE(guarda(obligatoria, "").contains(QStringLiteral("no admite una fecha vacía")));
    const Columna hora = columna(MYSQL_TYPE_TIME, ClaseCampo::Hora, 10);
    EXPECT_EQ(guarda(hora, "23:59:59"), QStringLiteral("23:59:59"));
    EXPECT_TRUE(refusa(hora, "24:00:00"));
}
