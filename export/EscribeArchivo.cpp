#include "export/Exportacion.h"

#include "data/ErrorTransferencia.h"
#include "data/EscritorTransferencia.h"
#include "data/FormatoTransferencia.h"
#include "shell/Cantidad.h"
#include "shell/host/ArchivoNuevo.h"
#include "shell/host/Conexion.h"
#include "shell/host/FalloSistema.h"
#include "shell/host/Recordset.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <future>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

using host::ClaseCampo;
using transferencia::EscritorTransferencia;

namespace exportacion {

namespace {

// Orders per pair of queries: few round trips, and memory that does not grow with the file.
constexpr int pedidosPorTanda = 1000;
// Orders of the list one pass over the tables keeps: some 2 KB each with their lines.
constexpr qsizetype pedidosPorPasada = 25000;
// The tables are read by passes when a pass keeps at least 1/partePorPasada of the orders.
constexpr qint64 partePorPasada = 3;

// Positions in the header query: the Id, the 34 order fields, then the customer's key and
// its 5 fields.
constexpr int posId = 0;
constexpr int posPrimerCampo = 1;
constexpr int posClaveCliente = 35;
constexpr int posPrimerCliente = 36;

QString listaColumnas(const QString& alias, const QStringList& columnas) {
    QStringList salida;
    for (const QString& c : columnas)
        salida << alias + host::Conexion::identificador(c);
    return salida.join(QLatin1Char(','));
}

// The headers with their customers: those of n Ids, or every one (n = 0).
QString consultaEncabezados(int n) {
    static const QString columnas =
        QStringLiteral("p.Id,") +
        listaColumnas(QStringLiteral("p."), transferencia::columnasEncabezado()) +
        QStringLiteral(",c.Clave,") +
        listaColumnas(QStringLiteral("c."), transferencia::columnasCliente());
    const QString todos =
        QStringLiteral("SELECT %1 FROM pedidos p LEFT JOIN clientes c ON c.Clave=p.Cliente")
            .arg(columnas);
    return n == 0 ? todos
                  : todos + QStringLiteral(" WHERE p.Id IN (%1)")
                                .arg(QStringLiteral("?,").repeated(n).chopped(1));
}

// The lines of n Ids, or every one (n = 0) in the order the server keeps them.
QString consultaRenglones(int n) {
    static const QString todos =
        QStringLiteral("SELECT Id,%1 FROM pedidosdetalle")
            .arg(listaColumnas(QString(), transferencia::columnasRenglon()));
    return n == 0 ? todos
                  : todos + QStringLiteral(" WHERE Id IN (%1)")
                                .arg(QStringLiteral("?,").repeated(n).chopped(1));
}

// The rows of one read, copied out of the result so they can be written in the order of
// the marked list rather than the server's (sorting on the server costs more than the whole
// export). The rows of an Id go by the number in column orden (the lines by Partida: the
// server gives them in the order they were stored, which an edited order may have mixed).
class FilasCopiadas {
public:
    // filasPrevistas only sizes the first allocations; orden is -1 when an Id has one row.
    // With solo, only the rows of those Ids are kept.
    FilasCopiadas(host::Recordset& rs, qsizetype filasPrevistas, int orden = -1,
                  const QSet<qint64>* solo = nullptr)
        : columnas_(rs.listaColumnas()) {
        ancho_ = int(columnas_.size());
        const qsizetype celdas = filasPrevistas * ancho_;
        inicio_.reserve(celdas);
        largo_.reserve(celdas);
        datos_.reserve(celdas * 8);
        QVector<std::tuple<qint64, qint64, int>> ids; // Id, orden, row
        ids.reserve(filasPrevistas);
        for (int fila = 0; !rs.eof(); rs.MoveNext()) {
            const qint64 id = rs.entero(0);
            if (solo && !solo->contains(id))
                continue;
            ids.push_back({id, orden < 0 ? 0 : rs.entero(orden), fila++});
            for (int c = 0; c < ancho_; ++c) {
                inicio_.push_back(qint32(datos_.size()));
                if (rs.esNulo(c)) {
                    largo_.push_back(-1);
                } else {
                    const QByteArrayView v = rs.vista(c);
                    largo_.push_back(qint32(v.size()));
                    datos_.insert(datos_.end(), v.begin(), v.end());
                }
            }
        }
        std::sort(ids.begin(), ids.end());
        orden_.reserve(ids.size());
        for (qsizetype k = 0; k < ids.size(); ++k) {
            const qint64 id = std::get<0>(ids[k]);
            orden_.push_back(std::get<2>(ids[k]));
            if (k == 0 || id != std::get<0>(ids[k - 1]))
                porId_.insert(id, {int(k), int(k) + 1});
            else
                porId_[id].second = int(k) + 1;
        }
    }
    // The Id's rows are fila(k) for k in [first, second); empty when it has none.
    std::pair<int, int> deId(qint64 id) const { return porId_.value(id, {0, 0}); }
    int fila(int k) const { return orden_[k]; }
    const host::Columna& columna(int c) const { return columnas_[c]; }
    bool nulo(int fila, int c) const { return largo_[fila * ancho_ + c] < 0; }
    QByteArrayView celda(int fila, int c) const {
        const int k = fila * ancho_ + c;
        return largo_[k] < 0 ? QByteArrayView()
                             : QByteArrayView(datos_.data() + inicio_[k], largo_[k]);
    }

private:
    QVector<host::Columna> columnas_;
    int ancho_ = 0;
    std::vector<char> datos_;
    std::vector<qint32> inicio_, largo_;
    QVector<int> orden_;
    QHash<qint64, std::pair<int, int>> porId_;
};

// One value after its column's kind; gives how many characters did not fit the code page.
int escribeValor(EscritorTransferencia& w, const FilasCopiadas& f, int fila, int c) {
    if (f.nulo(fila, c)) {
        w.nulo();
        return 0;
    }
    const QByteArrayView v = f.celda(fila, c);
    switch (f.columna(c).clase) {
    case ClaseCampo::Entero:
    case ClaseCampo::Decimal:
        w.numero(v);
        return 0;
    case ClaseCampo::Logico:
        w.logico(v != "0");
        return 0;
    case ClaseCampo::Fecha:
    case ClaseCampo::FechaHora:
        w.fechaServidor(v);
        return 0;
    default:
        return w.textoUtf8(v);
    }
}

// The orders of one read, in the order of the list, with their customers and lines: a batch
// (each Id once), or a pass over the tables (an Id may come again).
struct Lote {
    QVector<qint64> ids;
    std::shared_ptr<const FilasCopiadas> encabezados, renglones;
};

// Reads the orders for the writer, by one of two plans. By batch: the headers of up to
// pedidosPorTanda Ids on the caller's connection and, for a long list, their lines at the
// same time on a second connection, looked up through the tables' indexes. By pass, for a
// selection that is a large share of the table: both tables read whole, each on its own
// connection, keeping the rows of the next pedidosPorPasada orders of the list, which is what
// is held in memory (with the next pass, read while this one is written).
class Lectura {
public:
    Lectura(host::Conexion& principal, bool conSegunda, bool porPasadas)
        : principal_(principal), porPasadas_(porPasadas) {
        if (!conSegunda)
            return;
        try {
            segunda_ = principal.otra();
        } catch (const host::ErrorBdD&) {
            // Without a second connection both reads take turns on the first.
            segunda_.reset();
        }
    }

