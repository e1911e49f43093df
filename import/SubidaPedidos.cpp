#include "import/SubidaPedidos.h"

#include "data/ErrorTransferencia.h"
#include "data/FormatoTransferencia.h"
#include "import/ContadorFolios.h"
#include "import/ConversionCampo.h"
#include "import/InsercionEnBloque.h"
#include "import/ProximoId.h"
#include "shell/host/BasesDD.h"

#include <QIODevice>
#include <span>
#include <utility>

using transferencia::Campo;
using transferencia::nombreCampo;
using transferencia::Registro;

namespace importacion {

namespace {

// Rows per multi-row statement, and a size well below the server's packet limit.
constexpr int pedidosPorTanda = 500;
constexpr int renglonesPorTanda = 2000;
constexpr qsizetype bytesPorTanda = 4 << 20;
constexpr qsizetype productosPorTanda = 20000;

// Index in the header values of header field n.
constexpr int enEncabezado(int campo) {
    return campo - 1;
}
constexpr int iSerie = enEncabezado(3), iCliente = enEncabezado(4), iFecha = enEncabezado(5),
              iNombre = enEncabezado(7), iTelefono = enEncabezado(8), iDomicilio = enEncabezado(9),
              iCP = enEncabezado(10), iColonia = enEncabezado(11), iCiudad = enEncabezado(12),
              iEstado = enEncabezado(13), iRFC = enEncabezado(14), iAtencion = enEncabezado(36),
              iTelefono2 = enEncabezado(37), iTelefono3 = enEncabezado(38),
              iTelefono4 = enEncabezado(39), iPrecio = enEncabezado(40);
constexpr int iProducto = 2, iCantidad = 4; // in the line values
constexpr int columnasPedido = 35;          // Id, Factura and header fields 3 to 35

// A new customer: its columns and where each value comes from in the header values.
struct ValorCliente {
    const char* columna;
    int origen;
};
constexpr ValorCliente clienteNuevo[] = {{"Clave", iCliente},       {"Nombre", iNombre},
                                         {"Atencion", iAtencion},   {"Domicilio", iDomicilio},
                                         {"Colonia", iColonia},     {"CP", iCP},
                                         {"Ciudad", iCiudad},       {"Estado", iEstado},
                                         {"Telefono1", iTelefono},  {"RFC", iRFC},
                                         {"FechaRegistro", iFecha}, {"UltVta", iFecha},
                                         {"Telefono2", iTelefono2}, {"Telefono3", iTelefono3},
                                         {"Telefono4", iTelefono4}, {"Precio", iPrecio}};

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
    columnasEncabezado_ =
        columnas(*pedidos_, transferencia::columnasEncabezado().mid(1), posPedidos);
    if (posPedidos.contains(-1))
        throw host::ErrorBdD(
            QStringLiteral("La tabla pedidos no tiene las columnas Id y Factura."));
    QVector<int> sinUso;
    columnasCliente_ = columnas(*clientes_, transferencia::columnasCliente(), sinUso);
    QVector<int> posRenglones{renglones_->posicion(QStringLiteral("Id"))};
    columnasRenglon_ = columnas(*renglones_, transferencia::columnasRenglon(), posRenglones);
    QStringList nombresCliente;
    for (const ValorCliente& v : clienteNuevo)
        nombresCliente << QLatin1String(v.columna);
    QVector<int> posClientes;
    columnasClienteNuevo_ = columnas(*clientes_, nombresCliente, posClientes);

