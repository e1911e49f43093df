#include "shell/host/DeArchivos.h"

#include "shell/host/FalloSistema.h"
#include "shell/host/ReemplazoArchivo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <cerrno>

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
    const auto falla = [this](const QString& que, const QString& archivo, const QFileDevice& f) {
        ultimoError_ = QStringLiteral("No se pudo %1 el archivo \"%2\". %3")
                           .arg(que, archivo, FalloSistema::deArchivo(f, errno).texto());
        return false;
    };
    QFile entrada(origen);
    if (!entrada.open(QIODevice::ReadOnly))
        return falla(QStringLiteral("leer"), origen, entrada);
    QSaveFile salida(destino);
    if (!salida.open(QIODevice::WriteOnly))
        return falla(QStringLiteral("crear"), destino, salida);
    while (!entrada.atEnd()) {
        const QByteArray bloque = entrada.read(1 << 16);
        if (bloque.isEmpty() && entrada.error() != QFileDevice::NoError)
            return falla(QStringLiteral("leer"), origen, entrada);
        if (salida.write(bloque) != bloque.size())
            return falla(QStringLiteral("escribir"), destino, salida);
    }
    if (!ReemplazoArchivo::confirma(salida))
        return falla(QStringLiteral("escribir"), destino, salida);
    return true;
}

} // namespace host
