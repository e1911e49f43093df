#include "import/SubidaPedidos.h"

#include "data/Bitacora.h"
#include "data/FormatoTransferencia.h"
#include "import/AnotacionImportados.h"
#include "import/ClientesQueFaltan.h"
#include "import/ColaTandas.h"
#include "import/ContadorFolios.h"
#include "import/DetalleRevision.h"
#include "import/InsercionEnBloque.h"
#include "import/LecturaPedidos.h"
#include "import/ProximoId.h"
#include "shell/host/BasesDD.h"

#include <QIODevice>
#include <algorithm>

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

SubidaPedidos::SubidaPedidos(host::Conexion& conexion, const LlamadasImportacion& llamadas,
                             const OpcionesImportacion& opciones,
                             const bitacora::Bitacora* bitacora, const QString& archivo)
    : conexion_(conexion), llamadas_(llamadas), opciones_(opciones),
      anotacion_(std::make_unique<AnotacionImportados>(bitacora, archivo)) {
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
    // Customers that exist already are left out of the rows (escribe); the key, where the
    // table has one, leaves any other as it is.
    claveUnicaClientes_ = ClaveUnicaEnClientes(conexion_);
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

void SubidaPedidos::buscaImportados() {
    const std::deque<PedidoLeido>& leidos = lectura_->pedidos();
    omitir_.assign(leidos.size(), false);
    const bool omite = opciones_.importados == Importados::Omitir;
    // In parts, so the fingerprints' texts of a large file are never all held at once.
    constexpr std::size_t porParte = 10000;
    for (std::size_t inicio = 0; inicio < leidos.size(); inicio += porParte) {
        const std::size_t fin = std::min(leidos.size(), inicio + porParte);
        QStringList huellas;
        for (std::size_t k = inicio; k < fin; ++k)
            huellas << leidos[k].huellaHex();
        QHash<QString, bitacora::HuellaRegistrada> registradas;
        try {
            registradas = bitacora::Bitacora::registradas(conexion_, huellas);
        } catch (const host::ErrorBdD& e) {
            // An unusable register does not stop the import, as a missing one does not: the
            // user is told that files imported before cannot be recognised.
            if (bitacora::detieneOperacion(e))
                throw;
            anotacion_->sinConsulta();
            cuentas_.avisos
                << (e.codigo() == 1142 || e.codigo() == 1143
                        ? QStringLiteral("No se pudo comprobar si los pedidos del archivo ya se "
                                         "habían importado: el usuario no puede leer la tabla %1.")
                              .arg(bitacora::Bitacora::tablaHuellas())
                        : QStringLiteral("No se pudo comprobar si los pedidos del archivo ya se "
                                         "habían importado: no se pudo leer la tabla %1 (%2).")
                              .arg(bitacora::Bitacora::tablaHuellas(),
                                   e.mensaje().section(QLatin1Char('\n'), 0, 0)));
            return;
        }
        for (std::size_t k = inicio; k < fin && !registradas.isEmpty(); ++k) {
            const QString& huella = huellas[qsizetype(k - inicio)];
            const auto h = registradas.constFind(huella);
            if (h == registradas.cend())
                continue;
            anotacion_->registrada(huella);
            const PedidoLeido& p = leidos[k];
            PedidoYaImportado y{p.linea,           p.origen, huella, h->primera,
                                h->primeraCorrida, h->veces, {},     omite};
            if (h->idNuevo)
                y.pedidoAnterior =
                    QStringLiteral("Id %1, folio %2").arg(h->idNuevo).arg(h->pedidoNuevo);
            cuentas_.yaImportados.push_back(y);
            if (omite) {
                omitir_[k] = true;
                folios_->descuenta(p.serie, 1);
                ++cuentas_.pedidosOmitidos;
                cuentas_.renglonesDeOmitidos += p.renglones;
            }
        }
    }
    if (!cuentas_.yaImportados.isEmpty() && opciones_.importados == Importados::Rechazar)
        throw YaImportados();
    totalPedidos_ -= cuentas_.pedidosOmitidos;
}

void SubidaPedidos::sube(QIODevice& archivo,
                         transferencia::CodificacionArchivo::Tipo codificacion) {
    // Nothing of an earlier, failed run carries over.
    cuentas_ = {};
    totalPedidos_ = lectura_->cuentas().pedidos;
    importados_.clear();
    anotacion_->vacia();
    // Counters first, Ids next and the register of imported orders last, the order every
    // import takes its locks in; nothing is read without a lock before, so what is read
    // next includes all committed before them. An import of the same orders waits here
    // until this one ends, and then finds them.
    folios_.reset();
    ids_.reset();
    folios_ = std::make_unique<ContadorFolios>(conexion_, lectura_->pedidosPorSerie());
    ids_ = std::make_unique<ProximoId>(conexion_);
    buscaImportados();
    importados_.reserve(totalPedidos_);
    detalle_.reset();
    if (opciones_.revisar)
        detalle_ = std::make_unique<DetalleRevision>(conexion_);
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
                lectura_->lee(archivo, codificacion, c, omitir_);
            });
        for (bool ultima = false; !ultima;) {
            auto tanda = cola.siguiente();
            escribe(*tanda);
            ultima = tanda->ultima;
            cola.devuelve(std::move(tanda));
        }
    }
    const QString lineas = lineasImportadas();
    if (!lineas.isEmpty())
        conexion_.ejecuta(QStringLiteral("UPDATE productos p JOIN (SELECT Producto, "
                                         "SUM(Cantidad) AS Suma FROM pedidosdetalle WHERE %1 "
                                         "GROUP BY Producto) x ON p.Clave=x.Producto SET "
                                         "p.PorVender=p.PorVender+x.Suma")
                              .arg(lineas));
    folios_->graba();
    cuentas_.clientesNuevos = cuentaClientes() - clientesAntes;
    cuentas_.descartes = lectura_->descartes();
    cuentas_.descartesTotal = lectura_->descartesTotal();
    if (detalle_) {
        cuentas_.clientes = detalle_->clientes();
        if (!lineas.isEmpty())
            cuentas_.existencias = detalle_->existencias(lineas);
    }
}

