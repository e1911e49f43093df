#include "accumulation/clsAcumular.h"

#include "accumulation/ConfirmacionIncierta.h"
#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/CopiaColumnas.h"
#include "accumulation/MovimientoPedidos.h"
#include "journal/Bitacora.h"
#include "sales/FormatoImporte.h"
#include "sales/NombresEmpresas.h"
#include "shell/host/Avance.h"
#include "shell/host/MotorTablas.h"
#include "shell/host/Reintentos.h"
#include "shell/host/Vigia.h"

#include <QSet>
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
struct FalloPedido : host::Desvio {
    FalloPedido(QString b, QString p, qsizetype a, QString c)
        : base(std::move(b)), pedido(std::move(p)), acompanantes(a), causa(std::move(c)) {}
    QString base;
    QString pedido;
    qsizetype acompanantes; // orders of the same uncommitted group after it
    QString causa;
    // The connection was lost while the group was being committed: what a new connection
    // found out, and the group itself.
    std::optional<EstadoConfirmacion> confirmacion = {};
    QString detalle = {}; // why the outcome is unknown
    QVector<FolioDado> grupo = {};
    // The order itself, or its company's tables, caused it (not the connection, nor another
    // user's locks): the run goes on with the next company.
    bool deLaEmpresa = false;
};

// Opens the listed companies one after another on one connection; a company that cannot be
// used, whose database was already opened under another listing, or whose tables the copy
// cannot serve, is left out and noted.
class RecorridoEmpresas {
public:
    // tablas: those read when a company is opened, with pedidos and pedidosdetalle, whose
    // columns copia compares with the current database's (those it does not copy are told in
    // avisos).
    RecorridoEmpresas(QStringList tablas, QVector<EmpresaOmitida>& omitidas, QStringList& avisos,
                      const CopiaColumnas& copia)
        : tablas_(std::move(tablas)), omitidas_(omitidas), avisos_(avisos), copia_(copia) {}

    bool abre(host::Conexion& conexion, EmpresaOrigen& empresa) {
        QString motivo = AbreEmpresa(conexion, empresa);
        if (motivo.isEmpty() && abiertas_.contains(empresa.base))
            motivo = QStringLiteral("está repetida en la lista de empresas (es la base de datos "
                                    "\"%1\", ya incluida)")
                         .arg(empresa.base);
        if (motivo.isEmpty())
            motivo = comparaColumnas(conexion, empresa);
        // A company whose tables would keep what a failed group wrote is never touched.
        if (motivo.isEmpty())
            motivo = host::MotivoSinTransacciones(
                host::TablasSinTransacciones(conexion, empresa.base, TablasEscritasOrigen()),
                host::Redaccion::Motivo);
        if (!motivo.isEmpty()) {
            omite(empresa, motivo);
            return false;
        }
        abiertas_.insert(empresa.base);
        return true;
    }

    // The company's pending orders; null (and the company noted) when its order tables
    // cannot be read. Asked only on failure, so a search costs no query per company besides
    // the one that reads its tables' engines.
    std::unique_ptr<host::Recordset> pendientes(host::Conexion& conexion,
                                                const EmpresaOrigen& empresa, const QDate& desde,
                                                const QDate& hasta) {
        try {
            return PedidosPendientes(conexion, desde, hasta);
        } catch (const ErrorBdD& e) {
            omite(empresa, motivoDeTabla(conexion, empresa, e, TablasBusqueda()));
            return nullptr;
        }
    }

private:
    void omite(const EmpresaOrigen& empresa, const QString& motivo) {
        omitidas_.push_back({empresa.listada, motivo});
    }

    // Why the company's tables cannot be read, for a failure that is about them; anything
    // else goes on up.
    static QString motivoDeTabla(host::Conexion& conexion, const EmpresaOrigen& empresa,
                                 const ErrorBdD& e, const QStringList& tablas) {
        if (e.conexionPerdida() || !ErrorDeTabla(e))
            throw;
        const QString motivo = RevisaTablas(conexion, empresa.base, tablas);
        return motivo.isEmpty() ? e.mensaje().section(QLatin1Char('\n'), 0, 0) : motivo;
    }

    QString comparaColumnas(host::Conexion& conexion, EmpresaOrigen& empresa) {
        QStringList sinCopiar;
        QString motivo;
        try {
            motivo = copia_.compara(conexion, empresa, sinCopiar, tablas_);
        } catch (const ErrorBdD& e) {
            return motivoDeTabla(conexion, empresa, e, tablas_);
        }
        if (motivo.isEmpty() && !sinCopiar.isEmpty())
            avisos_ << QStringLiteral("la empresa \"%1\" tiene columnas que la base de datos "
                                      "\"%2\" no tiene, y no se copian: %3")
                           .arg(empresa.listada, copia_.base(),
                                sinCopiar.join(QStringLiteral(", ")));
        return motivo;
    }

