#pragma once

#include <QString>
#include <QStringView>

namespace host {

// A number written as text ("-12.50", "+.5", "1e3", "25E-2"), read exactly: no floating
// point is involved, so any size of number or exponent is measured without overflow.
class NumeroTexto {
public:
    // False when the text is not such a number (blanks, "0x10", "1,5", "nan", "inf" ...).
    // The text must outlive the calls below.
    bool lee(QStringView texto);

    bool negativo() const { return negativo_ && !esCero(); }
    bool esCero() const { return primera_ < 0; }
    // Whole digits without leading zeros (0 for a number below 1).
    qint64 enteras() const;
    // Decimals up to the last one that is not zero.
    qint64 decimales() const;
    // Written as -?digits[.digits], no negative zero and at most maxDecimales decimals:
    // a form the server reads as is.
    bool esPlano(qint64 maxDecimales) const;
    // The same number as -?digits[.digits], without leading or trailing zeros (for a number
    // already found to fit a column: its length is enteras() + decimales()).
    QString plano() const;
    // The whole number's magnitude; only when decimales() == 0 and enteras() <= 20, and
    // false when it is above 2^64 - 1.
    bool magnitud(quint64& valor) const;

private:
    // Digit k (0-based, point skipped) of the mantissa, and its power of ten.
    int cifra(qint64 k) const;
    qint64 potencia(qint64 k) const { return punto_ + exponente_ - 1 - k; }

    QStringView texto_;
    qsizetype inicioCifras_ = 0;        // where the mantissa starts (after the sign)
    qsizetype posPunto_ = -1;           // index of the point in the text, -1 without one
    qint64 cifras_ = 0;                 // mantissa digits
    qint64 punto_ = 0;                  // mantissa digits in front of the point
    qint64 exponente_ = 0;              // kept within +-10^7: beyond that no column can hold it
    qint64 primera_ = -1, ultima_ = -1; // first and last digit that are not zero
    bool negativo_ = false;
    bool conSignoMas_ = false;
    bool conExponente_ = false;
};

} // namespace host
