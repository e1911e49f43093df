#include "shell/UltimosUsados.h"

#include "shell/host/ArchivoIni.h"
#include "shell/host/ErrorArchivo.h"

#include <QDir>
#include <QStorageInfo>

QString UltimosUsados::lee(const QString& clave) const {
    if (archivoIni_.isEmpty())
        return {};
    return host::ArchivoIni::leeValor(archivoIni_, seccion(), clave);
}

bool UltimosUsados::guarda(std::initializer_list<std::pair<QString, QString>> valores) const {
    if (archivoIni_.isEmpty())
        return false;
    host::ArchivoIni ini(archivoIni_);
    try {
        ini.carga();
        bool cambia = false;
        for (const auto& [clave, valor] : valores)
            if (ini.lee(seccion(), clave) != valor) {
                ini.escribe(seccion(), clave, valor);
                cambia = true;
            }
        // An unchanged file is not rewritten: its date stays.
        if (cambia)
            ini.guarda();
        return true;
    } catch (const host::ErrorArchivo&) {
        return false;
    }
}

QString UltimosUsados::primeraUnidadExtraible() {
#ifdef Q_OS_WIN
    const QString sistema = QDir::rootPath();
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        if (v.isValid() && v.isReady() && v.rootPath() != sistema)
            return v.rootPath();
#else
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString raiz = v.rootPath();
        if (v.isValid() && v.isReady() &&
            (raiz.startsWith(QStringLiteral("/media/")) ||
             raiz.startsWith(QStringLiteral("/run/media/")) ||
             raiz.startsWith(QStringLiteral("/mnt/"))))
            return raiz;
    }
#endif
    return {};
}