    QStringList tablas_;
    QVector<EmpresaOmitida>& omitidas_;
    QStringList& avisos_;
    const CopiaColumnas& copia_;
    QSet<QString> abiertas_;
};

void exigeBase(const host::BasesDD& bases) {
    if (bases.cMiBase.trimmed().isEmpty())
        throw ErrorBdD(QStringLiteral("No se indicó la base de datos principal."));
}

// Moves one group of orders; a group that fails as a whole is moved again one order at a
// time, so the order at fault is named and the ones before it are kept.
class MovimientoPorGrupos {
public:
    MovimientoPorGrupos(MovimientoPedidos& movimiento, const host::BasesDD& bases,
                        qint64& siguienteFolio,
                        std::function<void(const QVector<FolioDado>&)> anota,
                        std::function<bool()> cancelado)
        : movimiento_(movimiento), bases_(bases), siguiente_(siguienteFolio),
          anota_(std::move(anota)), cancelado_(std::move(cancelado)) {}

    void mueve(const EmpresaOrigen& empresa, const QVector<Pendiente>& grupo) {
        try {
            mueveGrupo(empresa, grupo);
        } catch (const ConfirmacionIncierta& c) {
            // What the server did with the COMMIT is told whatever the user asks meanwhile.
            const host::Vigia::SinInterrumpir sinInterrumpir;
            FalloPedido f{empresa.nombre, c.grupo.first().pedidoOrigen, c.grupo.size() - 1,
                          c.causa};
            f.confirmacion = CompruebaGrupo(bases_, empresa, c, f.detalle);
            f.grupo = c.grupo;
            if (f.confirmacion == EstadoConfirmacion::Guardado)
                anota_(c.grupo);
            throw f;
        }
    }

private:
    void mueveGrupo(const EmpresaOrigen& empresa, const QVector<Pendiente>& grupo) {
        QVector<qint64> ids;
        for (const Pendiente& p : grupo)
            ids.push_back(p.id);
        try {
            intenta(empresa, ids);
            return;
        } catch (const ErrorBdD& e) {
            // A lock still held after its waits would hold every order of the group again,
            // each for as long: the run stops here instead.
            if (e.conexionPerdida() || e.codigo() == 1205 || grupo.size() == 1)
                throw fallo(empresa, grupo.first().pedido, grupo.size() - 1, e);
        }
        for (const Pendiente& p : grupo) {
            try {
                intenta(empresa, {p.id});
            } catch (const ErrorBdD& e) {
                throw fallo(empresa, p.pedido, 0, e);
            }
        }
    }

    static FalloPedido fallo(const EmpresaOrigen& empresa, const QString& pedido,
                             qsizetype acompanantes, const ErrorBdD& e) {
        FalloPedido f{empresa.nombre, pedido, acompanantes, e.mensaje()};
        f.deLaEmpresa = !e.conexionPerdida() && !host::Reintentos::esBloqueo(e);
        return f;
    }

    void intenta(const EmpresaOrigen& empresa, const QVector<qint64>& ids) {
        // Two runs crossing on the same rows: the server undid ours; it runs again (on a
        // cluster each node commits first in turn otherwise).
        host::Reintentos reintentos(host::reintentosAcumulacion);
        for (;;) {
            try {
                anota_(movimiento_.mueve(empresa, ids, siguiente_));
                return;
            } catch (const ErrorBdD& e) {
                if (!reintentos.otraVez(e, cancelado_))
                    throw;
            }
        }
    }

    MovimientoPedidos& movimiento_;
    const host::BasesDD& bases_;
    qint64& siguiente_;
    std::function<void(const QVector<FolioDado>&)> anota_;
    std::function<bool()> cancelado_;
};

