#pragma once

#include "shell/host/FalloSistema.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

namespace host {

// A file written whole before it takes its name. The bytes go to a new file in the folder of
// the name (on the same volume, so the last step is a rename), and confirma() puts it in
// place by renaming it over the name: a crash, a kill, a full disk or a removed stick leave
// the name with what it had (its old file, or nothing), never a cut file. What is replaced is
// the name itself: a link of that name is replaced, never followed, so the file it points to
// is never touched; so is a file with other names (hard links). An existing file of that name
// passes its permissions on to the new one.
class ArchivoNuevo {
public:
    // What confirma() does when something took the name while the file was written.
    enum class SiHayNombre { Reemplaza, Respeta };

    explicit ArchivoNuevo(const QString& ruta);
    // Removes the new file unless it was put in place.
    ~ArchivoNuevo();
    ArchivoNuevo(const ArchivoNuevo&) = delete;
    ArchivoNuevo& operator=(const ArchivoNuevo&) = delete;

    // Creates the new file, empty. False when it cannot: fallo() says why.
    bool abre();
    // Where the bytes go, once open. Its error tells a failed write.
    QFileDevice& dispositivo() { return archivo_; }
    // Writes what is still buffered, waits for the volume to hold it and renames the new file
    // over the name. False when any of that fails: fallo() says why, and the name keeps what
    // it had. With Respeta, a name that something has by then (another writer that got there
    // first) is left as it is and confirma() fails with nombreOcupado().
    bool confirma(SiHayNombre siHay = SiHayNombre::Reemplaza);
    // The last confirma(Respeta) failed because the name was taken.
    bool nombreOcupado() const { return ocupado_; }
    // Drops the new file; the name keeps what it had.
    void descarta();

    const FalloSistema& fallo() const { return fallo_; }
    const QString& ruta() const { return ruta_; }

    // True when something already has that name: a file, a folder, or a link (even one that
    // points nowhere, which QFileInfo::exists() does not see).
    static bool hayNombre(const QString& ruta);
    // Why a new file cannot take that name, asked before anything is written: a folder has
    // it, or a file that someone made read-only. Empty (no message) when it can.
    static FalloSistema impide(const QString& ruta);

private:
    bool falla(int numero, QFileDevice::FileError tipo);

    QString ruta_;
    FalloSistema fallo_;
    bool ocupado_ = false;
#ifdef Q_OS_UNIX
    QString temporal_; // the new file's own name; empty while it has none
    QFile archivo_;
    bool puesto_ = false;
#else
    QSaveFile archivo_; // links are the exception there
#endif
};

} // namespace host
