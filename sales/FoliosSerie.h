#pragma once

#include "shell/host/Conexion.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <vector>

namespace acumulacion {

// The folios of one series in the current database, while a transaction is open on the
// connection: the series' counter row in sistema is locked from construction to the end of
// that transaction, so no one else gives out folios of the series meanwhile.
class FoliosSerie {
public:
    // tipoVta is the counter key prefix ("PE-"); the counter key is tipoVta + serie.
    FoliosSerie(host::Conexion& conexion, const QString& tipoVta, const QString& serie);
    // The same for several series, their counters read and locked in one statement.
    static std::vector<std::unique_ptr<FoliosSerie>>
    abre(host::Conexion& conexion, const QString& tipoVta, const QStringList& series);

    // The first cuantos folios, counting up from desde, that no order of the series uses.
    // Throws ErrorBdD when they would pass the largest folio.
    QVector<qint32> libres(qint64 desde, int cuantos);
    // The same for several series (each given once), their windows read together.
    struct Libres {
        FoliosSerie* serie;
        qint64 desde;
        int cuantos;
        QVector<qint32> folios; // filled
    };
    static void libres(host::Conexion& conexion, QVector<Libres>& pedidos);
    // Stores folio as the counter's value (the last folio given out), unless the counter
    // already holds a higher one: lowering it would hand out its folios a second time.
    void guarda(qint32 folio);
    // The same for several series' counters (each given once), in one statement.
    struct Guardado {
        FoliosSerie* serie;
        qint32 folio;
    };
    static void guarda(host::Conexion& conexion, const QVector<Guardado>& guardados);

    // The counter's value (0 for a missing, negative or non-numeric one) and its key as the
    // table holds it (series that the table's collation takes as equal share one row).
    qint64 contador() const { return contador_; }
    const QString& clave() const { return clave_; }

private:
    struct SinLeer {};
    FoliosSerie(host::Conexion& conexion, const QString& tipoVta, const QString& serie, SinLeer);
    // Reads and locks the counter's rows; false when there is none.
    bool lee();
    // Makes the counter's row, missing from the table, and reads it.
    void crea();
    // Takes the counter from a row read.
    void toma(const QVariant& contenido);

    host::Conexion& conexion_;
    QString serie_;
    QString clave_;
    qint64 contador_ = 0;
};

} // namespace acumulacion