// What the user reads when a generation stopped at an order: what was moved, exactly, and
// what was not, or what to check when a new connection could not tell.
QString mensajeFallo(const FalloPedido& f, int movidos, const QString& baseActual) {
    if (!f.confirmacion) {
        QString m = QStringLiteral("No se pudo acumular el pedido %1 de %2").arg(f.pedido, f.base);
        if (f.acompanantes > 0)
            m += f.acompanantes == 1
                     ? QStringLiteral(" (ni el siguiente, que se guardaba con él)")
                     : QStringLiteral(" (ni los %1 siguientes, que se guardaban con él)")
                           .arg(f.acompanantes);
        return m + QStringLiteral(":\n%1\nPedidos movidos completos antes del error: %2. El "
                                  "pedido %3 y los que siguen quedaron sin cambios.")
                       .arg(f.causa, QString::number(movidos), f.pedido);
    }
    QString m = QStringLiteral("Se perdió la conexión con el servidor mientras se guardaba el "
                               "pedido %1 de %2")
                    .arg(f.pedido, f.base);
    if (f.acompanantes > 0)
        m += f.acompanantes == 1
                 ? QStringLiteral(" junto con el siguiente")
                 : QStringLiteral(" junto con los %1 siguientes").arg(f.acompanantes);
    m += QStringLiteral(":\n%1\n").arg(f.causa);
    switch (*f.confirmacion) {
    case EstadoConfirmacion::Guardado:
        return m + QStringLiteral("Al volver a conectar se comprobó que sí quedaron guardados. "
                                  "Pedidos movidos completos: %1; el último, el pedido %2 de %3 "
                                  "con el folio %4. Los que siguen quedaron sin cambios.")
                       .arg(QString::number(movidos), f.grupo.last().pedidoOrigen, f.base,
                            textoPedido(f.grupo.last().serie, f.grupo.last().folio));
    case EstadoConfirmacion::NoGuardado:
        return m + QStringLiteral("Al volver a conectar se comprobó que no quedaron guardados. "
                                  "Pedidos movidos completos antes del error: %1. El pedido %2 "
                                  "y los que siguen quedaron sin cambios.")
                       .arg(QString::number(movidos), f.pedido);
    case EstadoConfirmacion::Desconocido:
        break;
    }
    const FolioDado& primero = f.grupo.first();
    const FolioDado& ultimo = f.grupo.last();
    const QString folios =
        f.grupo.size() == 1
            ? QStringLiteral("el pedido %1").arg(textoPedido(primero.serie, primero.folio))
            : QStringLiteral("los pedidos %1 a %2")
                  .arg(textoPedido(primero.serie, primero.folio),
                       textoPedido(ultimo.serie, ultimo.folio));
    const QString origen = f.grupo.size() == 1
                               ? QStringLiteral("el pedido %1 conserva").arg(primero.pedidoOrigen)
                               : QStringLiteral("los pedidos %1 a %2 conservan")
                                     .arg(primero.pedidoOrigen, ultimo.pedidoOrigen);
    return m + QStringLiteral("No se sabe si quedaron guardados; no se pudo comprobar:\n%1\n"
                              "Pedidos movidos completos antes de ellos: %2. Antes de acumular "
                              "otra vez, revise si en la base de datos %3 existen %4, y si en "
                              "%5 %6 sus cantidades pendientes. Los pedidos que siguen quedaron "
                              "sin cambios.")
                   .arg(f.detalle, QString::number(movidos), baseActual, folios, f.base, origen);
}

// A company whose run stopped at one of its orders; the run went on with the next one.
struct EmpresaDetenida {
    FalloPedido fallo;
    int movidos = 0;        // its orders moved before
    bool siguieron = false; // other companies came after it
};

// What the user reads of the companies stopped at an order: each order, why, and what was
// moved of its company.
QString mensajeDetenidas(const QVector<EmpresaDetenida>& detenidas) {
    QStringList partes;
    for (const EmpresaDetenida& d : detenidas)
        partes << QStringLiteral("No se pudo acumular el pedido %1 de %2:\n%3\nPedidos de %2 "
                                 "movidos completos antes del error: %4. El pedido %1 y los que "
                                 "le siguen en %2 quedaron sin cambios%5.")
                      .arg(d.fallo.pedido, d.fallo.base, d.fallo.causa)
                      .arg(d.movidos)
                      .arg(d.siguieron ? QStringLiteral("; se siguió con las demás empresas")
                                       : QString());
    return partes.join(QStringLiteral("\n\n"));
}

// What the user reads at the end of a generation that did not fail.
QString mensajeFin(const Resultado& r, const QString& baseActual) {
    if (r.cancelado)
        return QStringLiteral("Acumulación cancelada. Pedidos movidos completos: %1; los demás "
                              "quedaron sin cambios.")
            .arg(r.pedidosMovidos);
    if (r.pedidosMovidos == 0)
        return QStringLiteral("No se encontraron pedidos pendientes que acumular.");
    return r.pedidosMovidos == 1 ? QStringLiteral("Se generó 1 pedido en %1.").arg(baseActual)
                                 : QStringLiteral("Se generaron %1 pedidos en %2.")
                                       .arg(r.pedidosMovidos)
                                       .arg(baseActual);
}

} // namespace

