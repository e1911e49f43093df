#include "import/AcumuladoExistencias.h"

#include "import/FilasEnBloque.h"
#include "import/SentenciaEnBloque.h"
#include "shell/host/Conexion.h"

#include <QStringList>

namespace importacion {

namespace {

constexpr int escala = 12;

constexpr __int128 potencia(int n) {
    __int128 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// Quantities are kept below 10^24 and sums below 10^36, far inside the 128-bit range.
constexpr __int128 limiteCantidad = potencia(24 + escala);
constexpr __int128 limiteSuma = potencia(36);

bool esDigito(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

bool AcumuladoExistencias::leeCantidad(QStringView t, __int128& valor) {
    t = t.trimmed();
    qsizetype i = 0;
    bool negativo = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        negativo = t[i++] == QLatin1Char('-');
    __int128 mantisa = 0;
    int cifras = 0, decimales = 0;
    bool hayCifra = false, punto = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (esDigito(c)) {
            hayCifra = true;
            if (mantisa == 0 && c == QLatin1Char('0')) {
                // Leading zeros add no precision.
            } else if (++cifras > 36) {
                return false;
            } else {
                mantisa = mantisa * 10 + (c.unicode() - '0');
            }
            decimales += punto ? 1 : 0;
        } else if (c == QLatin1Char('.') && !punto) {
            punto = true;
        } else {
            break;
        }
    }
    if (!hayCifra)
        return false;
    int exponente = 0;
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ++i;
        bool expNegativo = false;
        if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
            expNegativo = t[i++] == QLatin1Char('-');
        if (i >= t.size())
            return false;
        for (; i < t.size() && esDigito(t[i]); ++i)
            if ((exponente = exponente * 10 + (t[i].unicode() - '0')) > 100)
                return false;
        exponente = expNegativo ? -exponente : exponente;
    }
    if (i != t.size())
        return false;
    // mantisa * 10^(exponente - decimales), brought to the fixed scale.
    int desplazamiento = exponente - decimales + escala;
    if (mantisa == 0) {
        valor = 0;
        return true;
    }
    if (desplazamiento >= 0) {
        if (desplazamiento > 36 + escala)
            return false;
        for (; desplazamiento > 0; --desplazamiento) {
            mantisa *= 10;
            if (mantisa >= limiteCantidad)
                return false;
        }
    } else {
        if (desplazamiento < -38) {
            mantisa = 0;
        } else {
            const __int128 divisor = potencia(-desplazamiento);
            // Half away from zero, as the server rounds decimals.
            mantisa = (mantisa + divisor / 2) / divisor;
        }
    }
    if (mantisa >= limiteCantidad)
        return false;
    valor = negativo ? -mantisa : mantisa;
    return true;
}

void AcumuladoExistencias::agrega(const QString& producto, __int128 cantidad) {
    __int128& suma = sumas_[producto];
    suma += cantidad;
    if (suma >= limiteSuma || suma <= -limiteSuma)
        throw host::ErrorBdD(
            QStringLiteral("La suma de cantidades del producto \"%1\" es demasiado grande.")
                .arg(producto));
}

QString AcumuladoExistencias::texto(__int128 valor) {
    const bool negativo = valor < 0;
    unsigned __int128 v =
        negativo ? static_cast<unsigned __int128>(-valor) : static_cast<unsigned __int128>(valor);
    char cifras[64];
    int n = 0;
    for (int k = 0; k <= escala || v > 0; ++k) {
        cifras[n++] = char('0' + int(v % 10));
        v /= 10;
        if (k == escala - 1)
            cifras[n++] = '.';
    }
    QString salida;
    if (negativo)
        salida += QLatin1Char('-');
    while (n > 0)
        salida += QLatin1Char(cifras[--n]);
    return salida;
}

void AcumuladoExistencias::graba(host::Conexion& conexion) {
    // Codes are matched one by one, so two codes that the table's collation takes as
    // equal each add their own sum, as separate statements per line would.
    const QString sql = QStringLiteral(
        "UPDATE productos SET PorVender=PorVender+CAST(? AS DECIMAL(65,12)) WHERE Clave=?");
    QStringList claves = sumas_.keys();
    claves.sort();
    FilasEnBloque filas(2);
    for (const QString& clave : claves) {
        const QVariant fila[] = {texto(sumas_.value(clave)), clave};
        filas.agregaFila(fila);
    }
    SentenciaEnBloque enBloque(sql.toUtf8(), 2);
    if (!enBloque.ejecuta(conexion, filas))
        for (const QString& clave : claves)
            conexion.ejecuta(sql, {texto(sumas_.value(clave)), clave});
    sumas_.clear();
}

} // namespace importacion
