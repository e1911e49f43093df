#include "shell/host/NumeroTexto.h"

#include <algorithm>

namespace host {

namespace {

constexpr qint64 topeExponente = 10'000'000;

bool esDigito(char16_t c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

bool NumeroTexto::lee(QStringView t) {
    *this = NumeroTexto();
    texto_ = t;
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negativo_ = t[i] == u'-';
        conSignoMas_ = t[i] == u'+';
        ++i;
    }
    inicioCifras_ = i;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (esDigito(c)) {
            if (c != u'0') {
                if (primera_ < 0)
                    primera_ = cifras_;
                ultima_ = cifras_;
            }
            ++cifras_;
        } else if (c == u'.' && posPunto_ < 0) {
            posPunto_ = i;
            punto_ = cifras_;
        } else {
            break;
        }
    }
    if (cifras_ == 0)
        return false;
    if (posPunto_ < 0)
        punto_ = cifras_;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        conExponente_ = true;
        bool negativoExp = false;
        if (++i < t.size() && (t[i] == u'-' || t[i] == u'+'))
            negativoExp = t[i++] == u'-';
        if (i >= t.size() || !esDigito(t[i].unicode()))
            return false;
        for (; i < t.size() && esDigito(t[i].unicode()); ++i)
            exponente_ = std::min(topeExponente, exponente_ * 10 + (t[i].unicode() - u'0'));
        exponente_ = negativoExp ? -exponente_ : exponente_;
    }
    return i == t.size();
}

qint64 NumeroTexto::enteras() const {
    return esCero() ? 0 : std::max<qint64>(0, potencia(primera_) + 1);
}

qint64 NumeroTexto::decimales() const {
    return esCero() ? 0 : std::max<qint64>(0, -potencia(ultima_));
}

bool NumeroTexto::esPlano(qint64 maxDecimales) const {
    if (conSignoMas_ || conExponente_ || (negativo_ && esCero()))
        return false;
    if (posPunto_ < 0)
        return true;
    const qint64 escritos = cifras_ - punto_;
    return punto_ > 0 && escritos > 0 && escritos <= maxDecimales;
}

int NumeroTexto::cifra(qint64 k) const {
    if (k < 0 || k >= cifras_)
        return 0;
    qsizetype i = inicioCifras_ + qsizetype(k);
    if (posPunto_ >= 0 && i >= posPunto_)
        ++i;
    return texto_[i].unicode() - u'0';
}

QString NumeroTexto::plano() const {
    if (esCero())
        return QStringLiteral("0");
    QString salida;
    const qint64 desde = std::max<qint64>(potencia(primera_), 0);
    const qint64 hasta = -decimales();
    salida.reserve(qsizetype(desde - hasta + 3));
    if (negativo_)
        salida += QLatin1Char('-');
    // Digit of power p sits at k = punto + exponente - 1 - p; desde >= 0 gives the "0"
    // in front of the point of a number below 1.
    for (qint64 p = desde; p >= hasta; --p) {
        if (p == -1)
            salida += QLatin1Char('.');
        salida += QLatin1Char(char('0' + cifra(punto_ + exponente_ - 1 - p)));
    }
    return salida;
}

bool NumeroTexto::magnitud(quint64& valor) const {
    valor = 0;
    if (esCero())
        return true;
    if (decimales() > 0 || enteras() > 20)
        return false;
    for (qint64 p = enteras() - 1; p >= 0; --p) {
        const quint64 d = quint64(cifra(punto_ + exponente_ - 1 - p));
        if (valor > (~quint64(0) - d) / 10)
            return false;
        valor = valor * 10 + d;
    }
    return true;
}

} // namespace host
