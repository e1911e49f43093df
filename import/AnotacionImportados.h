#pragma once

#include "import/FilasEnBloque.h"
#include "import/InsercionEnBloque.h"

#include <QSet>
#include <QString>
#include <memory>

namespace bitacora {
class Bitacora;
}
namespace host {
class Conexion;
}

namespace importacion {

// The journal's rows of the orders an import stores, and their fingerprints in the register
// of imported orders: written round by round inside the import's transaction, in bulk like
// the orders themselves, since they are as many.
class AnotacionImportados {
public:
    // Nothing is written when the journal is not kept (bitacora null or not active).
    AnotacionImportados(const bitacora::Bitacora* bitacora, const QString& archivo);

    bool activa() const { return activa_; }
    // A fingerprint the register held when the import looked it up.
    void registrada(const QString& huella) { registradas_.insert(huella); }
    // The register could not be looked up: any fingerprint may be there already.
    void sinConsulta() { sinConsulta_ = true; }
    // One order of the round.
    void agrega(int linea, const QString& huella, qint64 id, const QString& pedido);
    // Writes the rows gathered once they make about a MB: a few large statements cost the
    // import far less than three small ones a round. Throws host::ErrorBdD.
    void escribe(host::Conexion& conexion);
    // Writes every row still gathered, before the import's transaction ends.
    void termina(host::Conexion& conexion);
    // Drops rows not yet written and what the look-up found: a transaction tried again
    // starts with none.
    void vacia();

private:
    bool activa_ = false;
    QVariant corrida_, archivo_;
    FilasEnBloque pedidos_, nuevas_, repetidas_;
    std::unique_ptr<InsercionEnBloque> insertaPedidos_, insertaNuevas_, insertaRepetidas_;
    QSet<QString> registradas_, escritas_;
    bool sinConsulta_ = false;
};

} // namespace importacion
