#include "shell/Informe.h"

#include "shell/host/FalloSistema.h"
#include "shell/host/ReemplazoArchivo.h"

#include <QDir>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>

namespace {

// A cell on one line of its own.
QString enUnaLinea(const QString& celda) {
    QString texto = celda;
    for (QChar& c : texto)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return texto;
}

QString linea(const QStringList& celdas, const QVector<qsizetype>& anchos) {
    QString texto;
    for (qsizetype c = 0; c < anchos.size(); ++c) {
        const QString celda = enUnaLinea(celdas.value(c));
        if (c + 1 < anchos.size())
            texto += celda.leftJustified(anchos[c] + 2);
        else
            texto += celda;
    }
    // A last column left empty leaves no trailing blanks.
    while (texto.endsWith(QLatin1Char(' ')))
        texto.chop(1);
    return texto + QLatin1Char('\n');
}

} // namespace

QString Informe::tabla() const {
    QString texto;
    auto agrega = [&texto, n = columnas.size()](const QStringList& celdas) {
        QStringList limpias;
        for (qsizetype c = 0; c < n; ++c)
            limpias << enUnaLinea(celdas.value(c));
        texto += limpias.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    agrega(columnas);
    for (const QStringList& r : renglones)
        agrega(r);
    return texto;
}

QString Informe::texto() const {
    QString texto = titulo + QLatin1Char('\n');
    if (!resumen.isEmpty())
        texto += resumen + QLatin1Char('\n');
    if (columnas.isEmpty())
        return texto;
    QVector<qsizetype> anchos(columnas.size(), 0);
    auto mide = [&anchos](const QStringList& celdas) {
        for (qsizetype c = 0; c < anchos.size(); ++c)
            anchos[c] = std::max(anchos[c], celdas.value(c).size());
    };
    mide(columnas);
    for (const QStringList& r : renglones)
        mide(r);
    texto += QLatin1Char('\n') + linea(columnas, anchos);
    for (const QStringList& r : renglones)
        texto += linea(r, anchos);
    return texto;
}

QString Informe::nombreArchivo() const {
    if (!archivo.isEmpty())
        return archivo;
    QString nombre = titulo.trimmed();
    // Only what every volume takes in a file name.
    static const QString prohibidos = QStringLiteral("\\/:*?\"<>|");
    for (QChar& c : nombre)
        if (prohibidos.contains(c) || c.unicode() < 32)
            c = QLatin1Char('-');
    return (nombre.isEmpty() ? QStringLiteral("informe") : nombre) + QStringLiteral(".txt");
}

QString Informe::guarda(const QString& ruta) const {
    QSaveFile salida(ruta);
    const auto fallo = [&](const QString& que) {
        const QString motivo = host::FalloSistema::deArchivo(salida, errno).texto();
        return QStringLiteral("No se pudo %1 el archivo %2. %3")
            .arg(que, QDir::toNativeSeparators(ruta), motivo);
    };
    // Text mode gives the platform's line ends.
    if (!salida.open(QIODevice::WriteOnly | QIODevice::Text))
        return fallo(QStringLiteral("crear"));
    const QByteArray bytes = texto().toUtf8();
    if (salida.write(bytes) != bytes.size()) {
        const QString motivo = fallo(QStringLiteral("escribir"));
        salida.cancelWriting();
        return motivo;
    }
    if (!host::ReemplazoArchivo::confirma(salida))
        return fallo(QStringLiteral("terminar de escribir"));
    return {};
}
