#pragma once

#include "import/Importacion.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QStringList>

namespace host {
class Conexion;
}

namespace importacion {

class AcumuladoExistencias;

// What a preview tells beyond the counts: the customers it creates and how PorVender of
// each product changes. It asks the import database around the writes of each round, on
// the import's own connection and transaction, so the server decides (with its own
// collation) which keys match: the answer is what the import really does.
class DetalleRevision {
public:
    explicit DetalleRevision(host::Conexion& conexion);

    // Around the insert of a round's new customers, with their keys.
    void antesDeClientes(const QStringList& claves);
    void despuesDeClientes();
    // Around the raise of PorVender by the sums.
    void antesDeExistencias(const AcumuladoExistencias& sumas);
    void despuesDeExistencias();

    // In the order they were created; products in the order of their codes.
    const QVector<ClienteNuevo>& clientes() const { return clientes_; }
    QVector<CambioPorVender> existencias() const;

private:
    struct Producto {
        QString antes, despues;
        __int128 aumento = 0;
    };
    // The products matching the codes: code -> (key as stored, PorVender).
    QHash<QString, std::pair<QString, QString>> leeProductos(const QStringList& codigos,
                                                             bool bloquea);

    host::Conexion& conexion_;
    QStringList claves_;
    QSet<QString> existentes_;
    QVector<ClienteNuevo> clientes_;

    QHash<QString, __int128> sumas_; // of the round being written
    QMap<QString, Producto> productos_;
    QMap<QString, __int128> ausentes_; // codes no product has
};

} // namespace importacion
