#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace host {

// File services of the host library. Every operation reports failure to its caller
// (ErrorArchivo, saying why); nothing fails silently.
class DeArchivos {
public:
    // Starts a program without waiting for it; true when it could be started.
    using Lanzador = std::function<bool(const QString& programa, const QStringList& argumentos)>;

    DeArchivos();
    // Tests pass their own launcher so that no desktop program is started.
    explicit DeArchivos(Lanzador lanzador);

    // True when the path names an existing file (not a folder).
    static bool HayArchivo(const QString& ruta);
    // Opens the file with the desktop's associated program. The two numbers are kept for
    // the callers' sake (window style and wait flag) and do not change what happens.
    // Throws ErrorArchivo when the file is missing or no program could be started.
    void AbreDocumento(const QString& ruta, int estilo = 0, int espera = 1);

private:
    Lanzador lanzador_;
};

} // namespace host
