#include "import/ConversionCampo.h"

#include "data/ErrorTransferencia.h"
#include "data/LectorTransferencia.h"
#include "import/LargoColumnas.h"
#include "shell/Cantidad.h"
#include "shell/host/ConversionValor.h"

#include "shell/host/Fechas.h"

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

QVariant convierte(const Columna& c, const QString& t, int linea, const QString& campo) {
    try {
        return host::convierteTexto(c, t);
    } catch (const host::ErrorConversion& e) {
        rechaza(linea, campo, t, e.motivo());
    }
}

} // namespace

// "en la columna Nota de la tabla pedidos", or without the table when the result has none.
QString enLaColumna(const Columna& c) {
    return c.tabla.isEmpty()
               ? QStringLiteral("la columna %1").arg(c.nombre)
               : QStringLiteral("la columna %1 de la tabla %2").arg(c.nombre, c.tabla);
}

QString noCabeTexto(const Columna& c, const QString& t) {
    // A UTF-16 unit is at most one character and at least one byte: most values are decided
    // by their size alone, and only a long one is measured.
    if (c.admiteBytes > 0) {
        if (t.size() * qMax(1, c.bytesPorCaracter) <= c.admiteBytes)
            return {};
        const qint64 bytes = BytesEnJuego(t, c.juego, c.bytesPorCaracter);
        if (bytes <= c.admiteBytes)
            return {};
        return QStringLiteral("ocupa %1 en %2, y %3 admite %4")
            .arg(cantidad(bytes, QStringLiteral("byte"), QStringLiteral("bytes")), c.juego,
                 enLaColumna(c),
                 cantidad(c.admiteBytes, QStringLiteral("byte"), QStringLiteral("bytes")));
    }
    // Without its definition, the result's length is in bytes of the connection's utf8mb4.
    const qint64 maximo = c.admiteCaracteres > 0 ? c.admiteCaracteres : qint64(c.largo / 4);
    if (c.largo > 0 && t.size() > maximo) {
        const qint64 caracteres = t.toUcs4().size();
        if (caracteres > maximo)
            return QStringLiteral("tiene %1, y %2 admite %3")
                .arg(cantidad(caracteres, QStringLiteral("carácter"), QStringLiteral("caracteres")),
                     enLaColumna(c),
                     cantidad(maximo, QStringLiteral("carácter"), QStringLiteral("caracteres")));
    }
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
            return QStringLiteral("ocupa %1, y %2 admite %3")
                .arg(cantidad(bytes, QStringLiteral("byte"), QStringLiteral("bytes")),
                     enLaColumna(c),
                     cantidad(qint64(c.largo), QStringLiteral("byte"), QStringLiteral("bytes")));
        return {};
    }
    default:
        return {};
    }
}

QVariant convierteCampo(const Columna& c, const transferencia::Campo& campo, int linea,
                        const QString& nombreCampo) {
    const QString& t = campo.valor;
    QString motivo;
    QVariant valor;
    const bool numero = c.clase == ClaseCampo::Entero || c.clase == ClaseCampo::Logico ||
                        c.clase == ClaseCampo::Decimal;
    // The usual forms are checked on the text itself: the same result as going through
    // convierteTexto, at a fraction of the cost.
    if (campo.entreComillas && c.clase == ClaseCampo::Texto) {
        motivo = noCabeTexto(c, t);
        valor = t;
    } else if (!campo.entreComillas && numero && !t.startsWith(QLatin1Char('#'))) {
        motivo = host::convierteNumero(c, t, valor);
    } else {
        if (campo.entreComillas && c.clase == ClaseCampo::Binario)
            valor = t;
        else
            valor = convierte(c, t, linea, nombreCampo);
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
    const bool aTexto = c.clase == ClaseCampo::Texto || c.clase == ClaseCampo::Binario;
    QString texto;
    switch (valor.typeId()) {
    case QMetaType::QDate:
        texto = aTexto ? valor.toDate().toString(Qt::ISODate)
                       : host::Fechas::aMarcaFecha(valor.toDate());
        break;
    case QMetaType::QDateTime:
        texto = aTexto ? valor.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                       : host::Fechas::aMarcaFechaHora(valor.toDateTime());
        break;
    default:
        texto = valor.toString();
    }
    const QVariant salida = aTexto ? QVariant(texto) : convierte(c, texto, linea, nombreCampo);
    const QString motivo = noCabe(c, salida);
    if (!motivo.isEmpty())
        rechaza(linea, nombreCampo, texto, motivo);
    return salida;
}

} // namespace importacion
