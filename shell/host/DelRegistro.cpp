#include "shell/host/DelRegistro.h"

#include "shell/host/ArchivoIni.h"

#include <QDir>
#include <QFileInfo>

namespace host {

QString DelRegistro::BuscarRegistroKRX(const QString& carpeta) {
    archivo_.clear();
    const QString c = carpeta.trimmed();
    if (c.isEmpty() || !QFileInfo(c).isDir())
        return {};
    const QDir dir(c);
    const QStringList hallados = dir.entryList({archivoKRX()}, QDir::Files | QDir::CaseSensitive);
    const QStringList candidatos =
        hallados.isEmpty() ? dir.entryList({archivoKRX()}, QDir::Files) : hallados;
    if (!candidatos.isEmpty())
        archivo_ = dir.absoluteFilePath(candidatos.first());
    return archivo_;
}

QString DelRegistro::DatosKRX(const QString& nombre) const {
    if (archivo_.isEmpty())
        return {};
    return ArchivoIni::leeValor(archivo_, seccionKRX(), nombre);
}

bool DelRegistro::GuardaDatosKRX(const QString& nombre, const QString& valor) {
    ultimoError_.clear();
    if (archivo_.isEmpty()) {
        ultimoError_ = QStringLiteral("No se ha localizado la instalación de Korvan Maestro.");
        return false;
    }
    return ArchivoIni::escribeValor(archivo_, seccionKRX(), nombre, valor, &ultimoError_);
}

} // namespace host
