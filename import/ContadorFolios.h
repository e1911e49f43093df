#pragma once

#include <QHash>
#include <QString>
#include <QVector>
#include <functional>

namespace host {
class Conexion;
}

namespace importacion {

// Folio counters of sistema ("PE-" + series) drawn many times in one transaction: each
// row is created when missing, locked and read once, advanced in memory and written back
// by graba().
class ContadorFolios {
public:
    explicit ContadorFolios(host::Conexion& conexion);
    // The next folio of the (already trimmed) series.
    qint32 siguiente(const QString& serie);
    void graba();
    // Called before each query, so the caller can free the connection first.
    void antesDeConsultar(std::function<void()> aviso) { antesDeConsultar_ = std::move(aviso); }

private:
    struct Contador {
        QString dato; // the key as the table holds it
        qint64 ultimo = 0;
    };
    int busca(const QString& serie);

    host::Conexion& conexion_;
    QHash<QString, int> porSerie_;
    QVector<Contador> contadores_;
    std::function<void()> antesDeConsultar_;
};

} // namespace importacion
