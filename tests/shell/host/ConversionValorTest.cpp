#include "shell/host/ConversionValor.h"

#include <gtest/gtest.h>
#include <mysql.h>
#include <tuple>

using host::ClaseCampo;
using host::Columna;

namespace {

Columna columna(int tipo, ClaseCampo clase, unsigned long largo, unsigned decimales = 0,
                bool sinSigno = false, bool admiteNulo = true) {
    Columna c;
    c.nombre = QStringLiteral("C");
    std::tie(c.tipo, c.largo, c.decimales, c.sinSigno, c.admiteNulo, c.clase) =
        std::tuple(tipo, largo, decimales, sinSigno, admiteNulo, clase);
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

// Each "text|stored" is stored as given; each of refusados is refused.
using Lista = std::initializer_list<const char*>;
void comprueba(const Columna& c, Lista guardados, Lista refusados = {}) {
    for (const char* caso : guardados) {
        const QStringList partes = QString::fromUtf8(caso).split(QLatin1Char('|'));
        EXPECT_EQ(guarda(c, partes[0].toUtf8().constData()), partes[1]) << caso;
    }
    for (const char* texto : refusados)
        EXPECT_TRUE(refusa(c, texto)) << texto;
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
        for (const char* n : {t.minimo, t.maximo})
            EXPECT_EQ(guarda(entera(t.tipo), n), QLatin1String(n));
        EXPECT_EQ(guarda(entera(t.tipo, true), t.maxSinSigno), QLatin1String(t.maxSinSigno));
        EXPECT_TRUE(guarda(entera(t.tipo), t.alto).contains(QStringLiteral("fuera del rango")));
        comprueba(entera(t.tipo), {}, {t.bajo});
        comprueba(entera(t.tipo, true), {"0|0"}, {t.altoSinSigno, "-1"});
    }
    // Other forms of a whole number are that number.
    comprueba(entera(MYSQL_TYPE_LONGLONG),
              {"1e3|1000", "3.00|3", "-0|0", "+5|5", "  12 |12", "#TRUE#|1"},
              {"1.5", "1e309", "-1e309", "1e-309", "nan", "inf", "-inf", "0x10", "1,5", "",
               "99999999999999999999", "1e99999999999", "5e", "--1", "."});
    comprueba(entera(MYSQL_TYPE_YEAR), {"2155|2155"}, {"69"});
}

TEST(ConvierteTexto, DecimalsKeepPrecisionAndScaleAndAreSentAsPlainDecimalText) {
    const Columna d = columna(MYSQL_TYPE_NEWDECIMAL, ClaseCampo::Decimal, 16, 2); // (14,2)
    // Extra zeros are no loss.
    comprueba(d,
              {"999999999999.99|999999999999.99", "-999999999999.99|-999999999999.99", "1.5e2|150",
               "25E-2|0.25", ".5|0.5", "5.|5", "+0012.3000|12.3", "-0.00|0", "#FALSE#|0"},
              {"1e309", "-1e309", "1e-309", "nan", "inf", "0x10", "1,5", "1e12",
               "9999999999999999999999", "1e99999999999", "1 000", ""});
    EXPECT_TRUE(guarda(d, "1000000000000").contains(QStringLiteral("12 cifras enteras")));
    EXPECT_TRUE(guarda(d, "1.005").contains(QStringLiteral("más decimales que los 2")));
    comprueba(columna(MYSQL_TYPE_NEWDECIMAL, ClaseCampo::Decimal, 6, 2, true),
              {"999.99|999.99", "-0|0"}, {"1000", "-0.01"});
    EXPECT_TRUE(guarda(columna(MYSQL_TYPE_NEWDECIMAL, ClaseCampo::Decimal, 5, 0), "1.5")
                    .contains(QStringLiteral("no los admite")));
    // Floating point columns: any finite value of the type.
    comprueba(columna(MYSQL_TYPE_DOUBLE, ClaseCampo::Decimal, 22, 31), {"-1.5e300|-1.5e+300"},
              {"1e309", "-1e309", "1e-400", "nan", "inf"});
    comprueba(columna(MYSQL_TYPE_FLOAT, ClaseCampo::Decimal, 12, 31), {"0.1|0.1"}, {"1e39"});
}

TEST(ConvierteTexto, DatesMustExistWithAFourDigitYearAndAnEmptyOneIsNull) {
    const Columna fecha = columna(MYSQL_TYPE_DATE, ClaseCampo::Fecha, 10);
    const Columna fechaHora = columna(MYSQL_TYPE_DATETIME, ClaseCampo::FechaHora, 19);
    const Lista malas = {"31/feb/2026",  "00/ene/0000",           "29/feb/1900",
                         "32/ene/2026",  "05/xyz/2026",           "05/ene/26",
                         "05/ene/10000", "#0999-01-01#",          "#2026-13-01#",
                         "#0000-00-00#", "#2026-02-30#",          "#2026-01-01 24:00:00#",
                         "   ",          "#2026-01-01 10:60:00#", "mañana"};
    comprueba(fecha,
              {"29/feb/2024|2024-02-29", "05/Jan./2026|2026-01-05", "#1000-01-01#|1000-01-01",
               "#NULL#|NULL", "|NULL"},
              malas);
    // A date-only column would drop the time of day.
    comprueba(fecha, {}, {"#9999-12-31 23:59:59#"});
    comprueba(fechaHora, {"|NULL", "#9999-12-31 23:59:59#|9999-12-31 23:59:59"}, malas);
    const Columna obligatoria = columna(MYSQL_TYPE_DATE, ClaseCampo::Fecha, 10, 0, false, false);
    EXPECT_TRUE(guarda(obligatoria, "").contains(QStringLiteral("no admite una fecha vacía")));
    comprueba(columna(MYSQL_TYPE_TIME, ClaseCampo::Hora, 10), {"23:59:59|23:59:59"}, {"24:00:00"});
}