clsAcumular::clsAcumular(host::BasesDD bases, QLocale regional)
    : bases_(std::move(bases)), regional_(std::move(regional)) {}

Resultado clsAcumular::BuscarPedidos(const QDate& desde, const QDate& hasta,
                                     const Retrollamadas& avisos) const {
    Resultado r;
    try {
        exigeBase(bases_);
        auto actual = bases_.abre(bases_.cMiBase);
        QVector<EmpresaOrigen> empresas = EmpresasOrigen(*actual, bases_.cMiBase);
        // The companies the generation would leave out (without productos, or whose columns
        // it would refuse) are left out here too, so the counts the user confirms are those
        // it moves.
        const CopiaColumnas copia(*actual);
        auto segunda = bases_.abre(QString());
        RecorridoEmpresas recorrido(TablasGeneracion(), r.omitidas, r.avisos, copia);
        for (int n = 0; n < empresas.size(); ++n) {
            EmpresaOrigen& empresa = empresas[n];
            if (cancelado(avisos)) {
                r.cancelado = true;
                r.mensaje =
                    QStringLiteral("Búsqueda cancelada: la lista de pedidos está incompleta.");
                break;
            }
            avisa(avisos, {n + 1, int(empresas.size()), empresa.nombre, 0, 0});
            if (!recorrido.abre(*segunda, empresa))
                continue;
            auto rs = recorrido.pendientes(*segunda, empresa, desde, hasta);
            if (rs && !rs->eof())
                ++r.empresasEncontradas;
            for (; rs && !rs->eof(); rs->MoveNext()) {
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
        r.ok = !r.cancelado;
    } catch (const transferencia::Cancelado&) {
        // Stopped while it waited for the server.
        r.cancelado = true;
        r.mensaje = QStringLiteral("Búsqueda cancelada: la lista de pedidos está incompleta.");
    } catch (const ErrorBdD& e) {
        r.cancelado = false;
        r.mensaje = e.mensaje();
    }
    return r;
}

Resultado clsAcumular::GeneraPedido(const QDate& desde, const QDate& hasta, const QString& serie,
                                    qint32 primerFolio, const Retrollamadas& avisos) const {
    Resultado r;
    qint64 siguiente = primerFolio;
    QString empresaEnCurso;
    QVector<EmpresaDetenida> detenidas;
    // The journal writes through the current database's connection until it is closed.
    std::unique_ptr<host::Conexion> actual;
    std::optional<bitacora::Bitacora> diario;
    try {
        exigeBase(bases_);
        actual = bases_.abre(bases_.cMiBase);
        // Before anything is written, the journal included: every table the groups write in
        // the current database must undo what a failed group wrote.
        r.mensaje = host::MotivoSinTransacciones(host::TablasSinTransacciones(
            *actual, actual->baseEnUso(),
            TablasEscritasActual() +
                bitacora::EsquemaBitacora::tablas(bitacora::Operacion::Acumulacion)));
        if (!r.mensaje.isEmpty())
            return r;
        // A group tried again must see what the run that crossed it stored, on any node.
        actual->leeAlDia();
        bitacora::Parametros parametros;
        parametros.desde = desde;
        parametros.hasta = hasta;
        parametros.serie = serie.trimmed();
        parametros.primerFolio = primerFolio;
        diario.emplace(*actual, bitacora::Operacion::Acumulacion, parametros);
        r.avisoBitacora = diario->aviso();
        // Before any order moves: a series that does not fit would fail at every one.
        CompruebaSerie(*actual, serie);
        const CopiaColumnas copia(*actual);
        auto segunda = bases_.abre(QString());
        MovimientoPedidos movimiento(*actual, serie.trimmed(), &*diario);
        MovimientoPorGrupos grupos(
            movimiento, bases_, siguiente,
            [&](const QVector<FolioDado>& dados) {
                for (const FolioDado& d : dados) {
                    ++r.pedidosMovidos;
                    r.renglonesCopiados += d.renglones;
                    r.ultimoFolio = d.folio;
                    if (avisos.folio)
                        avisos.folio(d);
                }
            },
            [&avisos] { return cancelado(avisos); });
        QVector<EmpresaOrigen> empresas = EmpresasOrigen(*actual, bases_.cMiBase);
        r.nombresEmpresas = NombresEmpresas(*actual);
        // The generation also changes productos: a company without it is left out before any
        // of its orders is touched.
        RecorridoEmpresas recorrido(TablasGeneracion(), r.omitidas, r.avisos, copia);
        for (int n = 0; n < empresas.size() && !r.cancelado; ++n) {
            EmpresaOrigen& empresa = empresas[n];
            empresaEnCurso = empresa.nombre;
            if (cancelado(avisos)) {
                r.cancelado = true;
                break;
            }
            avisa(avisos, {n + 1, int(empresas.size()), empresa.nombre, 0, 0});
            if (!recorrido.abre(*segunda, empresa))
                continue;
            QVector<Pendiente> pendientes;
            for (auto rs = recorrido.pendientes(*segunda, empresa, desde, hasta); rs && !rs->eof();
                 rs->MoveNext())
                pendientes.push_back({rs->entero(0), textoPedido(rs->texto(1), rs->entero(2))});

            // Groups of orders, one transaction each; the cancel request is heard before
            // each order is taken into a group, so a cancel never splits an order.
            const int antes = r.pedidosMovidos;
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
                try {
                    grupos.mueve(empresa, grupo);
                } catch (const FalloPedido& f) {
                    // An order its columns refuse stops its company only.
                    if (!f.deLaEmpresa)
                        throw;
                    detenidas.push_back({f, r.pedidosMovidos - antes, n + 1 < empresas.size()});
                    break;
                }
                avisa(avisos, {n + 1, int(empresas.size()), empresa.nombre, int(i),
                               int(pendientes.size())});
                if (r.cancelado)
                    break;
            }
        }
        r.ok = !r.cancelado;
    } catch (const transferencia::Cancelado&) {
        // Stopped while a statement waited: its group was rolled back whole.
        r.cancelado = true;
    } catch (const FalloPedido& f) {
        // A failure after the cancel was asked is still a failure.
        r.cancelado = false;
        r.mensaje = mensajeFallo(f, r.pedidosMovidos, bases_.cMiBase);
    } catch (const ErrorBdD& e) {
        r.cancelado = false;
        r.mensaje = e.mensaje();
        if (!empresaEnCurso.isEmpty())
            r.mensaje =
                QStringLiteral("No se pudo acumular desde %1:\n%2").arg(empresaEnCurso, r.mensaje);
        r.mensaje += QStringLiteral("\nPedidos movidos completos antes del error: %1.")
                         .arg(r.pedidosMovidos);
    }
    if (!detenidas.isEmpty()) {
        // A failure after the cancel was asked is still a failure; one that stopped the whole
        // run later is told after them.
        r.ok = r.cancelado = false;
        r.mensaje =
            mensajeDetenidas(detenidas) + QStringLiteral("\n\n") +
            (r.mensaje.isEmpty()
                 ? QStringLiteral("Pedidos movidos completos en total: %1.").arg(r.pedidosMovidos)
                 : r.mensaje);
    }
    if (r.ok || r.cancelado)
        r.mensaje = mensajeFin(r, bases_.cMiBase);
    if (diario) {
        // The end is recorded even when the user cancels meanwhile.
        const host::Vigia::SinInterrumpir sinInterrumpir;
        const auto desenlace = r.ok          ? bitacora::EstadoCorrida::Hecho
                               : r.cancelado ? bitacora::EstadoCorrida::Cancelado
                                             : bitacora::EstadoCorrida::Fallido;
        r.avisoBitacora = bitacora::juntaAvisos(
            r.avisoBitacora, diario->cierra(desenlace, ConOmitidas(r.mensaje, r),
                                            {r.pedidosMovidos, r.renglonesCopiados, 0}));
    }
    return r;
}

QString ListaOmitidas(const QString& titulo, const Resultado& r) {
    if (r.omitidas.isEmpty())
        return {};
    QString texto = titulo;
    for (const EmpresaOmitida& o : r.omitidas)
        texto += QStringLiteral("\n  %1: %2.").arg(o.empresa, o.motivo);
    return texto;
}

QString ConOmitidas(const QString& mensaje, const Resultado& r) {
    QString texto = mensaje;
    const QString lista = ListaOmitidas(QStringLiteral("No se acumuló desde estas empresas:"), r);
    if (!lista.isEmpty())
        texto += QStringLiteral("\n\n") + lista;
    if (!r.avisos.isEmpty())
        texto += QStringLiteral("\n\nAvisos:\n  ") + r.avisos.join(QStringLiteral(".\n  ")) +
                 QLatin1Char('.');
    return texto;
}

} // namespace acumulacion
