#pragma once

#include "data/LectorTransferencia.h"
#include "import/AcumuladoExistencias.h"
#include "import/FilasEnBloque.h"
#include "import/Importacion.h"
#include "shell/host/Recordset.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QVariant>
#include <QVector>
#include <memory>
#include <utility>

class QIODevice;

namespace host {
class Conexion;
class TablaInsercion;
} // namespace host

namespace importacion {

class ContadorFolios;
class InsercionEnBloque;
class ProximoId;

// One import of a transfer file, in two passes over it. revisa() reads the whole file and
// converts every value it would store, writing nothing; sube() reads it again and writes,
// inside the caller's transaction, in multi-row statements. sube() may run again after a
// failed transaction: it starts afresh each time.
class SubidaPedidos {
public:
    SubidaPedidos(host::Conexion& conexion, const LlamadasImportacion& llamadas);
    ~SubidaPedidos();
    SubidaPedidos(const SubidaPedidos&) = delete;
    SubidaPedidos& operator=(const SubidaPedidos&) = delete;

    // Throws ErrorTransferencia for the first record the database could not take.
    void revisa(QIODevice& archivo, transferencia::CodificacionArchivo::Tipo codificacion);
    // Throws ArchivoCambiado, before anything is confirmed, when the bytes it read are not
    // those that revisa() checked.
    void sube(QIODevice& archivo, transferencia::CodificacionArchivo::Tipo codificacion);

    // Counts of the last pass (headers, lines, new customers, lines skipped).
    const ResultadoImportacion& cuentas() const { return cuentas_; }
    // The orders of the last sube(), in file order.
    QVector<PedidoImportado> tomaImportados() { return std::exchange(importados_, {}); }
    // First line of the file with a character of more than one byte, read as UTF-8.
    int primeraLineaMultibyte() const { return primeraMultibyte_; }
    struct Cancelado {};
    struct ArchivoCambiado {};

private:
    void convierteEncabezado(const transferencia::Registro& r);
    void convierteRenglon(const transferencia::Registro& r);
    void SubeEncabezado(const transferencia::Registro& r);
    void SubeRenglon(const transferencia::Registro& r);
    void SubeCliente(const transferencia::Registro& r);
    // Rows waiting for their multi-row statement.
    struct Tanda {
        Tanda(std::unique_ptr<InsercionEnBloque> destino, int columnas);
        std::unique_ptr<InsercionEnBloque> destino;
        FilasEnBloque filas;
    };
    void envia(Tanda& tanda);
    void vacia();
    qint64 cuentaClientes();

    host::Conexion& conexion_;
    const LlamadasImportacion& llamadas_;
    std::unique_ptr<host::TablaInsercion> pedidos_, renglones_, clientes_;

    // Columns of header fields 3 to 35, of fields 36 to 40, of line fields 2 to 21, and
    // of a new customer's 16 values.
    QVector<host::Columna> columnasEncabezado_, columnasCliente_, columnasRenglon_,
        columnasClienteNuevo_;
    // How errors name header fields 3 to 40, line fields 2 to 21 and a new customer's values
    // (at the index of the value).
    QStringList nombresEncabezado_, nombresRenglon_, nombresClienteNuevo_;

    // Values of the current header (Id, Factura, then fields 3 to 40 at index field - 1)
    // and line (Id, then fields 2 to 21 at index field - 1).
    QVector<QVariant> encabezado_, renglon_, clienteNuevo_;
    __int128 cantidad_ = 0;

    std::unique_ptr<Tanda> pedidosTanda_, renglonesTanda_, clientesTanda_;
    QSet<QString> clavesEnTanda_;

    QHash<QString, qint64> pedidosPorSerie_; // counted by revisa()
    QByteArray digesto_;                     // of the bytes revisa() read
    int primeraMultibyte_ = 0;
    QVector<PedidoImportado> importados_;

    std::unique_ptr<ProximoId> ids_;
    std::unique_ptr<ContadorFolios> folios_;
    AcumuladoExistencias existencias_;
    qint64 idActual_ = 0;
    bool hayEncabezado_ = false;
    qint64 totalPedidos_ = 0;
    ResultadoImportacion cuentas_;
};

} // namespace importacion