    Lote carga(QVector<qint64> ids) {
        Lote lote;
        if (ids.isEmpty())
            return lote;
        QVariantList valores;
        std::optional<QSet<qint64>> solo;
        if (porPasadas_)
            solo.emplace(ids.cbegin(), ids.cend());
        else
            for (qint64 id : ids)
                valores << id;
        // By pass every row of the tables is read and those of the pass kept.
        const int n = porPasadas_ ? 0 : int(ids.size());
        const qsizetype previstos = porPasadas_ ? solo->size() : n;
        const QSet<qint64>* filtro = solo ? &*solo : nullptr;
        const auto lee = [&](host::Conexion& c, const QString& sql, qsizetype filas, int orden) {
            auto rs = c.consulta(sql, valores, host::Conexion::Lectura::EnFlujo);
            return std::make_shared<const FilasCopiadas>(*rs, filas, orden, filtro);
        };
        const auto renglones = [&](host::Conexion& c) {
            return lee(c, consultaRenglones(n), previstos * 6, 1); // 1: Partida
        };
        std::future<std::shared_ptr<const FilasCopiadas>> enParalelo;
        if (segunda_)
            enParalelo = std::async(std::launch::async, renglones, std::ref(*segunda_));
        lote.encabezados = lee(principal_, consultaEncabezados(n), previstos, -1);
        lote.renglones = segunda_ ? enParalelo.get() : renglones(principal_);
        lote.ids = std::move(ids);
        return lote;
    }

private:
    host::Conexion& principal_;
    const bool porPasadas_;
    std::unique_ptr<host::Conexion> segunda_;
};

// The next pass from position desde of the list: up to pedidosPorPasada Ids.
QVector<qint64> siguientePasada(const QVector<qint64>& ids, qsizetype& desde) {
    const qsizetype n = std::min(pedidosPorPasada, ids.size() - desde);
    desde += n;
    return ids.mid(desde - n, n);
}

// The next batch from position desde of the list: up to pedidosPorTanda Ids, ending before
// an Id repeats (an order marked twice is written twice).
QVector<qint64> siguienteLote(const QVector<qint64>& ids, qsizetype& desde) {
    QVector<qint64> lote;
    QSet<qint64> vistos;
    for (; desde < ids.size() && lote.size() < pedidosPorTanda; ++desde) {
        if (vistos.contains(ids[desde]))
            break;
        vistos.insert(ids[desde]);
        lote << ids[desde];
    }
    return lote;
}

class Escritura {
public:
    Escritura(EscritorTransferencia& w, ResultadoExportacion& r) : w_(w), r_(r) {}