void SubidaPedidos::escribe(TandaPedidos& t) {
    const qint64 idAnterior = idActual_;
    idsTanda_.clear();
    foliosTanda_.clear();
    const std::deque<PedidoLeido>& leidos = lectura_->pedidos();
    for (const TandaPedidos::Encabezado& e : std::as_const(t.encabezados)) {
        if (llamadas_.cancelado())
            throw transferencia::Cancelado();
        idActual_ = ids_->siguiente();
        const qint32 folio = folios_->siguiente(e.serie);
        idsTanda_.push_back(idActual_);
        foliosTanda_.push_back(folio);
        ++cuentas_.pedidos;
        llamadas_.informa(cuentas_.pedidos, totalPedidos_);
        const PedidoLeido& leido = leidos[std::size_t(e.indice)];
        PedidoImportado p{idActual_, e.serie, folio, e.linea, leido.origen, leido.renglones};
        anotacion_->agrega(e.linea, leido.huellaHex(), p.id,
                           p.serie.isEmpty() ? QString::number(folio)
                                             : p.serie + QLatin1Char('-') + QString::number(folio));
        importados_.push_back(std::move(p));
    }
    idsRenglones_.clear();
    for (const int p : t.pedidoDeRenglon)
        idsRenglones_.push_back(p < 0 ? idAnterior : idsTanda_[std::size_t(p)]);
    t.pedidos.reemplazaEnteros(0, idsTanda_);
    t.pedidos.reemplazaEnteros(1, foliosTanda_);
    t.renglones.reemplazaEnteros(0, idsRenglones_);
    // Headers first, so each line's order is in before the line.
    insertaPedidos_->inserta(conexion_, t.pedidos);
    if (detalle_)
        detalle_->antesDeClientes(t.clavesClientes);
    // Only the customers the table lacks: its key on Clave, if any, is not relied on.
    t.clientes.conserva(ClientesQueFaltan(conexion_, t.clavesClientes, claveUnicaClientes_));
    insertaClientes_->inserta(conexion_, t.clientes);
    if (detalle_)
        detalle_->despuesDeClientes();
    insertaRenglones_->inserta(conexion_, t.renglones);
    anotacion_->escribe(conexion_);
    cuentas_.renglones += t.renglones.filas();
    cuentas_.renglonesOmitidos += t.renglonesOmitidos;
}

QString SubidaPedidos::lineasImportadas() const {
    // The Ids grow by one except where one in use was skipped: a few runs.
    QStringList tramos;
    for (qsizetype k = 0; k < importados_.size();) {
        qsizetype fin = k;
        while (fin + 1 < importados_.size() && importados_[fin + 1].id == importados_[fin].id + 1)
            ++fin;
        tramos << QStringLiteral("Id BETWEEN %1 AND %2")
                      .arg(importados_[k].id)
                      .arg(importados_[fin].id);
        k = fin + 1;
    }
    return tramos.isEmpty()
               ? QString()
               : QLatin1Char('(') + tramos.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

qint64 SubidaPedidos::cuentaClientes() {
    auto rs = conexion_.consulta(QStringLiteral("SELECT COUNT(*) FROM clientes"));
    return rs->entero(0);
}

} // namespace importacion
