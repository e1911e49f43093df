#include "import/LecturaPedidos.h"

#include "data/ErrorTransferencia.h"
#include "data/FormatoTransferencia.h"
#include "import/ColaTandas.h"
#include "import/ConversionCampo.h"
#include "import/SubidaPedidos.h"

#include <QIODevice>
#include <QSet>
#include <algorithm>
#include <span>

namespace importacion {

using transferencia::Campo;
using transferencia::nombreCampo;
using transferencia::Registro;

namespace {

// Rows per multi-row statement, and a size well below the server's packet limit. Each round
// is a few round trips, which a slow link to the server makes the bulk of the time.
constexpr int pedidosPorTanda = 1000;
constexpr int renglonesPorTanda = 5000;
constexpr qsizetype bytesPorTanda = 4 << 20;

// Index in the header (line) values of header (line) field n.
constexpr int enEncabezado(int campo) {
    return campo - 1;
}
constexpr int enRenglon(int campo) {
    return campo - 1;
}
constexpr int iSerie = enEncabezado(3), iCliente = enEncabezado(4), iFecha = enEncabezado(5),
              iNombre = enEncabezado(7), iTelefono = enEncabezado(8), iDomicilio = enEncabezado(9),
              iCP = enEncabezado(10), iColonia = enEncabezado(11), iCiudad = enEncabezado(12),
              iEstado = enEncabezado(13), iRFC = enEncabezado(14), iAtencion = enEncabezado(36),
              iTelefono2 = enEncabezado(37), iTelefono3 = enEncabezado(38),
              iTelefono4 = enEncabezado(39), iPrecio = enEncabezado(40);
constexpr int iCantidad = enRenglon(5);
constexpr int columnasPedido = 35; // Id, Factura and header fields 3 to 35
constexpr qsizetype descartesGuardados = 100;

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

// "B-1520": the header's series (trimmed) and folio as the file writes them.
QString origen(const Registro& r) {
    const QString serie = r.campos[2].valor.trimmed();
    return serie.isEmpty() ? r.campos[1].valor : serie + QLatin1Char('-') + r.campos[1].valor;
}

} // namespace

QString PedidoLeido::huellaHex() const {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(huella.data()), qsizetype(huella.size())).toHex());
}

TandaPedidos::TandaPedidos(int columnasPedido, int columnasCliente, int columnasRenglon)
    : pedidos(columnasPedido), clientes(columnasCliente), renglones(columnasRenglon) {}

void TandaPedidos::vacia() {
    pedidos.vacia();
    clientes.vacia();
    renglones.vacia();
    encabezados.clear();
    pedidoDeRenglon.clear();
    clavesClientes.clear();
    renglonesOmitidos = 0;
    ultima = false;
}

QStringList LecturaPedidos::columnasClienteNuevo() {
    QStringList nombres;
    for (const ValorCliente& v : clienteNuevo)
        nombres << QLatin1String(v.columna);
    return nombres;
}

