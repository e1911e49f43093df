#include "import/SubidaPedidos.h"

#include "data/FormatoTransferencia.h"
#include "import/AnotacionImportados.h"
#include "import/ClientesQueFaltan.h"
#include "import/ColaTandas.h"
#include "import/ContadorFolios.h"
#include "import/DetalleRevision.h"
#include "import/InsercionEnBloque.h"
#include "import/LargoColumnas.h"
#include "import/LecturaPedidos.h"
#include "import/PedidosGuardados.h"
#include "import/ProximoId.h"
#include "journal/Bitacora.h"
#include "sales/PorVender.h"
#include "shell/host/BasesDD.h"

#include <QIODevice>
#include <algorithm>
#include <future>
#include <optional>

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
    auto tablas = host::TablaInsercion::abre(
        conexion_,
        {QStringLiteral("pedidos"), QStringLiteral("pedidosdetalle"), QStringLiteral("clientes")});
    pedidos_ = std::move(tablas[0]);
    renglones_ = std::move(tablas[1]);
    clientes_ = std::move(tablas[2]);

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
    LeeLargoColumnas(conexion_, {{QStringLiteral("pedidos"), &encabezado},
                                 {QStringLiteral("pedidosdetalle"), &renglon},
                                 {QStringLiteral("clientes"), &cliente},
                                 {QStringLiteral("clientes"), &clienteNuevo}});
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
    const bool omite = opciones_.importados == Importados::Omitir;
    if (opciones_.importados == Importados::Rechazar &&
        anotacion_->registraDeAntemano(conexion_, leidos))
        return;
    // In parts, so the fingerprints' texts of a large file are never all held at once.
    constexpr std::size_t porParte = 10000;
    for (std::size_t inicio = 0; inicio < leidos.size(); inicio += porParte) {
        const std::size_t fin = std::min(leidos.size(), inicio + porParte);
        QStringList huellas;
        for (std::size_t k = inicio; k < fin; ++k)
            huellas << leidos[k].huellaHex();
        QHash<QString, bitacora::HuellaRegistrada> registradas;
        try {
            registradas = bitacora::ConsultasBitacora::registradas(conexion_, huellas);
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
                              .arg(bitacora::EsquemaBitacora::tablaHuellas())
                        : QStringLiteral("No se pudo comprobar si los pedidos del archivo ya se "
                                         "habían importado: no se pudo leer la tabla %1 (%2).")
                              .arg(bitacora::EsquemaBitacora::tablaHuellas(),
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
    // Which orders to leave out is known only after the look-up; an import that leaves out
    // none reads its first rounds meanwhile, while the server takes the look-up or the
    // register's rows.
    omitir_.assign(lectura_->pedidos().size(), false);
    std::optional<ColaTandas> cola;
    const auto lee = [&] {
        cola.emplace(
            tandasEnCurso,
            [this] {
                return std::make_unique<TandaPedidos>(columnasPedido_, columnasCliente_,
                                                      columnasRenglon_);
            },
            [this, &archivo, codificacion](ColaTandas& c) {
                lectura_->lee(archivo, codificacion, c, omitir_);
            });
    };
    const bool leeAntes = opciones_.importados != Importados::Omitir;
    if (leeAntes)
        lee();
    buscaImportados();
    if (!leeAntes)
        lee();
    importados_.reserve(totalPedidos_);
    detalle_.reset();
    if (opciones_.revisar)
        detalle_ = std::make_unique<DetalleRevision>(conexion_);
    // Both counts read the transaction's own view, so others' customers do not count.
    const qint64 clientesAntes = cuentaClientes();
    for (bool ultima = false; !ultima;) {
        auto tanda = cola->siguiente();
        escribe(*tanda);
        ultima = tanda->ultima;
        cola->devuelve(std::move(tanda));
    }
    cola.reset();
    anotacion_->termina(conexion_);
    // Each order holds exactly its lines of the file, whatever a trigger did with them.
    compruebaRenglones();
    const QString lineas = lineasImportadas();
    if (!lineas.isEmpty())
        conexion_.ejecuta(acumulacion::PorVender::cambia(
            QStringLiteral("productos"), QStringLiteral("pedidosdetalle"),
            QStringLiteral("Cantidad"), lineas, acumulacion::PorVender::Sentido::Sube));
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
    QVector<PedidosGuardados::Dado> dados;
    dados.reserve(t.encabezados.size());
    for (const TandaPedidos::Encabezado& e : std::as_const(t.encabezados)) {
        if (llamadas_.cancelado())
            throw transferencia::Cancelado();
        dados.push_back({ids_->siguiente(), e.serie, folios_->siguiente(e.serie), e.linea});
        idsTanda_.push_back(dados.back().id);
        foliosTanda_.push_back(dados.back().folio);
        ++cuentas_.pedidos;
        llamadas_.informa(cuentas_.pedidos, totalPedidos_);
    }
    t.pedidos.reemplazaEnteros(0, idsTanda_);
    t.pedidos.reemplazaEnteros(1, foliosTanda_);
    // Headers first, so each line's order is in before the line; then what the server
    // stored, which a trigger may have changed, goes to the lines, the journal and the report.
    insertaPedidos_->inserta(conexion_, t.pedidos);
    const QVector<PedidosGuardados::Dado> guardados = PedidosGuardados::lee(conexion_, dados);
    const std::deque<PedidoLeido>& leidos = lectura_->pedidos();
    for (qsizetype k = 0; k < guardados.size(); ++k) {
        const PedidosGuardados::Dado& g = guardados[k];
        const PedidoLeido& leido = leidos[std::size_t(t.encabezados[k].indice)];
        PedidoImportado p{g.id, g.serie, qint32(g.folio), g.linea, leido.origen, leido.renglones};
        importados_.push_back(std::move(p));
        idsTanda_[std::size_t(k)] = g.id;
        idActual_ = g.id;
    }
    idsRenglones_.clear();
    for (const int p : t.pedidoDeRenglon)
        idsRenglones_.push_back(p < 0 ? idAnterior : idsTanda_[std::size_t(p)]);
    t.renglones.reemplazaEnteros(0, idsRenglones_);
    // The journal's rows of the round (digests, fingerprints) are worked out while the server
    // stores its customers and lines: they only read the round's orders and lines, which
    // nothing changes meanwhile. Leaving early waits for them (the future's end).
    std::future<void> anotada;
    if (anotacion_->activa())
        anotada = std::async(std::launch::async, [&] { anotacion_->ronda(t, guardados, leidos); });
    if (detalle_)
        detalle_->antesDeClientes(t.clavesClientes);
    // Only the customers the table lacks: its key on Clave, if any, is not relied on.
    const std::vector<char> faltan =
        ClientesQueFaltan(conexion_, t.clavesClientes, claveUnicaClientes_);
    t.clientes.conserva(faltan);
    insertaClientes_->inserta(conexion_, t.clientes);
    if (detalle_)
        detalle_->despuesDeClientes();
    insertaRenglones_->inserta(conexion_, t.renglones);
    if (anotada.valid())
        anotada.get();
    anotacion_->clientes(t.clavesClientes, faltan);
    anotacion_->escribe(conexion_);
    cuentas_.renglones += t.renglones.filas();
    cuentas_.renglonesOmitidos += t.renglonesOmitidos;
}

QString SubidaPedidos::lineasImportadas() const {
    std::vector<qint64> ids;
    ids.reserve(std::size_t(importados_.size()));
    for (const PedidoImportado& p : importados_)
        ids.push_back(p.id);
    return PedidosGuardados::condicion(ids);
}

void SubidaPedidos::compruebaRenglones() {
    QVector<PedidosGuardados::Dado> guardados;
    QVector<int> renglones;
    guardados.reserve(importados_.size());
    renglones.reserve(importados_.size());
    for (const PedidoImportado& p : std::as_const(importados_)) {
        guardados.push_back({p.id, p.serie, p.folio, p.linea});
        renglones.push_back(p.renglones);
    }
    PedidosGuardados::compruebaRenglones(conexion_, guardados, renglones);
}

qint64 SubidaPedidos::cuentaClientes() {
    auto rs = conexion_.consulta(QStringLiteral("SELECT COUNT(*) FROM clientes"));
    return rs->entero(0);
}

} // namespace importacion