    // Writes one read, in the order of its Ids; every pedidosPorTanda orders and at its end,
    // hands over those written.
    void escribe(const Lote& lote, const transferencia::Avance& avance, qint64& hechos,
                 qint64 total, const TandaEscrita& tandaEscrita) {
        for (qsizetype k = 0; k < lote.ids.size(); ++k) {
            if (tandaEscrita && k > 0 && k % pedidosPorTanda == 0)
                tandaEscrita(std::exchange(escritos_, {}));
            const qint64 id = lote.ids[k];
            if (avance.cancelado())
                throw transferencia::Cancelado();
            const auto [primera, fin] = lote.encabezados->deId(id);
            if (primera < fin) {
                encabezado(*lote.encabezados, lote.encabezados->fila(primera));
                bitacora::PedidoAnotado escrito;
                escrito.idOrigen = id;
                escrito.pedidoOrigen = serieFolio();
                const auto [desde, hasta] = lote.renglones->deId(id);
                for (int k = desde; k < hasta; ++k)
                    renglon(*lote.renglones, lote.renglones->fila(k));
                // The digest the import computes of the order, so that what arrived can be
                // told from the destination's register.
                if (tandaEscrita)
                    escrito.huella = w_.tomaHuella();
                escritos_.push_back(std::move(escrito));
            } else {
                // Deleted meanwhile: skipped, with any lines it left behind.
                ++r_.omitidos;
            }
            avance.informa(++hechos, total);
        }
        if (tandaEscrita)
            tandaEscrita(std::exchange(escritos_, {}));
    }

private:
    // "A-12" for the header being written, "12" in the series without name.
    QString serieFolio() const {
        const QString serie = texto(*encabezados_, fila_, posPrimerCampo + 1).trimmed();
        const QString folio = texto(*encabezados_, fila_, posPrimerCampo);
        return serie.isEmpty() ? folio : serie + QLatin1Char('-') + folio;
    }

    // "Pedido A-12 (Id 34)" for the header being written; built only for a warning.
    QString pedido() const {
        return QStringLiteral("Pedido %1 (Id %2)")
            .arg(serieFolio(), texto(*encabezados_, fila_, posId));
    }