LecturaPedidos::LecturaPedidos(QVector<host::Columna> encabezado, QVector<host::Columna> cliente,
                               QVector<host::Columna> renglon, QVector<host::Columna> nuevo)
    : columnasEncabezado_(std::move(encabezado)), columnasCliente_(std::move(cliente)),
      columnasRenglon_(std::move(renglon)), columnasClienteNuevo_(std::move(nuevo)) {
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

void LecturaPedidos::convierteEncabezado(const Registro& r) {
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

void LecturaPedidos::convierteRenglon(const Registro& r) {
    for (int n = 2; n <= transferencia::camposRenglon; ++n)
        renglon_[n - 1] = convierteCampo(columnasRenglon_[n - 2], r.campos[n - 1], r.linea,
                                         nombresRenglon_[n - 2]);
    // The quantity also raises the product's stock, so it must be a number even where its
    // column would take none.
    if (renglon_[iCantidad].isNull())
        throw transferencia::ErrorTransferencia(
            QStringLiteral("En el registro de la línea %1, el campo Cantidad trae el valor "
                           "\"%2\", que no es un número.")
                .arg(r.linea)
                .arg(r.campos[iCantidad].valor.left(200)),
            r.linea);
}

void LecturaPedidos::convierteCliente(const Registro& r) {
    for (int i = 0; i < clienteNuevo_.size(); ++i)
        clienteNuevo_[i] =
            convierteValor(columnasClienteNuevo_[i], encabezado_[clienteNuevo[i].origen], r.linea,
                           nombresClienteNuevo_[i]);
}

void LecturaPedidos::revisa(QIODevice& archivo,
                            transferencia::CodificacionArchivo::Tipo codificacion,
                            const LlamadasImportacion& llamadas) {
    transferencia::LectorTransferencia lector(archivo, codificacion);
    lector.guardaCrudo(true);
    transferencia::Sha256 huella;
    Registro r;
    cuentas_ = {};
    pedidosPorSerie_.clear();
    pedidos_.clear();
    descartes_.clear();
    const auto cierraPedido = [&] {
        if (pedidos_.empty())
            return;
        const QByteArray suma = huella.reinicia();
        std::copy(suma.cbegin(), suma.cend(), pedidos_.back().huella.begin());
    };
    while (lector.siguiente(r)) {
        if (r.encabezado) {
            if (llamadas.cancelado())
                throw transferencia::Cancelado();
            convierteEncabezado(r);
            cierraPedido();
            // Orders of one series share its text.
            auto serie = pedidosPorSerie_.find(encabezado_[iSerie].toString());
            if (serie == pedidosPorSerie_.end())
                serie = pedidosPorSerie_.insert(encabezado_[iSerie].toString(), 0);
            ++*serie;
            pedidos_.push_back({{}, r.linea, 0, serie.key(), origen(r)});
            huella.agrega(lector.crudo());
            ++cuentas_.pedidos;
            // Values checked here are not kept: letting them go lets the reader decode the
            // next record into the same memory.
            encabezado_.fill(QVariant());
        } else if (!pedidos_.empty()) {
            // Lines in front of the first header are skipped, so they need not fit.
            convierteRenglon(r);
            renglon_.fill(QVariant());
            huella.agrega(lector.crudo());
            ++pedidos_.back().renglones;
            ++cuentas_.renglones;
        } else {
            ++cuentas_.renglonesOmitidos;
            if (descartes_.size() < descartesGuardados)
                descartes_.push_back(
                    {r.linea, QStringLiteral("un renglón antes del primer pedido"), {}});
        }
    }
    cierraPedido();
    for (const transferencia::TextoDescartado& d : lector.descartados())
        if (descartes_.size() < descartesGuardados)
            descartes_.push_back(
                {d.linea,
                 QStringLiteral("el texto \"%1\" que sigue a las comillas de un campo")
                     .arg(d.texto.left(200)),
                 d.texto});
    std::stable_sort(descartes_.begin(), descartes_.end(),
                     [](const Descarte& a, const Descarte& b) { return a.linea < b.linea; });
    descartesTotal_ = cuentas_.renglonesOmitidos + lector.totalDescartados();
    digesto_ = lector.digesto();
    primeraMultibyte_ = lector.primeraLineaMultibyte();
}

void LecturaPedidos::lee(QIODevice& archivo, transferencia::CodificacionArchivo::Tipo codificacion,
                         ColaTandas& cola, const std::vector<bool>& omitir) {
    transferencia::LectorTransferencia lector(archivo, codificacion);
    Registro r;
    QSet<QString> clientesEnTanda;
    auto tanda = cola.tomaVacia();
    const auto entrega = [&] {
        cola.entrega(std::move(tanda));
        tanda = cola.tomaVacia();
        clientesEnTanda.clear();
    };
    bool hayEncabezado = false;
    bool omitiendo = false;
    qint64 indice = -1;
    while (lector.siguiente(r)) {
        if (r.encabezado) {
            hayEncabezado = true;
            ++indice;
            omitiendo = std::size_t(indice) < omitir.size() && omitir[std::size_t(indice)];
            if (omitiendo)
                continue;
            // A full round goes once the next order begins, so it carries its last order's
            // lines: a file of whole rounds needs no round of lines alone at its end.
            if (tanda->pedidos.filas() >= pedidosPorTanda ||
                tanda->pedidos.bytes() >= bytesPorTanda)
                entrega();
            convierteEncabezado(r);
            tanda->pedidos.agregaFila(std::span(encabezado_.constData(), columnasPedido));
            tanda->encabezados.push_back({encabezado_[iSerie].toString(), r.linea, indice});
            // The first order of a customer in the round creates it; the insert leaves one
            // the table already holds as it is.
            const QString clave = encabezado_[iCliente].toString();
            if (!clientesEnTanda.contains(clave)) {
                clientesEnTanda.insert(clave);
                convierteCliente(r);
                tanda->clientes.agregaFila(clienteNuevo_);
                tanda->clavesClientes << clave;
                clienteNuevo_.fill(QVariant());
            }
            // The values are in the round: letting them go lets the reader decode the next
            // record into the same memory.
            encabezado_.fill(QVariant());
        } else if (!hayEncabezado) {
            ++tanda->renglonesOmitidos;
        } else if (omitiendo) {
            continue; // a line of an order left out
        } else {
            convierteRenglon(r);
            tanda->renglones.agregaFila(renglon_);
            tanda->pedidoDeRenglon.push_back(int(tanda->encabezados.size()) - 1);
            renglon_.fill(QVariant());
            if (tanda->renglones.filas() >= renglonesPorTanda ||
                tanda->renglones.bytes() + tanda->clientes.bytes() >= bytesPorTanda)
                entrega();
        }
    }
    if (lector.digesto() != digesto_)
        throw SubidaPedidos::ArchivoCambiado();
    tanda->ultima = true;
    cola.entrega(std::move(tanda));
}

} // namespace importacion
