#include "shell/Arranque.h"

#include "shell/AvisosConsola.h"
#include "shell/Configuracion.h"
#include "shell/Programa.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace arranque {

namespace {

constexpr unsigned kBaseDesconocida = 1049; // the server's "unknown database"

// Whether the executable's folder can hold its INI: one is there already (used as it is, even
// read-only), or the user may create it there.
bool tomaIni(const QString& carpeta, const QString& nombre) {
    return QFileInfo::exists(QDir(carpeta).filePath(nombre + QStringLiteral(".ini"))) ||
           QFileInfo(carpeta).isWritable();
}

} // namespace

QString carpetaDeUsuario(const QString& nombre) {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(nombre);
}

QString nombreBase(const QString& ejecutable) {
    QString nombre = QFileInfo(ejecutable).fileName();
    if (nombre.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        nombre.chop(4);
    return nombre.isEmpty() ? QStringLiteral("acumulapedidos") : nombre;
}

bool arranca(Programa& programa, const QString& ejecutable, const QString& archivoIni) {
    if (!programa.avisos)
        programa.avisos = std::make_unique<AvisosConsola>();
    const QString carpetaEjecutable = QFileInfo(ejecutable).absolutePath();
    programa.ejecutable = QFileInfo(ejecutable).absoluteFilePath();
    const QString ini = archivoIni.isEmpty() ? QString() : QFileInfo(archivoIni).absoluteFilePath();
    const QString nombre = nombreBase(ejecutable);
    programa.carpetaPrograma = ini.isEmpty() ? carpetaEjecutable : QFileInfo(ini).absolutePath();
    programa.carpetaSinIni.clear();
    // Installed where the user may not write (a package's /usr/bin): the user's configuration
    // folder, named after the executable, becomes the program folder, as an --ini folder would.
    if (ini.isEmpty() && !tomaIni(carpetaEjecutable, nombre)) {
        programa.carpetaSinIni = carpetaEjecutable;
        programa.carpetaPrograma = carpetaDeUsuario(nombre);
        QDir().mkpath(programa.carpetaPrograma);
    }
    // A shortcut may start the program anywhere; its files are found from its own folder.
    if (!QDir::setCurrent(programa.carpetaPrograma)) {
        programa.avisos->MsgBox(QStringLiteral("No se puede usar la carpeta del programa:\n\n%1")
                                    .arg(QDir::toNativeSeparators(programa.carpetaPrograma)),
                                Avisos::Icono::Critico, QStringLiteral("Atención"));
        return false;
    }

    const QDir carpeta(programa.carpetaPrograma);
    programa.archivoIni = ini.isEmpty() ? carpeta.filePath(nombre + QStringLiteral(".ini")) : ini;
    const QString descripcion = nombre + QStringLiteral(".txt");
    programa.archivoDescripcion = carpeta.filePath(descripcion);
    // An --ini folder need not carry the description: the one installed with the program
    // serves.
    if (!QFileInfo::exists(programa.archivoDescripcion))
        programa.archivoDescripcion = QDir(carpetaEjecutable).filePath(descripcion);
    // Installed by the package, it is in the share folder beside bin/.
    if (const QString compartida =
            QDir(carpetaEjecutable)
                .filePath(QStringLiteral("../share/%1/%2").arg(nombre, descripcion));
        !QFileInfo::exists(programa.archivoDescripcion) && QFileInfo::exists(compartida))
        programa.archivoDescripcion = QDir::cleanPath(compartida);

    Configuracion configuracion(programa);
    if (!configuracion.Carga(true))
        return false;
    programa.baseExportar =
        configuracion.LeeConDefecto(Configuracion::seccionOtrasBases(),
                                    Configuracion::claveExportar(), Configuracion::baseDefecto());
    programa.baseImportar =
        configuracion.LeeConDefecto(Configuracion::seccionOtrasBases(),
                                    Configuracion::claveImportar(), Configuracion::baseDefecto());
    programa.textoVersion = textoVersion();
    programa.textoMuestra = textoMuestra(programa);
    return true;
}

QString textoVersion() {
    return QStringLiteral("   v %1.%2.%3")
        .arg(ACUMULA_VERSION_MAJOR)
        .arg(ACUMULA_VERSION_MINOR)
        .arg(ACUMULA_VERSION_PATCH);
}

QString textoMuestra(const Programa& programa) {
    const QString salto = QStringLiteral("\n");
    return QStringLiteral(" Servidor: ") + programa.bases->cRuta + salto +
           QStringLiteral("  Base de datos principal: ") + programa.bases->cMiBase + salto +
           QStringLiteral("  Para exportar pedidos: ") + programa.baseExportar + salto +
           QStringLiteral("  Para importar pedidos: ") + programa.baseImportar;
}

bool compruebaConexion(Programa& programa) {
    try {
        programa.bases->abre(programa.bases->cMiBase);
        return true;
    } catch (const host::ErrorBdD& e) {
        // The server answered: a missing main database concerns only the operations that
        // use it, and they say so themselves.
        if (e.codigo() == kBaseDesconocida)
            return true;
        programa.avisos->MsgBox(e.mensaje(), Avisos::Icono::Critico, QStringLiteral("Atención"));
        return false;
    }
}

} // namespace arranque
