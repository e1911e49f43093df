#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace pruebas {

// Compares texto whole with a reviewed expected text, the file tests/<archivo> of the
// sources (UTF-8, "\n" line ends). A difference fails naming its first line, and leaves
// what the code gave in the build's scratch folder (<archivo's name>.obtenido) to read
// beside it. With ACUMULA_ESPERADO_ESCRIBE=1 the expected file is written instead: its diff
// is then reviewed before it is committed.
inline ::testing::AssertionResult comoEsperado(const QString& texto, const QString& archivo) {
    const QString ruta = QStringLiteral(ACUMULA_FUENTES_PRUEBAS "/") + archivo;
    if (qEnvironmentVariableIntValue("ACUMULA_ESPERADO_ESCRIBE") == 1) {
        QFile f(ruta);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(texto.toUtf8()) < 0)
            return ::testing::AssertionFailure() << "no se pudo escribir " << ruta.toStdString();
        return ::testing::AssertionSuccess();
    }
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "falta el texto esperado " << ruta.toStdString();
    const QString esperado = QString::fromUtf8(f.readAll());
    if (esperado == texto)
        return ::testing::AssertionSuccess();
    const QStringList a = esperado.split(QLatin1Char('\n')), b = texto.split(QLatin1Char('\n'));
    qsizetype k = 0;
    while (k < a.size() && k < b.size() && a[k] == b[k])
        ++k;
    const QString tmp = qEnvironmentVariable("ACUMULA_PRUEBAS_TMP", QDir::tempPath());
    QDir().mkpath(tmp);
    QFile obtenido(QDir(tmp).filePath(QFileInfo(archivo).fileName() + QStringLiteral(".obtenido")));
    if (obtenido.open(QIODevice::WriteOnly | QIODevice::Truncate))
        obtenido.write(texto.toUtf8());
    return ::testing::AssertionFailure()
           << archivo.toStdString() << ", línea " << k + 1
           << ":\n  esperada: " << (k < a.size() ? a[k] : QStringLiteral("(fin)")).toStdString()
           << "\n  obtenida: " << (k < b.size() ? b[k] : QStringLiteral("(fin)")).toStdString()
           << "\n  (todo lo obtenido: " << obtenido.fileName().toStdString() << ")";
}

} // namespace pruebas