    void aviso(int fuera, const QString& donde, const QString& campo) {
        r_.avisos << QStringLiteral("%1, campo %2: %3")
                         .arg(donde, campo,
                              fuera == 1 ? QStringLiteral("1 carácter que el archivo no admite "
                                                          "se escribió como \"?\".")
                                         : QStringLiteral("%1 caracteres que el archivo no "
                                                          "admite se escribieron como \"?\".")
                                               .arg(fuera));
    }

    QString texto(const FilasCopiadas& f, int fila, int c) const {
        return QString::fromUtf8(f.celda(fila, c));
    }

    void encabezado(const FilasCopiadas& f, int fila) {
        encabezados_ = &f;
        fila_ = fila;
        w_.texto(u"M");
        const QStringList& nombres = transferencia::columnasEncabezado();
        for (int i = 0; i < nombres.size(); ++i) {
            const int c = posPrimerCampo + i;
            if (i == 3 || i == 4) {
                // The two dates of the header are "dd/mmm/yyyy" texts.
                const QDate fecha =
                    QDate::fromString(QString::fromLatin1(f.celda(fila, c).first(
                                          std::min<qsizetype>(10, f.celda(fila, c).size()))),
                                      Qt::ISODate);
                if (fecha.isValid())
                    w_.fechaTexto(fecha);
                else
                    w_.nulo();
            } else if (const int fuera = escribeValor(w_, f, fila, c)) {
                aviso(fuera, pedido(), nombres[i]);
            }
        }
        const QStringList& cliente = transferencia::columnasCliente();
        if (f.nulo(fila, posClaveCliente)) {
            // No such customer: empty texts and price list 1.
            for (int i = 0; i < 4; ++i)
                w_.texto(u"");
            w_.entero(1);
        } else {
            for (int i = 0; i < cliente.size(); ++i)
                if (const int fuera = escribeValor(w_, f, fila, posPrimerCliente + i))
                    aviso(fuera, pedido(), cliente[i]);
        }
        w_.finRegistro();
        ++r_.pedidos;
    }

    void renglon(const FilasCopiadas& f, int fila) {
        w_.texto(u"D");
        const QStringList& nombres = transferencia::columnasRenglon();
        for (int i = 0; i < nombres.size(); ++i) {
            const int fuera = escribeValor(w_, f, fila, i + 1);
            if (fuera > 0)
                aviso(fuera, QStringLiteral("%1, renglón %2").arg(pedido(), texto(f, fila, 1)),
                      nombres[i]);
        }
        w_.finRegistro();
        ++r_.renglones;
    }

