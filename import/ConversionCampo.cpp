#include "import/ConversionCampo.h"

#include "data/ErrorTransferencia.h"
#include "data/LectorTransferencia.h"
#include "shell/host/ConversionValor.h"

#include <QRegularExpression>
#include <cmath>
#include <mysql.h>

using host::ClaseCampo;
using host::Columna;

namespace importacion {

namespace {

[[noreturn]] void rechaza(int linea, const QString& campo, const QString& valor,
                          const QString& motivo) {
    throw transferencia::ErrorTransferencia(
        QStringLiteral("En el registro de la línea %1, el campo %2 trae el valor \"%3\", que %4.")
            .arg(linea)
            .arg(campo, valor.left(200), motivo),
        linea);
}

QString queNoEs(const Columna& c) {
    switch (c.clase) {
    case ClaseCampo::Entero:
    case ClaseCampo::Logico:
        return QStringLiteral("no es un número entero");
    case ClaseCampo::Decimal:
        return QStringLiteral("no es un número");
    case ClaseCampo::Fecha:
    case ClaseCampo::FechaHora:
        return QStringLiteral("no es una fecha");
    case ClaseCampo::Hora:
        return QStringLiteral("no es una hora");
    default:
        return QStringLiteral("no es válido para la columna %1").arg(c.nombre);
    }
}

// Range of the whole-number column types.
bool fueraDeRango(const Columna& c, qlonglong n) {
    qlonglong minimo = 0, maximo = 0;
    switch (c.tipo) {
    case MYSQL_TYPE_TINY:
        minimo = c.sinSigno ? 0 : -128;
        maximo = c.sinSigno ? 255 : 127;
        break;
    case MYSQL_TYPE_SHORT:
        minimo = c.sinSigno ? 0 : -32768;
        maximo = c.sinSigno ? 65535 : 32767;
        break;
    case MYSQL_TYPE_INT24:
        minimo = c.sinSigno ? 0 : -8388608;
        maximo = c.sinSigno ? 16777215 : 8388607;
        break;
    case MYSQL_TYPE_LONG:
        minimo = c.sinSigno ? 0 : -2147483648LL;
        maximo = c.sinSigno ? 4294967295LL : 2147483647LL;
        break;
    default:
        return c.sinSigno && n < 0;
    }
    return n < minimo || n > maximo;
}

// Digits with at most one point and a leading minus: how the writer puts numbers.
// Gives the count of integer digits without leading zeros, or -1 for another form.
int cifrasEnteras(QStringView t, bool& negativo, bool& conPunto) {
    qsizetype i = 0;
    negativo = !t.isEmpty() && t[0] == QLatin1Char('-');
    i += negativo ? 1 : 0;
    conPunto = false;
    int enteras = 0, cifras = 0;
    bool significativa = false;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c >= '0' && c <= '9') {
            ++cifras;
            significativa = significativa || (c != '0' && !conPunto);
            enteras += (significativa && !conPunto) ? 1 : 0;
        } else if (c == '.' && !conPunto) {
            conPunto = true;
        } else {
            return -1;
        }
    }
    return cifras > 0 ? enteras : -1;
}

} // namespace

QString noCabeTexto(const Columna& c, const QString& t) {
    // The server gives a text column's length in bytes of the connection's utf8mb4.
    const qsizetype maximo = qsizetype(c.largo / 4);
    if (c.largo > 0 && t.size() > maximo && t.toUcs4().size() > maximo)
        return QStringLiteral("es más largo que los %1 caracteres que admite la columna")
            .arg(maximo);
    return {};
}

QString noCabeEntero(const Columna& c, qlonglong n) {
    if (fueraDeRango(c, n))
        return QStringLiteral("está fuera del rango de la columna");
    return {};
}

