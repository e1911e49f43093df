#include "shell/host/DelRegistro.h"

#include "shell/host/ArchivoIni.h"
#include "shell/host/ErrorArchivo.h"

#include <QDir>
#include <QFileInfo>

namespace host {

QString DelRegistro::BuscarRegistroKRX(const QString& carpeta) {
    archivo_.clear();
    const QString c = carpeta.trimmed();
    if (c.isEmpty() || !QFileInfo(c).isDir())
        return {};
    const QDir dir(c);
    // Whatever has the name counts, so that a file that cannot be read is reported as such
    // rather than as a missing installation.
    const QDir::Filters todo =
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    const QStringList hallados = dir.entryList({archivoKRX()}, todo | QDir::CaseSensitive);
    const QStringList candidatos =
        hallados.isEmpty() ? dir.entryList({archivoKRX()}, todo) : hallados;
    if (!candidatos.isEmpty())
        archivo_ = dir.absoluteFilePath(candidatos.first());
    return archivo_;
}

QString DelRegistro::DatosKRX(const QString& nombre) const {
    if (archivo_.isEmpty())
        return {};
    return ArchivoIni::leeValor(archivo_, seccionKRX(), nombre);
}

void DelRegistro::GuardaDatosKRX(const QString& nombre, const QString& valor) {
    if (archivo_.isEmpty())
        throw ErrorArchivo(QStringLiteral("No se ha localizado la instalación de Korvan Maestro."));
    // The host system reads the file in its Windows code page.
    ArchivoIni::escribeValor(archivo_, seccionKRX(), nombre, valor,
                             ArchivoIni::Codificacion::Windows1252);
}

} // namespace host
