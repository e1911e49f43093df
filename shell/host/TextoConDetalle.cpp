#include "shell/host/TextoConDetalle.h"

#include <QStringList>

namespace host {

namespace {

const QString marcaDetalle = QStringLiteral(" (detalle: ");
const QString marcaInstruccion = QStringLiteral("\nInstrucción: ");

// Where the parenthesis opened at abre closes; the component's text may hold parentheses of
// its own ("Can't connect to server on '127.0.0.1' (115)"). -1 when it never closes.
qsizetype cierre(const QString& texto, qsizetype abre) {
    int abiertos = 0;
    for (qsizetype i = abre; i < texto.size(); ++i) {
        if (texto[i] == u'(')
            ++abiertos;
        else if (texto[i] == u')' && --abiertos == 0)
            return i;
    }
    return -1;
}

} // namespace

QString TextoConDetalle::conDetalle(const QString& mensaje, const QString& detalle) {
    return detalle.isEmpty() ? mensaje : mensaje + marcaDetalle + detalle + u')';
}

QString TextoConDetalle::instruccion(const QString& sql, qsizetype largo) {
    QString linea = sql.left(largo);
    linea.replace(u'\r', u' ').replace(u'\n', u' ');
    return marcaInstruccion + linea;
}

TextoConDetalle TextoConDetalle::separa(const QString& texto) {
    TextoConDetalle salida;
    QStringList textos, instrucciones;
    QString resto = texto;
    for (qsizetype i; (i = resto.indexOf(marcaInstruccion)) >= 0;) {
        const qsizetype inicio = i + marcaInstruccion.size();
        const qsizetype fin = resto.indexOf(u'\n', inicio);
        instrucciones << QStringLiteral("Instrucción: ") +
                             resto.mid(inicio, fin < 0 ? -1 : fin - inicio);
        resto.remove(i, fin < 0 ? resto.size() - i : fin - i);
    }
    for (qsizetype i = 0; (i = resto.indexOf(marcaDetalle, i)) >= 0;) {
        const qsizetype fin = cierre(resto, i + 1);
        if (fin < 0)
            break;
        const qsizetype inicio = i + marcaDetalle.size();
        textos << resto.mid(inicio, fin - inicio);
        resto.remove(i, fin + 1 - i);
    }
    salida.principal = resto.trimmed();
    // The driver's words first, then the statements they were about.
    salida.detalle = (textos + instrucciones).join(u'\n');
    return salida;
}

QString TextoConDetalle::enDosLineas(const QString& texto) {
    const TextoConDetalle t = separa(texto);
    if (t.detalle.isEmpty())
        return t.principal;
    QString detalle = t.detalle;
    detalle.replace(u'\n', QStringLiteral("; "));
    return t.principal + QStringLiteral("\nDetalle: ") + detalle;
}

} // namespace host
