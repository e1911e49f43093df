#include "accumulation/clsAcumular.h"

#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/FoliosSerie.h"
#include "accumulation/FormatoImporte.h"
#include "accumulation/MovimientoPedidos.h"

#include <optional>

namespace acumulacion {

using host::ErrorBdD;

namespace {

bool cancelado(const Retrollamadas& avisos) {
    return avisos.cancelar && avisos.cancelar();
}

void avisa(const Retrollamadas& avisos, const Avance& avance) {
    if (avisos.avance)
        avisos.avance(avance);
}

// A found order still to move.
struct Pendiente {
    qint64 id = 0;
    QString pedido;
};

// The order at which a generation stopped, and why.
struct FalloPedido {
    QString base;
    QString pedido;
    qsizetype acompanantes; // orders of the same uncommitted group after it
    QString causa;
};

bool esBloqueo(const ErrorBdD& e) {
    return e.codigo() == 1213 || e.codigo() == 1205; // deadlock, lock wait timeout
}

void exigeBase(const host::BasesDD& bases) {
    if (bases.cMiBase.trimmed().isEmpty())
        throw ErrorBdD(QStringLiteral("No se indicó la base de datos principal."));
}

// Moves one group of orders; a group that fails as a whole is moved again one order at a
// time, so the order at fault is named and the ones before it are kept.
class MovimientoPorGrupos {
public:
    MovimientoPorGrupos(MovimientoPedidos& movimiento, qint64& siguienteFolio,
                        std::function<void(const QVector<FolioDado>&)> anota)
        : movimiento_(movimiento), siguiente_(siguienteFolio), anota_(std::move(anota)) {}

    void mueve(const EmpresaOrigen& empresa, const QVector<Pendiente>& grupo) {
        QVector<qint64> ids;
        for (const Pendiente& p : grupo)
            ids.push_back(p.id);
        try {
            intenta(empresa, ids);
            return;
        } catch (const ErrorBdD& e) {
            if (e.conexionPerdida() || grupo.size() == 1)
                throw FalloPedido{empresa.nombre, grupo.first().pedido, grupo.size() - 1,
                                  e.mensaje()};
        }
        for (const Pendiente& p : grupo) {
            try {
                intenta(empresa, {p.id});
            } catch (const ErrorBdD& e) {
                throw FalloPedido{empresa.nombre, p.pedido, 0, e.mensaje()};
            }
        }
    }

private:
    void intenta(const EmpresaOrigen& empresa, const QVector<qint64>& ids) {
        for (int intento = 1;; ++intento) {
            try {
                anota_(movimiento_.mueve(empresa, ids, siguiente_));
                return;
            } catch (const ErrorBdD& e) {
                // Two runs crossing on the same rows: the server undid ours; try it again.
                if (!esBloqueo(e) || intento == 3)
                    throw;
            }
        }
    }

