#include "shell/host/Fechas.h"

#include <QStringView>

namespace host::Fechas {

namespace {

const char* const mesesEs[] = {"ene", "feb", "mar", "abr", "may", "jun",
                               "jul", "ago", "sep", "oct", "nov", "dic"};
const char* const mesesEn[] = {"jan", "feb", "mar", "apr", "may", "jun",
                               "jul", "aug", "sep", "oct", "nov", "dec"};

int mesDeAbreviatura(QStringView m) {
    m = m.trimmed();
    if (m.endsWith(u'.'))
        m.chop(1);
    if (m.compare(QLatin1String("sept"), Qt::CaseInsensitive) == 0)
        return 9;
    for (int i = 0; i < 12; ++i)
        if (m.compare(QLatin1String(mesesEs[i]), Qt::CaseInsensitive) == 0 ||
            m.compare(QLatin1String(mesesEn[i]), Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

} // namespace

QString aTextoMes(const QDate& fecha) {
    return QStringLiteral("%1/%2/%3")
        .arg(fecha.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(mesesEs[fecha.month() - 1]))
        .arg(fecha.year(), 4, 10, QLatin1Char('0'));
}

QDate deTextoMes(const QString& texto) {
    // Read in place: every date of every imported order comes through here.
    const QStringView t = QStringView(texto).trimmed();
    const qsizetype a = t.indexOf(u'/');
    const qsizetype b = a < 0 ? -1 : t.indexOf(u'/', a + 1);
    if (b < 0 || t.indexOf(u'/', b + 1) >= 0)
        return {};
    bool okDia = false, okAnio = false;
    const int dia = t.left(a).trimmed().toInt(&okDia);
    const int anio = t.mid(b + 1).trimmed().toInt(&okAnio);
    const int mes = mesDeAbreviatura(t.mid(a + 1, b - a - 1));
    if (!okDia || !okAnio || mes == 0)
        return {};
    return QDate(anio, mes, dia);
}

QString aTextoCorto(const QDate& fecha) {
    return fecha.toString(QStringLiteral("dd/MM/yyyy"));
}

QDate deTextoCorto(const QString& texto) {
    const QString t = texto.trimmed();
    QDate f = QDate::fromString(t, QStringLiteral("dd/MM/yyyy"));
    if (!f.isValid())
        f = QDate::fromString(t, QStringLiteral("d/M/yyyy"));
    if (!f.isValid())
        f = QDate::fromString(t, Qt::ISODate);
    return f;
}

QString aMarcaFecha(const QDate& fecha) {
    return QLatin1Char('#') + fecha.toString(Qt::ISODate) + QLatin1Char('#');
}

QString aMarcaFechaHora(const QDateTime& fechaHora) {
    if (fechaHora.time() == QTime(0, 0))
        return aMarcaFecha(fechaHora.date());
    return QLatin1Char('#') + fechaHora.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QLatin1Char('#');
}

} // namespace host::Fechas
