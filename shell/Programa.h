#pragma once

#include "shell/Avisos.h"
#include "shell/host/BasesDD.h"
#include "shell/host/DeArchivos.h"
#include "shell/host/DelRegistro.h"
#include "shell/host/libNucleo.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

// Program-wide values set at start-up and shared by every window and command.
struct Programa {
    // The host library's objects, created with the program and released with it.
    std::unique_ptr<host::libNucleo> nucleo = std::make_unique<host::libNucleo>();
    std::unique_ptr<host::BasesDD> bases = std::make_unique<host::BasesDD>();
    std::unique_ptr<host::DeArchivos> archivos = std::make_unique<host::DeArchivos>();
    std::unique_ptr<host::DelRegistro> registro = std::make_unique<host::DelRegistro>();
    // How the user is told things: the console without windows, a dialog with them.
    // Start-up sets the console one when none was given.
    std::unique_ptr<Avisos> avisos;

    QString ejecutable;      // the program's own file
    QString carpetaPrograma; // the executable's folder (or the --ini file's folder)
    // The executable's folder when it could not take the INI and the user's configuration
    // folder became the program folder; empty otherwise.
    QString carpetaSinIni;
    QString archivoIni;         // configuration file
    QString archivoDescripcion; // description text shown by F1
    QString textoVersion;       // "   v 1.0.0"
    QString baseExportar;       // "Para exportar pedidos"
    QString baseImportar;       // "Para importar pedidos"
    QString textoMuestra;       // the databases in use, shown on the menu tab
    // Notices already given that no operations journal is kept: each is told once.
    QSet<QString> avisosBitacora;

    // The program's own files, which nothing it writes may replace.
    QStringList archivosPropios() const {
        QStringList propios;
        for (const QString& archivo : {archivoIni, archivoDescripcion, ejecutable})
            if (!archivo.isEmpty())
                propios << archivo;
        return propios;
    }
};
