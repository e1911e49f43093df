#pragma once

#include "shell/host/BasesDD.h"

#include <QString>
#include <memory>

// Program-wide values set at start-up and shared by every window and command.
struct Programa {
    std::unique_ptr<host::BasesDD> bases = std::make_unique<host::BasesDD>();

    QString carpetaPrograma;    // the executable's folder (or the --ini file's folder)
    QString archivoIni;         // configuration file
    QString archivoDescripcion; // description text shown by F1
    QString textoVersion;       // "   v 1.0.0"
    QString baseExportar;       // "Para exportar pedidos"
    QString baseImportar;       // "Para importar pedidos"
};