    MovimientoPedidos& movimiento_;
    qint64& siguiente_;
    std::function<void(const QVector<FolioDado>&)> anota_;
};

} // namespace

clsAcumular::clsAcumular(host::BasesDD bases, QLocale regional)
    : bases_(std::move(bases)), regional_(std::move(regional)) {}

Resultado clsAcumular::BuscarPedidos(const QDate& desde, const QDate& hasta,
                                     const Retrollamadas& avisos) const {
    Resultado r;
    try {
        exigeBase(bases_);
        auto actual = bases_.abre(bases_.cMiBase);
        const QVector<EmpresaOrigen> empresas = EmpresasOrigen(*actual, bases_.cMiBase);
        auto segunda = bases_.abre(QString());
        for (int n = 0; n < empresas.size(); ++n) {
            const EmpresaOrigen& empresa = empresas[n];
            if (cancelado(avisos)) {
                r.cancelado = true;
                r.mensaje = QStringLiteral("Búsqueda cancelada.");
                break;
            }
            avisa(avisos, {n + 1, int(empresas.size()), empresa.nombre, 0, 0});
            if (!AbreEmpresa(*segunda, empresa.base))
                continue;
            auto rs = PedidosPendientes(*segunda, desde, hasta);
            for (; !rs->eof(); rs->MoveNext()) {
                const QString renglon =
                    QStringLiteral("Pedido ") + textoPedido(rs->texto(1), rs->entero(2)) +
                    QStringLiteral(" en ") + empresa.nombre + QStringLiteral("  Total: ") +
                    formatoImporte(rs->crudo(3), regional_);
                r.renglones << renglon;
                r.encontrados = true;
                if (avisos.renglon)
                    avisos.renglon(renglon);
            }
        }
    } catch (const ErrorBdD& e) {
        r.ok = false;
        r.mensaje = e.mensaje();
    }
    return r;
}

Resultado clsAcumular::GeneraPedido(const QDate& desde, const QDate& hasta, const QString& serie,
                                    qint32 primerFolio, const Retrollamadas& avisos) const {
    Resultado r;
    qint64 siguiente = primerFolio;
    QString empresaEnCurso;
    try {
        exigeBase(bases_);
        auto actual = bases_.abre(bases_.cMiBase);
        auto segunda = bases_.abre(QString());
        MovimientoPedidos movimiento(*actual, serie.trimmed());
        MovimientoPorGrupos grupos(movimiento, siguiente, [&](const QVector<FolioDado>& dados) {
            for (const FolioDado& d : dados) {
                ++r.pedidosMovidos;
                r.renglonesCopiados += d.renglones;
                r.ultimoFolio = d.folio;
                if (avisos.folio)
                    avisos.folio(d);
            }
        });
        const QVector<EmpresaOrigen> empresas = EmpresasOrigen(*actual, bases_.cMiBase);
        for (int n = 0; n < empresas.size() && !r.cancelado; ++n) {
            const EmpresaOrigen& empresa = empresas[n];
            empresaEnCurso = empresa.nombre;
            if (cancelado(avisos)) {
                r.cancelado = true;
                break;
            }
            avisa(avisos, {n + 1, int(empresas.size()), empresa.nombre, 0, 0});
            if (!AbreEmpresa(*segunda, empresa.base))
                continue;
            QVector<Pendiente> pendientes;
            for (auto rs = PedidosPendientes(*segunda, desde, hasta); !rs->eof(); rs->MoveNext())
                pendientes.push_back({rs->entero(0), textoPedido(rs->texto(1), rs->entero(2))});

            // Groups of orders, one transaction each; the cancel request is heard before
            // each order is taken into a group, so a cancel never splits an order.
            qsizetype i = 0;
            while (i < pendientes.size()) {
                QVector<Pendiente> grupo;
                while (i < pendientes.size() && grupo.size() < pedidosPorTransaccion_) {
                    if (cancelado(avisos)) {
                        r.cancelado = true;
                        break;
                    }
                    grupo.push_back(pendientes[i++]);
                }
                if (grupo.isEmpty())
                    break;
                grupos.mueve(empresa, grupo);
                avisa(avisos, {n + 1, int(empresas.size()), empresa.nombre, int(i),
                               int(pendientes.size())});
                if (r.cancelado)
                    break;
            }
        }
    } catch (const FalloPedido& f) {
        r.ok = false;
        r.mensaje = QStringLiteral("No se pudo acumular el pedido %1 de %2").arg(f.pedido, f.base);
        if (f.acompanantes > 0)
            r.mensaje += QStringLiteral(" (ni los %1 siguientes, que se guardaban con él)")
                             .arg(f.acompanantes);
        r.mensaje += QStringLiteral(":\n%1\nPedidos movidos completos antes del error: %2. El "
                                    "pedido %3 y los que siguen quedaron sin cambios.")
                         .arg(f.causa, QString::number(r.pedidosMovidos), f.pedido);
        return r;
    } catch (const ErrorBdD& e) {
        r.ok = false;
        r.mensaje = e.mensaje();
        if (!empresaEnCurso.isEmpty())
            r.mensaje =
                QStringLiteral("No se pudo acumular desde %1:\n%2").arg(empresaEnCurso, r.mensaje);
        r.mensaje += QStringLiteral("\nPedidos movidos completos antes del error: %1.")
                         .arg(r.pedidosMovidos);
        return r;
    }
    if (r.cancelado)
        r.mensaje = QStringLiteral("Acumulación cancelada. Pedidos movidos completos: %1; los "
                                   "demás quedaron sin cambios.")
                        .arg(r.pedidosMovidos);
    else if (r.pedidosMovidos == 0)
        r.mensaje = QStringLiteral("No se encontraron pedidos pendientes que acumular.");
    else
        r.mensaje = r.pedidosMovidos == 1
                        ? QStringLiteral("Se generó 1 pedido en %1.").arg(bases_.cMiBase)
                        : QStringLiteral("Se generaron %1 pedidos en %2.")
                              .arg(r.pedidosMovidos)
                              .arg(bases_.cMiBase);
    return r;
}

qint32 clsAcumular::ObtenFolioVtas(const QString& stTipoVta, qint32 lnPreFolio,
                                   const QString& stSerie, host::Conexion& BdD) {
    // The counter's lock must last until the folio is stored: without a caller's
    // transaction, hold one of our own.
    std::optional<host::Transaccion> propia;
    if (BdD.consulta(QStringLiteral("SELECT @@in_transaction"))->entero(0) == 0)
        propia.emplace(BdD);
    FoliosSerie folios(BdD, stTipoVta, stSerie);
    const qint32 folio = folios.libres(lnPreFolio, 1).first();
    folios.guarda(folio);
    if (propia)
        propia->confirma();
    return folio;
}

} // namespace acumulacion
