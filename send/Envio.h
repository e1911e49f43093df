#pragma once

#include "export/Exportacion.h"
#include "import/Importacion.h"
#include "send/Destino.h"

#include <QDate>
#include <QDateTime>
#include <optional>

namespace envio {

struct OpcionesEnvio {
    // What the destination does with orders it received before, as the import does.
    importacion::Importados importados = importacion::Importados::Rechazar;
    // The destination's preview: nothing is written there, and nothing is kept or recorded
    // here either.
    bool revisar = false;
    // The range the orders were listed with, for the export's journal.
    std::optional<QDate> desde, hasta;
};

// ok only once the destination stored the orders (or, in a preview, ran it whole).
struct ResultadoEnvio : ResultadoOperacion {
    QString archivo; // the file kept in enviados/ (empty in a preview or before it is written)
    qint64 corridaExportacion = 0; // the export's entry in this database's journal
    bool exportado = false;        // the file was written and kept
    bool importacionHecha = false; // the destination's import ran (its result is below)
    importacion::ResultadoImportacion importacion; // the destination's report
    // Once the import ran: "Llegó al destino X", "No llegó nada al destino X", or that it
    // could not be checked.
    QString resumen;
    QStringList avisos;
};

// The folder of the program folder that keeps every file sent.
QString CarpetaEnviados(const QString& carpetaPrograma);
// The name of the file kept for a send to destino at cuando: "envio 2026-12-09 081500
// sucursal" (characters a file name cannot hold become "_").
QString NombreEnvio(const QDateTime& cuando, const QString& destino);

// Sends the orders (Ids of exportacion's database) to the destination: writes the transfer
// file exactly as the export does, keeps it in enviados/ and records the export in this
// database's journal (naming the destination, the file and the destination's run), then
// imports that file into the destination's database with the import's own code, which
// records its origin there. Nothing is written when the destination cannot be reached. The
// destination's import is one transaction: a failure or a cancel before its COMMIT leaves
// nothing there; a connection lost at COMMIT is settled from the destination's journal.
ResultadoEnvio Envia(host::Conexion& exportacion, const QVector<qint64>& ids,
                     const Destino& destino, const QString& carpetaPrograma,
                     const QStringList& propios, const transferencia::Avance& avance = {},
                     const OpcionesEnvio& opciones = {});

} // namespace envio
