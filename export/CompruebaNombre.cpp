#include "export/Exportacion.h"

#include "data/FormatoTransferencia.h"

#include <QDir>
#include <QRegularExpression>

namespace exportacion {

namespace {

// Characters that the volumes the file is copied to (Windows, USB sticks) do not accept.
const QString kNoAdmitidos = QStringLiteral("<>:\"|?*");

QString caracteresNoAdmitidos(const QString& nombre) {
    QString fuera;
    for (const QChar c : nombre) {
        const QString mostrado = c.unicode() < 0x20 ? QStringLiteral("control") : QString(c);
        if ((c.unicode() < 0x20 || kNoAdmitidos.contains(c)) && !fuera.contains(mostrado))
            fuera += (fuera.isEmpty() ? QString() : QStringLiteral(" ")) + mostrado;
    }
    return fuera;
}

// The names Windows keeps for its devices, with any extension ("con.txt" is the console).
bool esDispositivo(const QString& nombre) {
    static const QRegularExpression dispositivo(
        QStringLiteral("^(con|prn|aux|nul|com[1-9]|lpt[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return dispositivo.match(nombre).hasMatch();
}

} // namespace

QString CompruebaNombre(const QString& nombre, const QString& carpetaPrograma,
                        const QStringList& propios) {
    const QString n = nombre.trimmed();
    if (n.isEmpty())
        return QStringLiteral("Falta el nombre del archivo.");
    if (n.contains(u'/') || n.contains(u'\\') || n == QLatin1String(".") ||
        n == QLatin1String(".."))
        return QStringLiteral("El nombre del archivo \"%1\" señala una carpeta (lleva \"/\" o "
                              "\"\\\", o es \".\" o \"..\"). Escriba solo el nombre, por ejemplo "
                              "pedidos: el archivo se escribe en la carpeta del programa y se "
                              "copia a la unidad elegida.")
            .arg(n);
    // Windows drops a final dot, so "x.txt." would land on "x.txt".
    if (n.endsWith(u'.'))
        return QStringLiteral("El nombre del archivo \"%1\" no puede terminar en punto. Escriba "
                              "un nombre como pedidos o pedidos.txt.")
            .arg(n);
    const QString fuera = caracteresNoAdmitidos(n);
    if (!fuera.isEmpty())
        return QStringLiteral("El nombre del archivo \"%1\" lleva caracteres que las unidades no "
                              "admiten (%2). Escriba un nombre sin ellos.")
            .arg(n, fuera);
    if (esDispositivo(n))
        return QStringLiteral("\"%1\" es el nombre de un dispositivo del sistema y no puede "
                              "usarse para un archivo. Escriba otro nombre.")
            .arg(n);
    const QString archivo =
        QDir::cleanPath(QDir(carpetaPrograma).absoluteFilePath(transferencia::nombreArchivo(n)));
    for (const QString& propio : propios)
        if (QDir::cleanPath(QDir(carpetaPrograma).absoluteFilePath(propio))
                .compare(archivo, Qt::CaseInsensitive) == 0)
            return QStringLiteral("\"%1\" es el nombre de un archivo del propio programa (%2), "
                                  "que se perdería. Escriba otro nombre.")
                .arg(n, QDir::toNativeSeparators(propio));
    return {};
}

} // namespace exportacion