QString noCabeDecimal(const Columna& c, const QString& t) {
    if (c.tipo != MYSQL_TYPE_NEWDECIMAL && c.tipo != MYSQL_TYPE_DECIMAL)
        return {};
    bool negativo = false, conPunto = false;
    int enteras = cifrasEnteras(t, negativo, conPunto);
    if (enteras < 0) {
        // Exponent form: rare, so the slow conversion is fine.
        const double v = t.toDouble();
        negativo = v < 0;
        enteras = v == 0 ? 0 : int(std::floor(std::log10(std::fabs(v)))) + 1;
    }
    if (c.sinSigno && negativo && t.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        return QStringLiteral("es negativo y la columna no lo admite");
    // Length is precision, plus the point and the sign when the type has them.
    const int precision = int(c.largo) - (c.decimales > 0 ? 1 : 0) - (c.sinSigno ? 0 : 1);
    const int maximo = precision - int(c.decimales);
    if (maximo >= 0 && enteras > maximo)
        return QStringLiteral("no cabe en la columna (admite %1 cifras enteras)").arg(maximo);
    return {};
}

QString noCabe(const Columna& c, const QVariant& valor) {
    if (valor.isNull())
        return {};
    switch (c.clase) {
    case ClaseCampo::Texto:
        return noCabeTexto(c, valor.toString());
    case ClaseCampo::Binario: {
        const qsizetype bytes = valor.typeId() == QMetaType::QByteArray
                                    ? valor.toByteArray().size()
                                    : valor.toString().toUtf8().size();
        if (c.largo > 0 && bytes > qsizetype(c.largo))
            return QStringLiteral("es más largo que los %1 bytes que admite la columna")
                .arg(c.largo);
        return {};
    }
    case ClaseCampo::Entero:
    case ClaseCampo::Logico:
        return noCabeEntero(c, valor.toLongLong());
    case ClaseCampo::Decimal:
        return noCabeDecimal(c, valor.toString());
    default:
        return {};
    }
}

QVariant convierteCampo(const Columna& c, const transferencia::Campo& campo, int linea,
                        const QString& nombreCampo) {
    const QString& t = campo.valor;
    bool negativo = false, conPunto = false;
    QString motivo;
    QVariant valor;
    // The usual forms are checked on the text itself: the same result as going through
    // convierteTexto and noCabe, at a fraction of the cost.
    if (campo.entreComillas && c.clase == ClaseCampo::Texto) {
        motivo = noCabeTexto(c, t);
        valor = t;
    } else if (!campo.entreComillas && c.clase == ClaseCampo::Decimal &&
               cifrasEnteras(t, negativo, conPunto) >= 0) {
        motivo = noCabeDecimal(c, t);
        valor = t;
    } else if (!campo.entreComillas &&
               (c.clase == ClaseCampo::Entero || c.clase == ClaseCampo::Logico) && t.size() < 19 &&
               cifrasEnteras(t, negativo, conPunto) >= 0 && !conPunto) {
        const qlonglong n = t.toLongLong();
        motivo = noCabeEntero(c, n);
        valor = n;
    } else {
        if (campo.entreComillas && c.clase == ClaseCampo::Binario) {
            valor = t;
        } else {
            try {
                valor = host::convierteTexto(c, t);
            } catch (const host::ErrorConversion&) {
                rechaza(linea, nombreCampo, t, queNoEs(c));
            }
        }
        motivo = noCabe(c, valor);
    }
    if (!motivo.isEmpty())
        rechaza(linea, nombreCampo, t, motivo);
    return valor;
}

QVariant convierteValor(const Columna& c, const QVariant& valor, int linea,
                        const QString& nombreCampo) {
    if (valor.isNull())
        return valor;
    QString texto;
    switch (valor.typeId()) {
    case QMetaType::QDate:
        texto = valor.toDate().toString(Qt::ISODate);
        break;
    case QMetaType::QDateTime:
        texto = valor.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        break;
    default:
        texto = valor.toString();
    }
    QVariant salida;
    if (c.clase == ClaseCampo::Texto || c.clase == ClaseCampo::Binario) {
        salida = texto;
    } else if ((c.clase == ClaseCampo::Fecha || c.clase == ClaseCampo::FechaHora) &&
               (valor.typeId() == QMetaType::QDate || valor.typeId() == QMetaType::QDateTime)) {
        salida =
            c.clase == ClaseCampo::Fecha ? QVariant(valor.toDate()) : QVariant(valor.toDateTime());
    } else {
        try {
            salida = host::convierteTexto(c, texto);
        } catch (const host::ErrorConversion&) {
            rechaza(linea, nombreCampo, texto, queNoEs(c));
        }
    }
    const QString motivo = noCabe(c, salida);
    if (!motivo.isEmpty())
        rechaza(linea, nombreCampo, texto, motivo);
    return salida;
}

} // namespace importacion
