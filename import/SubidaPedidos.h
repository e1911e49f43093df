#pragma once

#include "data/CodificacionArchivo.h"
#include "import/Importacion.h"
#include "shell/host/Error.h"
#include "shell/host/Recordset.h"

#include <QVector>
#include <memory>
#include <utility>
#include <vector>

class QIODevice;

namespace bitacora {
class Bitacora;
}
namespace host {
class Conexion;
class TablaInsercion;
} // namespace host

namespace importacion {

class AnotacionImportados;
class ContadorFolios;
class DetalleRevision;
class InsercionEnBloque;
class LecturaPedidos;
class ProximoId;
struct TandaPedidos;

// One import of a transfer file, in two passes over it. revisa() reads the whole file and
// converts every value it would store, writing nothing; sube() looks up the orders imported
// before, reads the file again and writes, inside the caller's transaction, in multi-row
// statements, with each order's row of the journal. sube() may run again after a failed
// transaction: it starts afresh each time.
// The connection is only used from the caller's thread: while sube() writes one round of
// rows, a reading thread that never sees the connection reads and converts the next.
class SubidaPedidos {
public:
    // bitacora (none in a preview) records the orders as archivo's.
    SubidaPedidos(host::Conexion& conexion, const LlamadasImportacion& llamadas,
                  const OpcionesImportacion& opciones = {},
                  const bitacora::Bitacora* bitacora = nullptr, const QString& archivo = {});
    ~SubidaPedidos();
    SubidaPedidos(const SubidaPedidos&) = delete;
    SubidaPedidos& operator=(const SubidaPedidos&) = delete;

    // Throws ErrorTransferencia for the first record the database could not take.
    void revisa(QIODevice& archivo, transferencia::CodificacionArchivo::Tipo codificacion);
    // Throws ArchivoCambiado, before anything is confirmed, when the bytes it read are not
    // those that revisa() checked; YaImportados, before anything is written, when the file
    // holds orders imported before and the options say to refuse it.
    void sube(QIODevice& archivo, transferencia::CodificacionArchivo::Tipo codificacion);

    // Counts of the last pass (headers, lines, new customers, lines skipped), the orders
    // imported before, what the reader dropped and, in a preview, its details.
    const ResultadoImportacion& cuentas() const { return cuentas_; }
    // The orders of the last sube(), in file order.
    QVector<PedidoImportado> tomaImportados() { return std::exchange(importados_, {}); }
    // First line of the file with a character of more than one byte, read as UTF-8.
    int primeraLineaMultibyte() const;
    // The file read for writing is not the one previewed; orders of the file were imported
    // before and the run was asked to refuse them. Both end sube() with nothing written.
    struct ArchivoCambiado : host::Desvio {};
    struct YaImportados : host::Desvio {};

private:
    // Finds the orders of the file imported before and which ones to leave out.
    void buscaImportados();
    // Gives the round's orders their Ids and folios and writes it.
    void escribe(TandaPedidos& tanda);
    qint64 cuentaClientes();
    // The condition on pedidosdetalle.Id that selects the lines of the orders written.
    QString lineasImportadas() const;
    // Throws host::ErrorBdD when an order written does not hold exactly its lines.
    void compruebaRenglones();

    host::Conexion& conexion_;
    const LlamadasImportacion& llamadas_;
    const OpcionesImportacion opciones_;
    std::unique_ptr<AnotacionImportados> anotacion_;
    std::unique_ptr<host::TablaInsercion> pedidos_, renglones_, clientes_;
    std::unique_ptr<InsercionEnBloque> insertaPedidos_, insertaClientes_, insertaRenglones_;
    int columnasPedido_ = 0, columnasCliente_ = 0, columnasRenglon_ = 0;
    bool claveUnicaClientes_ = false;
    std::unique_ptr<LecturaPedidos> lectura_;

    QVector<PedidoImportado> importados_;
    std::unique_ptr<ProximoId> ids_;
    std::unique_ptr<ContadorFolios> folios_;
    qint64 idActual_ = 0;
    std::vector<qint64> idsTanda_, foliosTanda_, idsRenglones_;
    qint64 totalPedidos_ = 0;
    std::vector<bool> omitir_; // per order of the file
    std::unique_ptr<DetalleRevision> detalle_;
    ResultadoImportacion cuentas_;
};

} // namespace importacion
