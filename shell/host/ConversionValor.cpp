#include "shell/host/ConversionValor.h"

#include "shell/host/Fechas.h"

#include <QRegularExpression>

namespace host {

namespace {

[[noreturn]] void rechaza(const Columna& c, const QString& texto, const QString& tipo) {
    throw ErrorConversion(c.nombre, texto,
                          QStringLiteral("El valor \"%1\" no es %2 válido para la columna %3.")
                              .arg(texto, tipo, c.nombre));
}

QVariant comoFecha(const Columna& c, const QString& t, bool conHora) {
    static const QRegularExpression marca(
        QStringLiteral("^#(\\d{4}-\\d{2}-\\d{2})(?: (\\d{2}:\\d{2}:\\d{2}))?#$"));
    QDate fecha;
    QTime hora(0, 0);
    const auto m = marca.match(t);
    if (m.hasMatch()) {
        fecha = QDate::fromString(m.captured(1), Qt::ISODate);
        if (!m.captured(2).isEmpty())
            hora = QTime::fromString(m.captured(2), QStringLiteral("HH:mm:ss"));
    } else {
        fecha = Fechas::deTextoMes(t);
        if (!fecha.isValid())
            fecha = Fechas::deTextoCorto(t);
    }
    if (!fecha.isValid() || !hora.isValid())
        rechaza(c, t, QStringLiteral("una fecha"));
    if (conHora)
        return QVariant(QDateTime(fecha, hora));
    return QVariant(fecha);
}

} // namespace

QVariant convierteTexto(const Columna& c, const QString& texto) {
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
    case ClaseCampo::Entero: {
        if (verdadero || falso)
            return QVariant(qlonglong(verdadero ? 1 : 0));
        bool ok = false;
        const qlonglong n = t.toLongLong(&ok);
        if (ok)
            return QVariant(n);
        // A whole number written with decimals of zero ("3.00") is still that number.
        const double d = t.toDouble(&ok);
        if (ok && !t.isEmpty() && d == double(qlonglong(d)))
            return QVariant(qlonglong(d));
        rechaza(c, texto, QStringLiteral("un número entero"));
    }
    case ClaseCampo::Decimal: {
        if (verdadero || falso)
            return QVariant(verdadero ? QStringLiteral("1") : QStringLiteral("0"));
        static const QRegularExpression numero(
            QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?$"));
        if (!numero.match(t).hasMatch())
            rechaza(c, texto, QStringLiteral("un número"));
        // Kept as text so that the server stores the exact decimal written.
        return QVariant(t);
    }
    case ClaseCampo::Fecha:
        return comoFecha(c, t, false);
    case ClaseCampo::FechaHora:
        return comoFecha(c, t, true);
    case ClaseCampo::Hora: {
        const QTime h = QTime::fromString(t, QStringLiteral("HH:mm:ss"));
        if (!h.isValid())
            rechaza(c, texto, QStringLiteral("una hora"));
        return QVariant(t);
    }
    }
    return QVariant(texto);
}

} // namespace host
