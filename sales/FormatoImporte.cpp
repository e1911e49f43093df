#include "sales/FormatoImporte.h"

namespace acumulacion {

namespace {

// Adds one unit to the last digit of a string of decimal digits.
void sumaUno(QByteArray& digitos) {
    for (qsizetype i = digitos.size() - 1; i >= 0; --i) {
        if (digitos[i] != '9') {
            ++digitos[i];
            return;
        }
        digitos[i] = '0';
    }
    digitos.prepend('1');
}

} // namespace

QString formatoImporte(const QByteArray& texto, const QLocale& regional) {
    QByteArray t = texto.trimmed();
    if (t.isEmpty())
        return {};
    // Floating columns may come in exponent notation; decimals are exact text already.
    if (t.contains('e') || t.contains('E')) {
        bool ok = false;
        const double v = t.toDouble(&ok);
        if (!ok)
            return QString::fromLatin1(texto);
        t = QByteArray::number(v, 'f', 6);
    }
    bool negativo = false;
    if (t.startsWith('-') || t.startsWith('+')) {
        negativo = t.startsWith('-');
        t.remove(0, 1);
    }
    const qsizetype punto = t.indexOf('.');
    QByteArray entera = punto < 0 ? t : t.left(punto);
    QByteArray fraccion = punto < 0 ? QByteArray() : t.mid(punto + 1);
    for (char c : entera + fraccion)
        if (c < '0' || c > '9')
            return QString::fromLatin1(texto);
    fraccion = (fraccion + "000").left(3);

    // Work on the amount in hundredths, as a digit string, so any size stays exact.
    QByteArray centesimos = entera + fraccion.left(2);
    if (fraccion[2] >= '5')
        sumaUno(centesimos);
    while (centesimos.size() > 3 && centesimos.startsWith('0'))
        centesimos.remove(0, 1);
    while (centesimos.size() < 3)
        centesimos.prepend('0');
    const QByteArray digitosEnteros = centesimos.left(centesimos.size() - 2);
    const QByteArray decimales = centesimos.right(2);

    QString salida;
    const QString grupo = regional.groupSeparator();
    for (qsizetype i = 0; i < digitosEnteros.size(); ++i) {
        if (i > 0 && (digitosEnteros.size() - i) % 3 == 0)
            salida += grupo;
        salida += QLatin1Char(digitosEnteros[i]);
    }
    salida += regional.decimalPoint() + QString::fromLatin1(decimales);
    // A value that rounds to zero shows no sign.
    if (negativo && centesimos.count('0') != centesimos.size())
        salida.prepend(QLatin1Char('-'));
    return salida;
}

} // namespace acumulacion
