#include "import/SubidaPedidos.h"

#include "data/FormatoTransferencia.h"
#include "import/AcumuladoExistencias.h"
#include "import/ColaTandas.h"
#include "import/ContadorFolios.h"
#include "import/InsercionEnBloque.h"
#include "import/LecturaPedidos.h"
#include "import/ProximoId.h"
#include "shell/host/BasesDD.h"

#include <QIODevice>

namespace importacion {

namespace {

// Rounds of rows going back and forth between the reading thread and the writer: one
// being written, one waiting, one being read.
constexpr int tandasEnCurso = 3;

QVector<host::Columna> columnas(const host::TablaInsercion& tabla, const QStringList& nombres,
                                QVector<int>& posiciones) {
    QVector<host::Columna> salida;
    for (const QString& n : nombres) {
        salida << tabla.columna(n);
        posiciones << tabla.posicion(n);
    }
    return salida;
}

} // namespace

SubidaPedidos::SubidaPedidos(host::Conexion& conexion, const LlamadasImportacion& llamadas)
    : conexion_(conexion), llamadas_(llamadas) {
    pedidos_ = host::BasesDD::AbrirTablaInsercion(conexion_, QStringLiteral("pedidos"));
    renglones_ = host::BasesDD::AbrirTablaInsercion(conexion_, QStringLiteral("pedidosdetalle"));
    clientes_ = host::BasesDD::AbrirTablaInsercion(conexion_, QStringLiteral("clientes"));

    QVector<int> posPedidos{pedidos_->posicion(QStringLiteral("Id")),
                            pedidos_->posicion(QStringLiteral("Factura"))};
    auto encabezado = columnas(*pedidos_, transferencia::columnasEncabezado().mid(1), posPedidos);
    if (posPedidos.contains(-1))
        throw host::ErrorBdD(
            QStringLiteral("La tabla pedidos no tiene las columnas Id y Factura."));
    QVector<int> sinUso;
    auto cliente = columnas(*clientes_, transferencia::columnasCliente(), sinUso);
    QVector<int> posRenglones{renglones_->posicion(QStringLiteral("Id"))};
    auto renglon = columnas(*renglones_, transferencia::columnasRenglon(), posRenglones);
    QVector<int> posClientes;
    auto clienteNuevo = columnas(*clientes_, LecturaPedidos::columnasClienteNuevo(), posClientes);
    lectura_ = std::make_unique<LecturaPedidos>(std::move(encabezado), std::move(cliente),
                                                std::move(renglon), std::move(clienteNuevo));

    columnasPedido_ = int(posPedidos.size());
    columnasCliente_ = int(posClientes.size());
    columnasRenglon_ = int(posRenglones.size());
    insertaPedidos_ =
        std::make_unique<InsercionEnBloque>(pedidos_->inicioInsercion(posPedidos), columnasPedido_);
    insertaRenglones_ = std::make_unique<InsercionEnBloque>(
        renglones_->inicioInsercion(posRenglones), columnasRenglon_);
    // Customers that exist already are left as they are.
    insertaClientes_ = std::make_unique<InsercionEnBloque>(clientes_->inicioInsercion(posClientes),
                                                           columnasCliente_,
                                                           " ON DUPLICATE KEY UPDATE Clave=Clave");
}

SubidaPedidos::~SubidaPedidos() = default;

int SubidaPedidos::primeraLineaMultibyte() const {
    return lectura_->primeraLineaMultibyte();
}

void SubidaPedidos::revisa(QIODevice& archivo,
                           transferencia::CodificacionArchivo::Tipo codificacion) {
    cuentas_ = {};
    lectura_->revisa(archivo, codificacion, llamadas_);
    cuentas_ = lectura_->cuentas();
    totalPedidos_ = cuentas_.pedidos;
}

void SubidaPedidos::sube(QIODevice& archivo,
                         transferencia::CodificacionArchivo::Tipo codificacion) {
    // Nothing of an earlier, failed run carries over.
    cuentas_ = {};
    importados_.clear();
    importados_.reserve(totalPedidos_);
    // Counters first and Ids next, the order every import takes its locks in; nothing is
    // read without a lock before, so what is read next includes all committed before them.
    folios_.reset();
    ids_.reset();
    folios_ = std::make_unique<ContadorFolios>(conexion_, lectura_->pedidosPorSerie());
    ids_ = std::make_unique<ProximoId>(conexion_);
    // Both counts read the transaction's own view, so others' customers do not count.
    const qint64 clientesAntes = cuentaClientes();
    {
        ColaTandas cola(
            tandasEnCurso,
            [this] {
                return std::make_unique<TandaPedidos>(columnasPedido_, columnasCliente_,
                                                      columnasRenglon_);
            },
            [this, &archivo, codificacion](ColaTandas& c) {
                lectura_->lee(archivo, codificacion, c);
            });
        for (bool ultima = false; !ultima;) {
            auto tanda = cola.siguiente();
            escribe(*tanda);
            ultima = tanda->ultima;
            cola.devuelve(std::move(tanda));
        }
    }
    folios_->graba();
    cuentas_.clientesNuevos = cuentaClientes() - clientesAntes;
}

void SubidaPedidos::escribe(TandaPedidos& t) {
    const qint64 idAnterior = idActual_;
    idsTanda_.clear();
    foliosTanda_.clear();
    for (const TandaPedidos::Encabezado& e : std::as_const(t.encabezados)) {
        if (llamadas_.cancelado())
            throw Cancelado();
        idActual_ = ids_->siguiente();
        const qint32 folio = folios_->siguiente(e.serie);
        idsTanda_.push_back(idActual_);
        foliosTanda_.push_back(folio);
        ++cuentas_.pedidos;
        llamadas_.informa(cuentas_.pedidos, totalPedidos_);
        importados_.push_back(PedidoImportado{idActual_, e.serie, folio, e.linea});
    }
    idsRenglones_.clear();
    for (const int p : t.pedidoDeRenglon)
        idsRenglones_.push_back(p < 0 ? idAnterior : idsTanda_[std::size_t(p)]);
    t.pedidos.reemplazaEnteros(0, idsTanda_);
    t.pedidos.reemplazaEnteros(1, foliosTanda_);
    t.renglones.reemplazaEnteros(0, idsRenglones_);
    // Headers first, so each line's order is in before the line.
    insertaPedidos_->inserta(conexion_, t.pedidos);
    insertaClientes_->inserta(conexion_, t.clientes);
    insertaRenglones_->inserta(conexion_, t.renglones);
    if (t.grabaExistencias)
        t.existencias.graba(conexion_);
    cuentas_.renglones += t.renglones.filas();
    cuentas_.renglonesOmitidos += t.renglonesOmitidos;
}

qint64 SubidaPedidos::cuentaClientes() {
    auto rs = conexion_.consulta(QStringLiteral("SELECT COUNT(*) FROM clientes"));
    return rs->entero(0);
}

} // namespace importacion
