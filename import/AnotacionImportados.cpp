#include "import/AnotacionImportados.h"

#include "data/FormatoTransferencia.h"
#include "import/LecturaPedidos.h"
#include "journal/Bitacora.h"
#include "shell/host/Conexion.h"
#include "shell/host/ErrorBdD.h"

#include <algorithm>
#include <array>

namespace importacion {

using bitacora::Bitacora;
using bitacora::EsquemaBitacora;
using bitacora::ResumenPedido;

namespace {

// About a MB of rows a statement: a few large statements cost the import far less than many
// small ones.
constexpr qsizetype porSentencia = 1 << 20;

// Where each value of a row of the round starts in its column's texts.
std::vector<std::size_t> inicios(const FilasEnBloque& filas, int k) {
    std::vector<std::size_t> salida;
    salida.reserve(filas.largos(k).size());
    std::size_t en = 0;
    for (const unsigned long largo : filas.largos(k)) {
        salida.push_back(en);
        en += largo;
    }
    return salida;
}

// The columns of the round's rows the digest reads: a header row holds Id, then the file's
// header fields from Factura on; a line row Id, then the line fields.
std::array<int, 4> columnasEncabezado() {
    const QStringList& campos = transferencia::columnasEncabezado();
    return {int(campos.indexOf(QStringLiteral("Cliente"))) + 1,
            int(campos.indexOf(QStringLiteral("Fecha"))) + 1,
            int(campos.indexOf(QStringLiteral("Subtotal"))) + 1,
            int(campos.indexOf(QStringLiteral("IVA"))) + 1};
}
std::array<int, 5> columnasRenglon() {
    std::array<int, 5> salida{};
    const QStringList& digest = ResumenPedido::columnasRenglon();
    for (int k = 0; k < 5; ++k)
        salida[std::size_t(k)] = int(transferencia::columnasRenglon().indexOf(digest[k])) + 1;
    return salida;
}

} // namespace

AnotacionImportados::AnotacionImportados(const Bitacora* bitacora, const QString& archivo)
    : pedidos_(7), nuevas_(4), repetidas_(4), clientes_(2) {
    activa_ = bitacora && bitacora->activa();
    if (!activa_)
        return;
    resumenClientes_ = bitacora->resumenClientes();
    corrida_ = bitacora->corrida();
    archivo_ = archivo.left(1024); // as the journal keeps files
    const QByteArray corrida = QByteArray::number(bitacora->corrida());
    insertaPedidos_ = std::make_unique<InsercionEnBloque>(
        QStringLiteral("INSERT INTO %1 (Corrida, Archivo, Linea, Huella, IdNuevo, PedidoNuevo, "
                       "Resumen) VALUES ")
            .arg(EsquemaBitacora::tablaPedidos())
            .toUtf8(),
        7);
    // A fingerprint the look-up did not find goes in as a new row: when another import
    // stored it meanwhile (through another node of a cluster, whose rows a locking read
    // does not hold back), the duplicate key undoes this transaction instead of letting the
    // orders in twice. One seen before counts once more, with this run as its last.
    const QByteArray huellas = QStringLiteral("INSERT INTO %1 (Huella, PrimeraCorrida, "
                                              "UltimaCorrida, Veces) VALUES ")
                                   .arg(EsquemaBitacora::tablaHuellas())
                                   .toUtf8();
    insertaNuevas_ = std::make_unique<InsercionEnBloque>(huellas, 4);
    insertaRepetidas_ = std::make_unique<InsercionEnBloque>(
        huellas, 4, " ON DUPLICATE KEY UPDATE Veces=Veces+1, UltimaCorrida=" + corrida);
    insertaClientes_ = std::make_unique<InsercionEnBloque>(
        QStringLiteral("INSERT INTO %1 (Corrida, Clave) VALUES ")
            .arg(EsquemaBitacora::tablaClientes())
            .toUtf8(),
        2);
}

void AnotacionImportados::agrega(const Abierto& a) {
    const QVariant pedidoFila[] = {corrida_, archivo_, a.linea,          a.huella,
                                   a.id,     a.pedido, a.resumen.texto()};
    pedidos_.agregaFila(pedidoFila);
    if (registrado_)
        return;
    const QVariant huellaFila[] = {a.huella, corrida_, corrida_, 1};
    if (sinConsulta_ || registradas_.contains(a.huella) || escritas_.contains(a.huella)) {
        repetidas_.agregaFila(huellaFila);
    } else {
        nuevas_.agregaFila(huellaFila);
        escritas_.insert(a.huella);
    }
}

bool AnotacionImportados::registraDeAntemano(host::Conexion& conexion,
                                             const std::deque<PedidoLeido>& leidos) {
    if (!activa_ || leidos.empty())
        return false;
    // In the register's own order; an order the file holds twice counts twice, as when
    // its rows are written one by one.
    std::vector<QString> huellas;
    huellas.reserve(leidos.size());
    for (const PedidoLeido& p : leidos)
        huellas.push_back(p.huellaHex());
    std::sort(huellas.begin(), huellas.end());
    try {
        conexion.ejecuta(QStringLiteral("SAVEPOINT acumulapedidos_registro"));
        for (std::size_t i = 0; i < huellas.size();) {
            std::size_t j = i;
            while (j < huellas.size() && huellas[j] == huellas[i])
                ++j;
            const QVariant fila[] = {huellas[i], corrida_, corrida_, qint64(j - i)};
            nuevas_.agregaFila(fila);
            i = j;
            if (nuevas_.bytes() >= porSentencia || i == huellas.size()) {
                insertaNuevas_->inserta(conexion, nuevas_);
                nuevas_.vacia();
            }
        }
    } catch (const host::ErrorBdD& e) {
        nuevas_.vacia();
        if (bitacora::detieneOperacion(e))
            throw;
        // A duplicate key (a fingerprint there already) or a register that takes no rows:
        // what this did is undone, and the look-up tells which and why.
        try {
            conexion.ejecuta(QStringLiteral("ROLLBACK TO SAVEPOINT acumulapedidos_registro"));
        } catch (const host::ErrorBdD&) {
            throw e;
        }
        return false;
    }
    registrado_ = true;
    return true;
}

void AnotacionImportados::ronda(const TandaPedidos& t,
                                const QVector<PedidosGuardados::Dado>& guardados,
                                const std::deque<PedidoLeido>& leidos) {
    if (!activa_)
        return;
    std::vector<Abierto> abiertos(std::size_t(guardados.size()));
    static const std::array<int, 4> encabezado = columnasEncabezado();
    std::array<std::vector<std::size_t>, 4> enEncabezado;
    for (std::size_t c = 0; c < 4; ++c)
        enEncabezado[c] = inicios(t.pedidos, encabezado[c]);
    for (qsizetype k = 0; k < guardados.size(); ++k) {
        const PedidosGuardados::Dado& g = guardados[k];
        Abierto& a = abiertos[std::size_t(k)];
        a.linea = g.linea;
        a.huella = leidos[std::size_t(t.encabezados[k].indice)].huellaHex();
        a.id = g.id;
        a.pedido = g.serie.isEmpty() ? QString::number(g.folio)
                                     : g.serie + QLatin1Char('-') + QString::number(g.folio);
        // The series and folio the server stored, then the fields as bound.
        a.resumen.encabezado(g.serie.toUtf8(), false);
        a.resumen.encabezado(QByteArray::number(g.folio), false);
        for (std::size_t c = 0; c < 4; ++c) {
            const int col = encabezado[c];
            const bool nulo = t.pedidos.nulos(col)[std::size_t(k)] != 0;
            a.resumen.encabezado(
                QByteArrayView(t.pedidos.datos(col) + enEncabezado[c][std::size_t(k)],
                               qsizetype(t.pedidos.largos(col)[std::size_t(k)])),
                nulo);
        }
    }
    static const std::array<int, 5> renglon = columnasRenglon();
    std::array<std::vector<std::size_t>, 5> enRenglon;
    for (std::size_t c = 0; c < 5; ++c)
        enRenglon[c] = inicios(t.renglones, renglon[c]);
    for (std::size_t r = 0; r < t.pedidoDeRenglon.size(); ++r) {
        const int p = t.pedidoDeRenglon[r];
        Abierto* a = p < 0 ? (abierto_ ? &*abierto_ : nullptr) : &abiertos[std::size_t(p)];
        if (!a)
            continue;
        QByteArrayView valores[5];
        bool nulos[5];
        for (std::size_t c = 0; c < 5; ++c) {
            const int col = renglon[c];
            valores[c] = QByteArrayView(t.renglones.datos(col) + enRenglon[c][r],
                                        qsizetype(t.renglones.largos(col)[r]));
            nulos[c] = t.renglones.nulos(col)[r] != 0;
        }
        a->resumen.renglon(valores, nulos);
    }
    if (abiertos.empty())
        return;
    if (abierto_)
        agrega(*abierto_);
    for (std::size_t k = 0; k + 1 < abiertos.size(); ++k)
        agrega(abiertos[k]);
    abierto_ = std::move(abiertos.back());
}

void AnotacionImportados::clientes(const QStringList& claves, const std::vector<char>& faltan) {
    if (!activa_)
        return;
    for (qsizetype k = 0; k < claves.size(); ++k) {
        if (!faltan[std::size_t(k)])
            continue;
        if (resumenClientes_) {
            clavesClientes_ << claves[k];
            continue;
        }
        const QVariant fila[] = {corrida_, claves[k]};
        clientes_.agregaFila(fila);
    }
}

void AnotacionImportados::escribe(host::Conexion& conexion) {
    // A customer whose digest the server takes counts as about a row of the others.
    constexpr qsizetype bytesCliente = 64;
    if (activa_ && pedidos_.bytes() + nuevas_.bytes() + repetidas_.bytes() + clientes_.bytes() +
                           clavesClientes_.size() * bytesCliente >=
                       porSentencia)
        inserta(conexion);
}

void AnotacionImportados::termina(host::Conexion& conexion) {
    if (!activa_)
        return;
    if (abierto_)
        agrega(*abierto_);
    abierto_.reset();
    inserta(conexion);
}

void AnotacionImportados::inserta(host::Conexion& conexion) {
    insertaPedidos_->inserta(conexion, pedidos_);
    insertaNuevas_->inserta(conexion, nuevas_);
    insertaRepetidas_->inserta(conexion, repetidas_);
    insertaClientes_->inserta(conexion, clientes_);
    if (!clavesClientes_.isEmpty()) {
        // As stored, a trigger's changes included: what an undo compares with. The server
        // works the digests out from the rows the round just wrote.
        if (!resumenCliente_)
            resumenCliente_ =
                std::make_unique<bitacora::ResumenCliente>(conexion, QStringLiteral("clientes"));
        resumenCliente_->anota(corrida_.toLongLong(), clavesClientes_);
        clavesClientes_.clear();
    }
    pedidos_.vacia();
    nuevas_.vacia();
    repetidas_.vacia();
    clientes_.vacia();
}

void AnotacionImportados::vacia() {
    pedidos_.vacia();
    nuevas_.vacia();
    repetidas_.vacia();
    clientes_.vacia();
    clavesClientes_.clear();
    registradas_.clear();
    escritas_.clear();
    sinConsulta_ = false;
    registrado_ = false;
    abierto_.reset();
}

} // namespace importacion
