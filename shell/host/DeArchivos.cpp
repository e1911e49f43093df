#include "shell/host/DeArchivos.h"

#include "shell/host/ErrorArchivo.h"
#include "shell/host/TextoConDetalle.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace host {

namespace {

bool lanzaDesacoplado(const QString& programa, const QStringList& argumentos) {
    return QProcess::startDetached(programa, argumentos);
}

} // namespace

DeArchivos::DeArchivos() : lanzador_(lanzaDesacoplado) {}

DeArchivos::DeArchivos(Lanzador lanzador) : lanzador_(std::move(lanzador)) {}

bool DeArchivos::HayArchivo(const QString& ruta) {
    const QFileInfo info(ruta);
    return !ruta.isEmpty() && info.exists() && info.isFile();
}

void DeArchivos::AbreDocumento(const QString& ruta, int, int) {
    if (!HayArchivo(ruta))
        throw ErrorArchivo(QStringLiteral("No existe el archivo \"%1\".").arg(ruta));
    const QString nativa = QDir::toNativeSeparators(QFileInfo(ruta).absoluteFilePath());
#ifdef Q_OS_WIN
    const bool iniciado = lanzador_(
        QStringLiteral("cmd"), {QStringLiteral("/c"), QStringLiteral("start"), QString(), nativa});
    const QString programa = QStringLiteral("cmd /c start");
#else
    const QString programa = QStringLiteral("xdg-open");
    const bool iniciado = lanzador_(programa, {nativa});
#endif
    if (!iniciado)
        throw ErrorArchivo(TextoConDetalle::conDetalle(
            QStringLiteral("No se pudo abrir el archivo \"%1\": el equipo no tiene un programa "
                           "para abrirlo. Ábralo con un editor de texto.")
                .arg(nativa),
            QStringLiteral("no se pudo iniciar \"%1\"").arg(programa)));
}

} // namespace host