    const auto tanda = [](QByteArray inicio, qsizetype columnas, QByteArray fin = {}) {
        return std::make_unique<Tanda>(
            std::make_unique<InsercionEnBloque>(std::move(inicio), int(columnas), std::move(fin)),
            int(columnas));
    };
    pedidosTanda_ = tanda(pedidos_->inicioInsercion(posPedidos), posPedidos.size());
    renglonesTanda_ = tanda(renglones_->inicioInsercion(posRenglones), posRenglones.size());
    // Customers that exist already are left as they are.
    clientesTanda_ = tanda(clientes_->inicioInsercion(posClientes), posClientes.size(),
                           " ON DUPLICATE KEY UPDATE Clave=Clave");
    for (int n = 3; n <= transferencia::camposEncabezado; ++n)
        nombresEncabezado_ << nombreCampo(true, n);
    for (int n = 2; n <= transferencia::camposRenglon; ++n)
        nombresRenglon_ << nombreCampo(false, n);
    for (const host::Columna& c : std::as_const(columnasClienteNuevo_))
        nombresClienteNuevo_ << QStringLiteral("%1 del cliente nuevo").arg(c.nombre);
    encabezado_.resize(transferencia::camposEncabezado);
    renglon_.resize(transferencia::camposRenglon);
    clienteNuevo_.resize(int(std::size(clienteNuevo)));
}

SubidaPedidos::~SubidaPedidos() = default;

SubidaPedidos::Tanda::Tanda(std::unique_ptr<InsercionEnBloque> destino, int columnas)
    : destino(std::move(destino)), filas(columnas) {}

void SubidaPedidos::convierteEncabezado(const Registro& r) {
    for (int n = 3; n <= transferencia::camposEncabezado; ++n) {
        const host::Columna& c = n <= 35 ? columnasEncabezado_[n - 3] : columnasCliente_[n - 36];
        if (n == 3) {
            Campo serie = r.campos[n - 1];
            serie.valor = serie.valor.trimmed();
            encabezado_[n - 1] = convierteCampo(c, serie, r.linea, nombresEncabezado_[n - 3]);
        } else {
            encabezado_[n - 1] =
                convierteCampo(c, r.campos[n - 1], r.linea, nombresEncabezado_[n - 3]);
        }
    }
}

void SubidaPedidos::convierteRenglon(const Registro& r) {
    for (int n = 2; n <= transferencia::camposRenglon; ++n)
        renglon_[n - 1] = convierteCampo(columnasRenglon_[n - 2], r.campos[n - 1], r.linea,
                                         nombresRenglon_[n - 2]);
    // The quantity is also added to the product's stock, so it must be a number there too.
    const Campo& cantidad = r.campos[iCantidad];
    if (!AcumuladoExistencias::leeCantidad(cantidad.valor, cantidad_))
        throw transferencia::ErrorTransferencia(
            QStringLiteral("En el registro de la línea %1, el campo Cantidad trae el valor "
                           "\"%2\", que no es un número.")
                .arg(r.linea)
                .arg(cantidad.valor.left(200)),
            r.linea);
}

void SubidaPedidos::revisa(QIODevice& archivo,
                           transferencia::CodificacionArchivo::Tipo codificacion) {
    transferencia::LectorTransferencia lector(archivo, codificacion);
    Registro r;
    cuentas_ = {};
    pedidosPorSerie_.clear();
    bool hayEncabezado = false;
    while (lector.siguiente(r)) {
        if (r.encabezado) {
            if (llamadas_.cancelado())
                throw Cancelado();
            convierteEncabezado(r);
            hayEncabezado = true;
            ++cuentas_.pedidos;
            ++pedidosPorSerie_[encabezado_[iSerie].toString()];
            // Values checked here are not kept: letting them go lets the reader decode the
            // next record into the same memory.
            encabezado_.fill(QVariant());
        } else if (hayEncabezado) {
            // Lines in front of the first header are skipped, so they need not fit.
            convierteRenglon(r);
            renglon_.fill(QVariant());
            ++cuentas_.renglones;
        } else {
            ++cuentas_.renglonesOmitidos;
        }
    }
    totalPedidos_ = cuentas_.pedidos;
    digesto_ = lector.digesto();
    primeraMultibyte_ = lector.primeraLineaMultibyte();
}

void SubidaPedidos::sube(QIODevice& archivo,
                         transferencia::CodificacionArchivo::Tipo codificacion) {
    transferencia::LectorTransferencia lector(archivo, codificacion);
    Registro r;
    // Nothing of an earlier, failed run carries over.
    cuentas_ = {};
    hayEncabezado_ = false;
    importados_.clear();
    importados_.reserve(totalPedidos_);
    for (Tanda* t : {pedidosTanda_.get(), renglonesTanda_.get(), clientesTanda_.get()})
        t->filas.vacia();
    clavesEnTanda_.clear();
    existencias_.descarta();
    // Counters first and Ids next, the order every import takes its locks in; nothing is
    // read without a lock before, so what is read next includes all committed before them.
    folios_.reset();
    ids_.reset();
    folios_ = std::make_unique<ContadorFolios>(conexion_, pedidosPorSerie_);
    ids_ = std::make_unique<ProximoId>(conexion_);
    // Both counts read the transaction's own view, so others' customers do not count.
    const qint64 clientesAntes = cuentaClientes();
    while (lector.siguiente(r)) {
        if (r.encabezado)
            SubeEncabezado(r);
        else
            SubeRenglon(r);
    }
    if (lector.digesto() != digesto_)
        throw ArchivoCambiado();
    vacia();
    existencias_.graba(conexion_);
    folios_->graba();
    cuentas_.clientesNuevos = cuentaClientes() - clientesAntes;
}

qint64 SubidaPedidos::cuentaClientes() {
    auto rs = conexion_.consulta(QStringLiteral("SELECT COUNT(*) FROM clientes"));
    return rs->entero(0);
}

void SubidaPedidos::SubeEncabezado(const Registro& r) {
    if (llamadas_.cancelado())
        throw Cancelado();
    convierteEncabezado(r);
    hayEncabezado_ = true;
    idActual_ = ids_->siguiente();
    const QString serie = encabezado_[iSerie].toString();
    const qint32 folio = folios_->siguiente(serie);
    encabezado_[0] = idActual_;
    encabezado_[1] = folio;
    pedidosTanda_->filas.agregaFila(std::span(encabezado_.constData(), columnasPedido));
    SubeCliente(r);
    // The values are in the batch: letting them go lets the reader decode the next record
    // into the same memory.
    encabezado_.fill(QVariant());
    ++cuentas_.pedidos;
    llamadas_.informa(cuentas_.pedidos, totalPedidos_);
    importados_.push_back(PedidoImportado{idActual_, serie, folio, r.linea});
    if (pedidosTanda_->filas.filas() >= pedidosPorTanda ||
        pedidosTanda_->filas.bytes() >= bytesPorTanda)
        vacia();
}

void SubidaPedidos::SubeCliente(const Registro& r) {
    // The first order of a customer in the file creates it; an existing customer is left
    // as it is (the insert skips keys the table already holds).
    const QString clave = encabezado_[iCliente].toString();
    if (clavesEnTanda_.contains(clave))
        return;
    clavesEnTanda_.insert(clave);
    for (int i = 0; i < clienteNuevo_.size(); ++i)
        clienteNuevo_[i] =
            convierteValor(columnasClienteNuevo_[i], encabezado_[clienteNuevo[i].origen], r.linea,
                           nombresClienteNuevo_[i]);
    clientesTanda_->filas.agregaFila(clienteNuevo_);
    clienteNuevo_.fill(QVariant());
}

void SubidaPedidos::SubeRenglon(const Registro& r) {
    if (!hayEncabezado_) {
        ++cuentas_.renglonesOmitidos;
        return;
    }
    convierteRenglon(r);
    renglon_[0] = idActual_;
    renglonesTanda_->filas.agregaFila(renglon_);
    renglon_.fill(QVariant());
    existencias_.agrega(r.campos[iProducto].valor, cantidad_);
    ++cuentas_.renglones;
    if (renglonesTanda_->filas.filas() >= renglonesPorTanda ||
        renglonesTanda_->filas.bytes() + clientesTanda_->filas.bytes() >= bytesPorTanda)
        vacia();
    if (existencias_.productos() >= productosPorTanda)
        existencias_.graba(conexion_);
}

void SubidaPedidos::envia(Tanda& tanda) {
    tanda.destino->inserta(conexion_, tanda.filas);
    tanda.filas.vacia();
}

void SubidaPedidos::vacia() {
    // Headers first, so each line's order is in before the line.
    envia(*pedidosTanda_);
    envia(*clientesTanda_);
    envia(*renglonesTanda_);
    clavesEnTanda_.clear();
}

} // namespace importacion
