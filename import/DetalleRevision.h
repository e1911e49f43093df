#pragma once

#include "import/Importacion.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace host {
class Conexion;
}

namespace importacion {

// What a preview tells beyond the counts: the customers it creates and how PorVender of
// each product changes. It asks the import database around the writes, on the import's own
// connection and transaction, so the server decides (with its own collation) which keys
// match: the answer is what the import really does.
class DetalleRevision {
public:
    explicit DetalleRevision(host::Conexion& conexion);

    // Around the insert of a round's new customers, with their keys.
    void antesDeClientes(const QStringList& claves);
    void despuesDeClientes();
    // In the order they were created.
    const QVector<ClienteNuevo>& clientes() const { return clientes_; }
    // Once PorVender was raised by the lines of the orders that lineas selects (a condition
    // on pedidosdetalle.Id): each product's change, in the order of the codes.
    QVector<CambioPorVender> existencias(const QString& lineas);

private:
    host::Conexion& conexion_;
    QStringList claves_;
    QSet<QString> existentes_;
    QVector<ClienteNuevo> clientes_;
};

} // namespace importacion
