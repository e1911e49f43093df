#pragma once

#include "import/FilasEnBloque.h"
#include "import/InsercionEnBloque.h"
#include "import/PedidosGuardados.h"
#include "journal/ResumenCliente.h"
#include "journal/ResumenPedido.h"

#include <QSet>
#include <QString>
#include <deque>
#include <memory>
#include <optional>

namespace bitacora {
class Bitacora;
}
namespace host {
class Conexion;
}

namespace importacion {

struct PedidoLeido;
struct TandaPedidos;

// The journal's rows of the orders an import stores, and their fingerprints in the register
// of imported orders: written round by round inside the import's transaction, in bulk like
// the orders themselves, since they are as many. Each order's row carries the digest of the
// order as written (what an undo compares with), taken from the values the round binds, so
// nothing is read back; the customers the import creates are kept too.
class AnotacionImportados {
public:
    // Nothing is written when the journal is not kept (bitacora null or not active).
    AnotacionImportados(const bitacora::Bitacora* bitacora, const QString& archivo);

    bool activa() const { return activa_; }
    // A fingerprint the register held when the import looked it up.
    void registrada(const QString& huella) { registradas_.insert(huella); }
    // The register could not be looked up: any fingerprint may be there already.
    void sinConsulta() { sinConsulta_ = true; }
    // Puts every fingerprint of the file in the register at once, before any order is
    // written, for an import that refuses a file with orders imported before: the new rows
    // take the same locks the look-up would, and when none was there the look-up is spared.
    // False when some was there, when the journal is not kept or when the register could not
    // take them: the register is then as it was, and the caller looks them up. Throws
    // host::ErrorBdD only for an error that stops the import (detieneOperacion).
    bool registraDeAntemano(host::Conexion& conexion, const std::deque<PedidoLeido>& leidos);
    // The orders of a round, once their Ids are in the rows: guardados[k] is what the
    // server stored for header row k. The last order of the round may go on in the next
    // one, so its row waits for it (or for termina()).
    void ronda(const TandaPedidos& tanda, const QVector<PedidosGuardados::Dado>& guardados,
               const std::deque<PedidoLeido>& leidos);
    // The customers of the round's rows that the import creates (faltan[k] for claves[k]),
    // once stored: their rows' digests are taken when they are written, if the journal keeps
    // them.
    void clientes(const QStringList& claves, const std::vector<char>& faltan);
    // Writes the rows gathered once they make about a MB: a few large statements cost the
    // import far less than three small ones a round. Throws host::ErrorBdD.
    void escribe(host::Conexion& conexion);
    // Writes every row still gathered, before the import's transaction ends.
    void termina(host::Conexion& conexion);
    // Drops rows not yet written and what the look-up found: a transaction tried again
    // starts with none.
    void vacia();

private:
    struct Abierto {
        int linea = 0;
        QString huella;
        qint64 id = 0;
        QString pedido;
        bitacora::ResumenPedido resumen;
    };
    void agrega(const Abierto& pedido);
    void inserta(host::Conexion& conexion);

    bool activa_ = false;
    bool resumenClientes_ = false;
    QVariant corrida_, archivo_;
    FilasEnBloque pedidos_, nuevas_, repetidas_, clientes_;
    std::unique_ptr<InsercionEnBloque> insertaPedidos_, insertaNuevas_, insertaRepetidas_,
        insertaClientes_;
    QStringList clavesClientes_; // created, when their digests are kept
    std::unique_ptr<bitacora::ResumenCliente> resumenCliente_;
    QSet<QString> registradas_, escritas_;
    bool sinConsulta_ = false;
    bool registrado_ = false;        // registraDeAntemano put them all in
    std::optional<Abierto> abierto_; // the last order of the round before
};

} // namespace importacion
