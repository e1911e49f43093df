#include "shell/host/Fechas.h"

#include <QStringList>

namespace host::Fechas {

namespace {

const char* const mesesEs[] = {"ene", "feb", "mar", "abr", "may", "jun",
                               "jul", "ago", "sep", "oct", "nov", "dic"};
const char* const mesesEn[] = {"jan", "feb", "mar", "apr", "may", "jun",
                               "jul", "aug", "sep", "oct", "nov", "dec"};

int mesDeAbreviatura(QString m) {
    m = m.trimmed().toLower();
    if (m.endsWith(QLatin1Char('.')))
        m.chop(1);
    if (m == QLatin1String("sept"))
        return 9;
    for (int i = 0; i < 12; ++i)
        if (m == QLatin1String(mesesEs[i]) || m == QLatin1String(mesesEn[i]))
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
    const QStringList partes = texto.trimmed().split(QLatin1Char('/'));
    if (partes.size() != 3)
        return {};
    bool okDia = false, okAnio = false;
    const int dia = partes[0].trimmed().toInt(&okDia);
    const int anio = partes[2].trimmed().toInt(&okAnio);
    const int mes = mesDeAbreviatura(partes[1]);
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
