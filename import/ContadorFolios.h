#pragma once

#include <QHash>
#include <QString>
#include <QVector>
#include <deque>
#include <memory>

namespace acumulacion {
class FoliosSerie;
}
namespace host {
class Conexion;
}

namespace importacion {

// Folio counters of sistema ("PE-" + series) drawn many times in one transaction. Each
// series goes on from its counter, skipping folios that an order of the series already has
// (the accumulation's rule); the counters stay locked until the transaction ends and
// graba() stores the last folio given out.
class ContadorFolios {
public:
    // Locks at once, in one order for every import, the counter of the series without name
    // and those of the given series (trimmed), with the number of folios each is expected
    // to need. Since every import takes the series without name first, two imports into
    // one database queue there instead of deadlocking later (while that counter does not
    // exist yet, two that both find it missing collide once, and one runs again). Only
    // locking statements run here: the orders are first read by siguiente(), so the caller
    // may take further locks before its transaction's view of the tables is fixed.
    ContadorFolios(host::Conexion& conexion, const QHash<QString, qint64>& porSerie = {});
    ~ContadorFolios();
    ContadorFolios(const ContadorFolios&) = delete;
    ContadorFolios& operator=(const ContadorFolios&) = delete;

    // n orders of the (already trimmed) series will not need a folio after all.
    void descuenta(const QString& serie, qint64 n);
    // The next folio of the (already trimmed) series.
    qint32 siguiente(const QString& serie);
    void graba();

private:
    struct Contador {
        std::unique_ptr<acumulacion::FoliosSerie> folios;
        qint64 ultimo = 0;            // the last folio given out, or the counter's value
        std::deque<qint32> apartados; // free folios set aside, in order
        qint64 porDar = 0;            // folios the series is still expected to need
        bool dioFolios = false;
    };
    // The counter of the series, taken from abierta (already read) when given.
    int busca(const QString& serie, std::unique_ptr<acumulacion::FoliosSerie> abierta = {});
    void aparta(Contador& c);

    host::Conexion& conexion_;
    QHash<QString, int> porSerie_;
    std::vector<Contador> contadores_;
};

} // namespace importacion