    EscritorTransferencia& w_;
    ResultadoExportacion& r_;
    const FilasCopiadas* encabezados_ = nullptr; // the header being written
    int fila_ = 0;
    QVector<bitacora::PedidoAnotado> escritos_; // written and not yet handed over
};

} // namespace

ResultadoExportacion EscribeArchivo(host::Conexion& conexion, const QVector<qint64>& ids,
                                    const QString& nombre, const QString& carpetaPrograma,
                                    const transferencia::Avance& avance, const QStringList& propios,
                                    const TandaEscrita& tandaEscrita, PlanLectura plan,
                                    host::ArchivoNuevo::SiHayNombre siHay) {
    ResultadoExportacion r;
    r.mensaje = CompruebaNombre(nombre, carpetaPrograma, propios);
    if (!r.mensaje.isEmpty())
        return r;
    r.archivo = QDir::cleanPath(
        QDir(carpetaPrograma).absoluteFilePath(transferencia::nombreArchivo(nombre)));
    host::ArchivoNuevo nuevo(r.archivo);
    if (!nuevo.abre()) {
        r.mensaje = QStringLiteral("No se pudo crear el archivo %1. %2")
                        .arg(QDir::toNativeSeparators(r.archivo), nuevo.fallo().texto());
        return r;
    }
    QFileDevice& salida = nuevo.dispositivo();
    try {
        EscritorTransferencia w(salida);
        if (tandaEscrita)
            w.calculaHuellas();
        Escritura escritura(w, r);
        qint64 hechos = 0;
        qsizetype desde = 0;
        const bool porPasadas =
            (plan == PlanLectura::Automatico ? EligePlanLectura(conexion, ids.size()) : plan) ==
            PlanLectura::PorPasadas;
        Lectura lectura(conexion, ids.size() > pedidosPorTanda, porPasadas);
        const auto carga = [&lectura](QVector<qint64> lote) {
            return lectura.carga(std::move(lote));
        };
        // The next read is done by the server while this one is written.
        const auto pide = [&] {
            return std::async(std::launch::async, carga,
                              porPasadas ? siguientePasada(ids, desde) : siguienteLote(ids, desde));
        };
        auto siguiente = pide();
        while (true) {
            const Lote lote = siguiente.get();
            if (lote.ids.isEmpty())
                break;
            siguiente = pide();
            escritura.escribe(lote, avance, hechos, ids.size(), tandaEscrita);
        }
        w.termina();
    } catch (const transferencia::Cancelado&) {
        nuevo.descarta();
        r.cancelado = true;
        r.mensaje = QStringLiteral("Se canceló la exportación; no se escribió el archivo.");
        return r;
    } catch (const transferencia::ErrorTransferencia& e) {
        const int numero = errno;
        // A failed write is told in the system's terms; other faults of the file in the
        // writer's own.
        const QString motivo = salida.error() != QFileDevice::NoError
                                   ? host::FalloSistema::deArchivo(salida, numero).texto()
                                   : e.mensaje();
        nuevo.descarta();
        r.mensaje = QStringLiteral("No se escribió el archivo %1. %2")
                        .arg(QDir::toNativeSeparators(r.archivo), motivo);
        return r;
    } catch (const host::ErrorBdD& e) {
        nuevo.descarta();
        r.mensaje = QStringLiteral("No se escribió el archivo %1: falló la lectura de los "
                                   "pedidos.\n%2")
                        .arg(QDir::toNativeSeparators(r.archivo), e.mensaje());
        return r;
    }
    if (!nuevo.confirma(siHay)) {
        r.nombreOcupado = nuevo.nombreOcupado();
        if (r.nombreOcupado) {
            r.mensaje = MensajeNombreOcupado(r.archivo);
            return r;
        }
        r.mensaje = QStringLiteral("No se pudo terminar de escribir el archivo %1. %2")
                        .arg(QDir::toNativeSeparators(r.archivo), nuevo.fallo().texto());
        return r;
    }
    r.ok = true;
    r.mensaje = MensajeEscrito(r) + QLatin1Char('.');
    if (r.omitidos > 0)
        r.avisos.prepend(r.omitidos == 1
                             ? QStringLiteral("1 pedido marcado ya no existe y no se escribió.")
                             : QStringLiteral("%1 pedidos marcados ya no existen y no se "
                                              "escribieron.")
                                   .arg(r.omitidos));
    return r;
}

// By passes when each pass keeps a large share of the table's orders. The table's own
// estimate of its rows is enough to choose, and costs nothing.
PlanLectura EligePlanLectura(host::Conexion& conexion, qsizetype seleccion) {
    if (seleccion <= pedidosPorTanda)
        return PlanLectura::PorTandas;
    auto rs =
        conexion.consulta(QStringLiteral("SELECT TABLE_ROWS FROM information_schema.TABLES WHERE "
                                         "TABLE_SCHEMA=DATABASE() AND TABLE_NAME='pedidos'"));
    const qint64 pedidos = rs->eof() ? 0 : rs->entero(0);
    return std::min(seleccion, pedidosPorPasada) * partePorPasada >= pedidos
               ? PlanLectura::PorPasadas
               : PlanLectura::PorTandas;
}

QString MensajeEscrito(const ResultadoExportacion& r) {
    return QStringLiteral("%1 %2 con %3 en el archivo %4")
        .arg(r.pedidos == 1 ? QStringLiteral("Se escribió") : QStringLiteral("Se escribieron"),
             cantidad(r.pedidos, QStringLiteral("pedido"), QStringLiteral("pedidos")),
             cantidad(r.renglones, QStringLiteral("renglón"), QStringLiteral("renglones")),
             QDir::toNativeSeparators(r.archivo));
}

} // namespace exportacion
