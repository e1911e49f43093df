#include "shell/host/ConversionValor.h"

#include "shell/host/Fechas.h"
#include "shell/host/NumeroTexto.h"

#include <QRegularExpression>
#include <cfloat>
#include <cmath>
#include <limits>
#include <mysql.h>

namespace host {

namespace {

[[noreturn]] void rechaza(const Columna& c, const QString& texto, const QString& motivo) {
    throw ErrorConversion(c.nombre, texto, motivo);
}

// Lowest and highest value of a whole-number column.
struct Rango {
    __int128 minimo, maximo;
};

Rango rangoEntero(const Columna& c) {
    const auto rango = [&c](int bits) {
        const __int128 tope = __int128(1) << bits;
        return c.sinSigno ? Rango{0, tope - 1} : Rango{-(tope / 2), tope / 2 - 1};
    };
    switch (c.tipo) {
    case MYSQL_TYPE_TINY:
        return rango(8);
    case MYSQL_TYPE_SHORT:
        return rango(16);
    case MYSQL_TYPE_INT24:
        return rango(24);
    case MYSQL_TYPE_LONG:
        return rango(32);
    case MYSQL_TYPE_YEAR:
        return {1901, 2155};
    default:
        return rango(64);
    }
}

QString textoEntero(__int128 n) {
    return n < 0 ? QString::number(qint64(n)) : QString::number(quint64(n));
}

QString comoEntero(const Columna& c, const NumeroTexto& n, QVariant& valor) {
    if (n.decimales() > 0)
        return QStringLiteral("no es un número entero");
    const Rango r = rangoEntero(c);
    quint64 magnitud = 0;
    const bool cabe64 = n.magnitud(magnitud);
    const __int128 v = n.negativo() ? -__int128(magnitud) : __int128(magnitud);
    // YEAR keeps 0 besides its range.
    if (!cabe64 || ((v < r.minimo || v > r.maximo) && !(c.tipo == MYSQL_TYPE_YEAR && v == 0)))
        return QStringLiteral("está fuera del rango de la columna (de %1 a %2)")
            .arg(textoEntero(r.minimo), textoEntero(r.maximo));
    if (v > std::numeric_limits<qint64>::max())
        valor = QVariant(quint64(v));
    else
        valor = QVariant(qlonglong(v));
    return {};
}

// Whole digits and decimals against a column of precision digits, escala of them decimals.
QString cabeEnCifras(const NumeroTexto& n, qint64 precision, qint64 escala) {
    const qint64 maxEnteras = std::max<qint64>(0, precision - escala);
    if (n.enteras() > maxEnteras)
        return QStringLiteral("no cabe en la columna (admite %1 cifras enteras)").arg(maxEnteras);
    if (n.decimales() > escala) {
        if (escala == 0)
            return QStringLiteral("tiene decimales y la columna no los admite");
        return QStringLiteral("tiene más decimales que los %1 que admite la columna").arg(escala);
    }
    return {};
}

// The decimals the server gives a FLOAT or DOUBLE column declared without a fixed number.
constexpr unsigned decimalesLibres = 31;

// FLOAT and DOUBLE: a finite value of the type; with fixed decimals, also their digits.
QString comoReal(const Columna& c, const NumeroTexto& n, const QString& t, QVariant& valor) {
    if (c.decimales < decimalesLibres) {
        const QString motivo = cabeEnCifras(n, qint64(c.largo), c.decimales);
        if (!motivo.isEmpty())
            return motivo;
    }
    bool ok = false;
    const double d = n.enteras() > 400 ? HUGE_VAL : t.toDouble(&ok);
    const double tope = c.tipo == MYSQL_TYPE_FLOAT ? double(FLT_MAX) : DBL_MAX;
    if (d == 0 && !n.esCero())
        return QStringLiteral("es demasiado pequeño para la columna");
    if (!ok || !std::isfinite(d) || std::fabs(d) > tope)
        return QStringLiteral("no cabe en la columna");
    valor = QVariant(d);
    return {};
}

QString comoDecimal(const Columna& c, const NumeroTexto& n, const QString& t, QVariant& valor) {
    if (c.sinSigno && n.negativo())
        return QStringLiteral("es negativo y la columna no lo admite");
    if (c.tipo == MYSQL_TYPE_FLOAT || c.tipo == MYSQL_TYPE_DOUBLE)
        return comoReal(c, n, t, valor);
    // The display length counts the point and the sign besides the precision.
    const qint64 escala = c.decimales;
    const qint64 precision = qint64(c.largo) - (escala > 0 ? 1 : 0) - (c.sinSigno ? 0 : 1);
    const QString motivo = cabeEnCifras(n, precision, escala);
    if (!motivo.isEmpty())
        return motivo;
    // Sent as decimal text, so that the server stores exactly the number checked.
    valor = n.esPlano(escala) ? QVariant(t) : QVariant(n.plano());
    return {};
}

QVariant comoFecha(const Columna& c, const QString& texto, const QString& t, bool conHora) {
    static const QRegularExpression marca(
        QStringLiteral("^#(\\d{4}-\\d{2}-\\d{2})(?: (\\d{2}:\\d{2}:\\d{2}))?#$"));
    QDate fecha;
    QTime hora(0, 0);
    const auto m = t.startsWith(QLatin1Char('#')) ? marca.match(t) : QRegularExpressionMatch();
    if (m.hasMatch()) {
        fecha = QDate::fromString(m.captured(1), Qt::ISODate);
        if (!m.captured(2).isEmpty())
            hora = QTime::fromString(m.captured(2), QStringLiteral("HH:mm:ss"));
    } else {
        fecha = Fechas::deTextoMes(t);
        if (!fecha.isValid())
            fecha = Fechas::deTextoCorto(t);
    }
    if (!fecha.isValid())
        rechaza(c, texto, QStringLiteral("no es una fecha válida"));
    if (fecha.year() < 1000 || fecha.year() > 9999)
        rechaza(c, texto, QStringLiteral("tiene un año fuera del rango de 1000 a 9999"));
    if (!hora.isValid())
        rechaza(c, texto, QStringLiteral("no es una hora del día válida"));
    if (conHora)
        return QVariant(QDateTime(fecha, hora));
    if (hora != QTime(0, 0))
        rechaza(c, texto, QStringLiteral("trae una hora y la columna solo guarda la fecha"));
    return QVariant(fecha);
}

} // namespace

QString convierteNumero(const Columna& c, const QString& t, QVariant& valor) {
    const bool decimal = c.clase == ClaseCampo::Decimal;
    NumeroTexto n;
    if (!n.lee(t))
        return decimal ? QStringLiteral("no es un número")
                       : QStringLiteral("no es un número entero");
    return decimal ? comoDecimal(c, n, t, valor) : comoEntero(c, n, valor);
}

QVariant convierteTexto(const Columna& c, const QString& texto) {
    const bool esFecha = c.clase == ClaseCampo::Fecha || c.clase == ClaseCampo::FechaHora;
    // Older files leave a missing date as an empty text.
    if (esFecha && texto.isEmpty()) {
        if (!c.admiteNulo)
            rechaza(c, texto, QStringLiteral("está vacío y la columna no admite una fecha vacía"));
        return QVariant();
    }
    const QString t = texto.trimmed();
    if (t.compare(QLatin1String("#NULL#"), Qt::CaseInsensitive) == 0)
        return QVariant();
    const bool verdadero = t.compare(QLatin1String("#TRUE#"), Qt::CaseInsensitive) == 0;
    const bool falso = t.compare(QLatin1String("#FALSE#"), Qt::CaseInsensitive) == 0;
    switch (c.clase) {
    case ClaseCampo::Texto:
    case ClaseCampo::Binario:
        if (verdadero || falso)
            return QVariant(verdadero ? QStringLiteral("1") : QStringLiteral("0"));
        return QVariant(texto);
    case ClaseCampo::Logico:
    case ClaseCampo::Entero:
    case ClaseCampo::Decimal: {
        QVariant valor;
        const QString numero = verdadero ? QStringLiteral("1") : (falso ? QStringLiteral("0") : t);
        const QString motivo = convierteNumero(c, numero, valor);
        if (!motivo.isEmpty())
            rechaza(c, texto, motivo);
        return valor;
    }
    case ClaseCampo::Fecha:
        return comoFecha(c, texto, t, false);
    case ClaseCampo::FechaHora:
        return comoFecha(c, texto, t, true);
    case ClaseCampo::Hora: {
        const QTime h = QTime::fromString(t, QStringLiteral("HH:mm:ss"));
        if (!h.isValid())
            rechaza(c, texto, QStringLiteral("no es una hora del día válida"));
        return QVariant(t);
    }
    }
    return QVariant(texto);
}

} // namespace host
