#include "shell/host/DeArchivos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

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

bool DeArchivos::AbreDocumento(const QString& ruta, int, int) {
    ultimoError_.clear();
    if (!HayArchivo(ruta)) {
        ultimoError_ = QStringLiteral("No existe el archivo \"%1\".").arg(ruta);
        return false;
    }
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
        ultimoError_ = QStringLiteral("No se pudo abrir el archivo \"%1\": no se pudo iniciar "
                                      "\"%2\".")
                           .arg(nativa, programa);
    return iniciado;
}

bool DeArchivos::Copia(const QString& origen, const QString& destino) {
    ultimoError_.clear();
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly)) {
        ultimoError_ = QStringLiteral("No se pudo leer el archivo \"%1\": %2")
                           .arg(origen, entrada.errorString());
        return false;
    }
    QSaveFile salida(destino);
    if (!salida.open(QIODevice::WriteOnly)) {
        ultimoError_ = QStringLiteral("No se pudo crear el archivo \"%1\": %2")
                           .arg(destino, salida.errorString());
        return false;
    }
    while (!entrada.atEnd()) {
        const QByteArray bloque = entrada.read(1 << 16);
        if (bloque.isEmpty() && entrada.error() != QFileDevice::NoError) {
            ultimoError_ = QStringLiteral("No se pudo leer el archivo \"%1\": %2")
                               .arg(origen, entrada.errorString());
            salida.cancelWriting();
            return false;
        }
        if (salida.write(bloque) != bloque.size())
            break; // commit() below reports the write error
    }
    if (!salida.commit()) {
        ultimoError_ = QStringLiteral("No se pudo copiar \"%1\" en \"%2\": %3")
                           .arg(origen, destino, salida.errorString());
        return false;
    }
    return true;
}

} // namespace host
