#pragma once

#include "data/CodificacionArchivo.h"
#include "data/LectorTransferencia.h"
#include "import/FilasEnBloque.h"
#include "import/Importacion.h"
#include "shell/host/Recordset.h"

#include <QByteArray>
#include <QHash>
#include <QVariant>
#include <QVector>
#include <array>
#include <deque>
#include <vector>

class QIODevice;

namespace importacion {

class ColaTandas;

// Rows read for one round of multi-row statements, and what the writer must add to them:
// the Id (and for an order its folio) is left NULL here and given when it is written.
struct TandaPedidos {
    // Columns: Id, Factura and header fields 3 to 35; a new customer's 16 values; Id and
    // line fields 2 to 21.
    TandaPedidos(int columnasPedido, int columnasCliente, int columnasRenglon);
    void vacia();

    FilasEnBloque pedidos, clientes, renglones;
    struct Encabezado {
        QString serie; // trimmed
        int linea = 0;
        qint64 indice = 0; // the order's place in the file, from 0
    };
    QVector<Encabezado> encabezados; // one per row of pedidos
    // For each row of renglones, its order's index in encabezados; -1: the last order of
    // an earlier round.
    std::vector<int> pedidoDeRenglon;
    // The customer key of each row of clientes.
    QStringList clavesClientes;
    qint64 renglonesOmitidos = 0;
    // The file ended with this round, and its bytes were those checked.
    bool ultima = false;
};

// An order as the checking pass found it.
struct PedidoLeido {
    std::array<unsigned char, 32> huella; // SHA-256 of its records as read
    int linea = 0;
    int renglones = 0;
    QString serie;  // trimmed
    QString origen; // its series and folio in the file: "B-1520"
    QString huellaHex() const;
};

// Reads a transfer file and converts every value it would store, exactly as its column
// takes it. It never touches the database: the writer gives it the columns' descriptions
// and writes what it reads.
class LecturaPedidos {
public:
    // The columns of clientes a new customer's values go to, in order.
    static QStringList columnasClienteNuevo();
    // Columns of header fields 3 to 35, of fields 36 to 40, of line fields 2 to 21, and of
    // a new customer's values.
    LecturaPedidos(QVector<host::Columna> encabezado, QVector<host::Columna> cliente,
                   QVector<host::Columna> renglon, QVector<host::Columna> nuevo);

    // The checking pass: every record converted, nothing kept. Throws ErrorTransferencia for
    // the first value its column cannot take, transferencia::Cancelado when asked to stop.
    void revisa(QIODevice& archivo, transferencia::CodificacionArchivo::Tipo codificacion,
                const LlamadasImportacion& llamadas);
    // Of the last revisa().
    const ResultadoImportacion& cuentas() const { return cuentas_; }
    const QHash<QString, qint64>& pedidosPorSerie() const { return pedidosPorSerie_; }
    const QByteArray& digesto() const { return digesto_; }
    int primeraLineaMultibyte() const { return primeraMultibyte_; }
    // Each order, in file order (a deque: a large file's orders are never moved to grow it);
    // what the reader dropped (the first hundred) and how many.
    const std::deque<PedidoLeido>& pedidos() const { return pedidos_; }
    const QVector<Descarte>& descartes() const { return descartes_; }
    qint64 descartesTotal() const { return descartesTotal_; }

    // The writing pass: the file again, in rounds handed to the writer through the queue.
    // The orders whose place in the file is marked in omitir are left out with their lines.
    // Throws SubidaPedidos::ArchivoCambiado at the end when the bytes are not those that
    // revisa() read, ErrorTransferencia when a record no longer converts.
    void lee(QIODevice& archivo, transferencia::CodificacionArchivo::Tipo codificacion,
             ColaTandas& cola, const std::vector<bool>& omitir);

private:
    void convierteEncabezado(const transferencia::Registro& r);
    void convierteRenglon(const transferencia::Registro& r);
    void convierteCliente(const transferencia::Registro& r);

    QVector<host::Columna> columnasEncabezado_, columnasCliente_, columnasRenglon_,
        columnasClienteNuevo_;
    // How errors name header fields 3 to 40, line fields 2 to 21 and a new customer's values.
    QStringList nombresEncabezado_, nombresRenglon_, nombresClienteNuevo_;

    // Values of the current header (Id, Factura, then fields 3 to 40 at index field - 1),
    // line (Id, then fields 2 to 21 at index field - 1) and new customer.
    QVector<QVariant> encabezado_, renglon_, clienteNuevo_;

    ResultadoImportacion cuentas_;
    QHash<QString, qint64> pedidosPorSerie_;
    QByteArray digesto_;
    int primeraMultibyte_ = 0;
    std::deque<PedidoLeido> pedidos_;
    QVector<Descarte> descartes_;
    qint64 descartesTotal_ = 0;
};

} // namespace importacion
