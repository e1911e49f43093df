#include "undo/DeshacerCorrida.h"

#include "data/ErrorTransferencia.h"
#include "journal/Bitacora.h"
#include "journal/ResumenCliente.h"
#include "journal/ResumenPedido.h"
#include "sales/PorVender.h"
#include "shell/host/Conexion.h"
#include "shell/host/ListaIds.h"
#include "shell/host/MotorTablas.h"
#include "shell/host/Recordset.h"
#include "undo/ExistenciasProductos.h"

#include <QSet>
#include <map>

namespace deshacer {

using bitacora::EsquemaBitacora;
using host::Conexion;
using host::ErrorBdD;

namespace {

// Runs of consecutive Ids, or lone Ids, per statement: a statement of that many is a small
// part of the server's packet limit. The orders of one run mostly make a single run of Ids,
// so each statement covers the whole run.
constexpr std::size_t tramosPorSentencia = 5000;

QString tabla(const QString& base, const char* nombre) {
    return Conexion::identificador(base) + QLatin1Char('.') + QLatin1String(nombre);
}

// Where a statement run in parts takes its condition on the Ids.
const QString marcaIds = QStringLiteral("{ids}");

// The ids in parts, each as a condition on columna.
QStringList condiciones(QStringView columna, const std::vector<qint64>& ids) {
    QStringList salida;
    for (const std::vector<qint64>& parte : host::partesIds(ids, tramosPorSentencia))
        salida << host::condicionIds(columna, parte);
    return salida;
}

// Runs sql (with marcaIds for a condition on Id) over the ids in parts; the rows it changed.
quint64 porPartes(Conexion& conexion, const QString& sql, const std::vector<qint64>& ids) {
    quint64 cambiadas = 0;
    for (const QString& donde : condiciones(u"Id", ids))
        cambiadas += conexion.ejecuta(QString(sql).replace(marcaIds, donde));
    return cambiadas;
}

bool esCero(const QByteArray& numero) {
    bool ok = false;
    const double v = numero.toDouble(&ok);
    return ok && v == 0;
}

// A source line as the undo finds it: Partida and product, as a key.
QString clave(const QVariant& partida, const QVariant& producto) {
    return (partida.isNull() ? QStringLiteral("\x01") : partida.toString()) + QLatin1Char('\x1f') +
           (producto.isNull() ? QStringLiteral("\x01") : producto.toString().toLower());
}

} // namespace

DeshacerCorrida::DeshacerCorrida(Conexion& conexion, const bitacora::Corrida& corrida,
                                 const OpcionesDeshacer& opciones, const LlamadasDeshacer& llamadas,
                                 const bitacora::Bitacora* diario)
    : conexion_(conexion), corrida_(corrida), opciones_(opciones), llamadas_(llamadas),
      diario_(diario) {
    r_.corrida = corrida.id;
    r_.operacion = corrida.operacion;
    r_.base = corrida.base;
    r_.revision = opciones.revisar;
}

void DeshacerCorrida::revisaCancelacion() const {
    if (llamadas_.cancelado())
        throw transferencia::Cancelado();
}

std::vector<qint64> DeshacerCorrida::ids() const {
    std::vector<qint64> salida;
    salida.reserve(std::size_t(candidatos_.size()));
    for (const Anotado& a : candidatos_)
        salida.push_back(a.id);
    return salida;
}

void DeshacerCorrida::deja(const Anotado& a, const QString& motivo, PorQueSeDeja porQue) {
    r_.dejados.push_back({a.id, a.pedido, motivo, porQue});
}

void DeshacerCorrida::corre() {
    movidos_.clear();
    filas_.clear();
    renglones_.clear();
    leeAnotados();
    revisaCancelacion();
    total_ = qint64(candidatos_.size()) * 2;
    comparaResumenes();
    if (corrida_.operacion == bitacora::Operacion::Acumulacion)
        comparaOrigenes();
    revisaCancelacion();
    if (!r_.dejados.isEmpty() && !opciones_.parcial) {
        r_.rechazado = true;
        // A preview goes on: it shows what leaving them would undo.
        if (!opciones_.revisar)
            throw Rechazada();
    }
    if (candidatos_.isEmpty()) {
        r_.nadaQueDeshacer = r_.dejados.isEmpty();
        return;
    }
    cuentaRenglones();
    if (corrida_.operacion == bitacora::Operacion::Importacion)
        bajaExistencias();
    else
        devuelveOrigenes();
    revisaCancelacion();
    quitaPedidos();
    if (corrida_.operacion == bitacora::Operacion::Importacion) {
        quitaClientes();
        liberaHuellas();
    }
    revisaCancelacion();
    anota();
}

void DeshacerCorrida::leeAnotados() {
    // Locked: a second undo of the same run waits here, then finds these orders undone.
    auto rs = conexion_.consulta(
        QStringLiteral("SELECT IdNuevo, PedidoNuevo, Resumen, Huella, BaseOrigen, IdOrigen, "
                       "PedidoOrigen, DeshechoPor, Movidos, Id FROM %1 WHERE Corrida=? ORDER BY "
                       "Id FOR UPDATE")
            .arg(EsquemaBitacora::tablaPedidos()),
        {corrida_.id});
    QSet<qint64> vistos;
    for (; !rs->eof(); rs->MoveNext()) {
        Anotado a{rs->entero(0), rs->texto(1),  rs->texto(2), rs->texto(3),
                  rs->texto(4),  rs->entero(5), rs->texto(6)};
        if (!rs->esNulo(7)) {
            ++r_.yaDeshechos;
            continue;
        }
        if (a.id != 0)
            filas_[a.id].push_back(rs->entero(9));
        if (a.id == 0 || vistos.contains(a.id))
            continue;
        vistos.insert(a.id);
        if (!rs->esNulo(8))
            for (const bitacora::RenglonMovido& m : bitacora::Bitacora::leeMovidos(rs->texto(8)))
                movidos_[a.id].push_back(
                    {a.baseOrigen, a.idOrigen, m.partida, m.producto, m.cantidad});
        if (a.resumen.isEmpty())
            deja(a,
                 QStringLiteral("la corrida no guardó cómo quedó este pedido, así que no se "
                                "puede saber si cambió"),
                 PorQueSeDeja::SinComprobar);
        else
            candidatos_.push_back(a);
    }
}

void DeshacerCorrida::comparaResumenes() {
    // The lines each order holds come with it, read under the same lock.
    const QHash<qint64, QString> ahora =
        candidatos_.isEmpty() ? QHash<qint64, QString>()
                              : bitacora::ResumenPedido::Lector(conexion_, corrida_.base)
                                    .lee(ids(), true, &renglones_);
    QVector<Anotado> quedan;
    for (const Anotado& a : std::as_const(candidatos_)) {
        const auto h = ahora.constFind(a.id);
        if (h == ahora.cend())
            deja(a, QStringLiteral("ya no existe: se borró después de la corrida"));
        else if (*h != a.resumen)
            deja(a, QStringLiteral("se modificó después de la corrida (se facturó en parte, o "
                                   "se cambiaron sus renglones o su encabezado)"));
        else
            quedan.push_back(a);
        llamadas_.informa(++hechos_, total_);
    }
    candidatos_ = quedan;
}

QString DeshacerCorrida::porQueNoSeLee(const QString& base, const ErrorBdD& e) {
    // A database dropped or renamed since the run: the server only says its table is missing.
    if (e.codigo() == 1146 || e.codigo() == 1049) {
        try {
            if (conexion_
                    .consulta(QStringLiteral("SELECT COUNT(*) FROM information_schema.SCHEMATA "
                                             "WHERE SCHEMA_NAME=?"),
                              {base})
                    ->entero(0) == 0)
                return QStringLiteral("ya no existe en el servidor (se borró o se le cambió el "
                                      "nombre)");
        } catch (const ErrorBdD& otro) {
            if (bitacora::detieneOperacion(otro))
                throw;
        }
    }
    return e.mensaje().section(QLatin1Char('\n'), 0, 0);
}

void DeshacerCorrida::comparaOrigenes() {
    // The source orders of each database, their lines locked.
    std::map<QString, std::vector<qint64>> porBase;
    for (const Anotado& a : std::as_const(candidatos_))
        porBase[a.baseOrigen].push_back(a.idOrigen);
    struct Origen {
        bool existe = false;
        bool pendiente = false;
        QHash<QString, int> enCero; // lines without pending quantity, by Partida and product
    };
    QHash<QString, QHash<qint64, Origen>> origenes;
    QHash<QString, QString> fallidas;
    for (const auto& [base, idsOrigen] : porBase) {
        try {
            host::ExigeTransacciones(
                conexion_, base, {QStringLiteral("pedidosdetalle"), QStringLiteral("productos")});
            for (const QString& donde : condiciones(u"Id", idsOrigen)) {
                auto rl = conexion_.consulta(
                    QStringLiteral("SELECT Id, Partida, Producto, Pedido FROM %1 WHERE %2 FOR "
                                   "UPDATE")
                        .arg(tabla(base, "pedidosdetalle"), donde));
                for (; !rl->eof(); rl->MoveNext()) {
                    Origen& o = origenes[base][rl->entero(0)];
                    o.existe = true;
                    if (!esCero(rl->crudo(3)))
                        o.pendiente = true;
                    else
                        ++o.enCero[clave(rl->valor(1), rl->valor(2))];
                }
            }
        } catch (const ErrorBdD& e) {
            if (bitacora::detieneOperacion(e))
                throw;
            fallidas.insert(base, porQueNoSeLee(base, e));
        }
    }
    // The cause goes with the first order of each database, the others point to it.
    QHash<QString, QString> primero;
    QVector<Anotado> quedan;
    for (const Anotado& a : std::as_const(candidatos_)) {
        const QString origen = QStringLiteral("el pedido de origen %1 (Id %2) de %3")
                                   .arg(a.pedidoOrigen)
                                   .arg(a.idOrigen)
                                   .arg(a.baseOrigen);
        const Origen o = origenes.value(a.baseOrigen).value(a.idOrigen);
        const QVector<Movido> movidos = movidos_.value(a.id);
        QHash<QString, int> faltan;
        for (const Movido& m : movidos)
            ++faltan[clave(m.partida, m.producto)];
        bool cabe = true;
        for (auto f = faltan.cbegin(); f != faltan.cend(); ++f)
            cabe = cabe && o.enCero.value(f.key()) >= f.value();
        if (fallidas.contains(a.baseOrigen)) {
            const QString leer =
                QStringLiteral("no se pudo leer la base de datos de origen %1").arg(a.baseOrigen);
            if (primero.contains(a.baseOrigen)) {
                deja(a,
                     QStringLiteral("%1 (el mismo motivo que el pedido %2)")
                         .arg(leer, primero.value(a.baseOrigen)),
                     PorQueSeDeja::SinComprobar);
            } else {
                deja(a, leer + QStringLiteral(": ") + fallidas.value(a.baseOrigen),
                     PorQueSeDeja::SinComprobar);
                primero.insert(a.baseOrigen, a.pedido);
            }
        } else if (movidos.isEmpty())
            deja(a, QStringLiteral("la corrida no anotó qué renglones movió de su origen"),
                 PorQueSeDeja::SinComprobar);
        else if (!o.existe)
            deja(a, origen + QStringLiteral(" ya no existe"));
        else if (o.pendiente)
            deja(a, origen + QStringLiteral(" tiene otra vez cantidades pendientes"));
        else if (!cabe)
            deja(a, QStringLiteral("los renglones de %1 cambiaron").arg(origen));
        else
            quedan.push_back(a);
    }
    candidatos_ = quedan;
}

void DeshacerCorrida::cuentaRenglones() {
    for (const Anotado& a : std::as_const(candidatos_)) {
        const qint64 n = renglones_.value(a.id);
        r_.quitados.push_back({a.id, a.pedido, n, a.baseOrigen, a.idOrigen, a.pedidoOrigen});
        r_.renglones += n;
    }
    if (corrida_.operacion == bitacora::Operacion::Importacion)
        for (PedidoQuitado& q : r_.quitados)
            q.baseOrigen.clear(), q.idOrigen = 0, q.pedidoOrigen.clear();
}

void DeshacerCorrida::bajaExistencias() {
    using acumulacion::PorVender;
    const QString productos = tabla(corrida_.base, "productos");
    const QString detalle = tabla(corrida_.base, "pedidosdetalle");
    const QStringList partes = condiciones(u"Id", ids());
    // Every product the lines name, locked before any is changed: what it was before the
    // undo, even when a product's lines come in several parts.
    ExistenciasProductos existencias(conexion_, corrida_.base);
    for (const QString& donde : partes)
        existencias.leeDeSumas(
            PorVender::sumaPorProducto(detalle, QStringLiteral("Cantidad"), donde));
    for (const QString& donde : partes)
        conexion_.ejecuta(PorVender::cambia(productos, detalle, QStringLiteral("Cantidad"), donde,
                                            PorVender::Sentido::Baja));
    cierra(existencias);
}

void DeshacerCorrida::cierra(const ExistenciasProductos& existencias) {
    existencias.agregaCambios(r_.existencias);
    if (const QString aviso = existencias.aviso(); !aviso.isEmpty())
        r_.avisos << aviso;
}

void DeshacerCorrida::subeExistencias(const QString& base, const std::vector<qint64>& nuevos) {
    using acumulacion::PorVender;
    const QString productos = tabla(base, "productos");
    // The lines taken, as rows the server sums product by product, so the stock rises by
    // exactly the decimals the run lowered it by; a part at a time, each adding its own sums.
    QStringList filas;
    QSet<QString> claves;
    const auto sube = [&] {
        if (filas.isEmpty())
            return;
        const QString lineas =
            QStringLiteral("(%1) l").arg(filas.join(QStringLiteral(" UNION ALL ")));
        conexion_.ejecuta(PorVender::cambia(productos, lineas, QStringLiteral("Cantidad"),
                                            QStringLiteral("1"), PorVender::Sentido::Sube));
        filas.clear();
    };
    QStringList todas;
    for (const qint64 id : nuevos)
        for (const Movido& m : movidos_.value(id))
            if (!m.producto.isNull() && !claves.contains(m.producto.toString())) {
                claves.insert(m.producto.toString());
                todas << m.producto.toString();
            }
    if (todas.isEmpty())
        return;
    ExistenciasProductos existencias(conexion_, base);
    existencias.leeClaves(todas);
    constexpr qsizetype porSentencia = 1000;
    for (const qint64 id : nuevos)
        for (const Movido& m : movidos_.value(id)) {
            QByteArray fila = "SELECT ";
            conexion_.agregaLiteral(fila, m.producto);
            fila += " AS Producto, CAST(";
            conexion_.agregaLiteral(fila, QString::fromLatin1(m.cantidad));
            fila += " AS DECIMAL(40,12)) AS Cantidad";
            filas << QString::fromUtf8(fila);
            if (filas.size() >= porSentencia)
                sube();
        }
    sube();
    cierra(existencias);
}

void DeshacerCorrida::devuelveOrigenes() {
    using acumulacion::PorVender;
    std::map<QString, std::vector<qint64>> porBase;
    for (const Anotado& a : std::as_const(candidatos_))
        porBase[a.baseOrigen].push_back(a.id);
    for (const auto& [base, nuevos] : porBase) {
        subeExistencias(base, nuevos);
        // Each line gets back what was taken from it. Lines alike cannot be told apart, so
        // each takes one of them still without pending quantity.
        const QString sql = QStringLiteral("UPDATE %1 SET Pedido=? WHERE Id=? AND Partida<=>? AND "
                                           "Producto<=>? AND Pedido=0 LIMIT 1")
                                .arg(tabla(base, "pedidosdetalle"));
        for (const qint64 id : nuevos) {
            revisaCancelacion();
            for (const Movido& m : movidos_.value(id))
                if (conexion_.ejecuta(sql, {QString::fromLatin1(m.cantidad), m.idOrigen, m.partida,
                                            m.producto}) != 1)
                    throw ErrorBdD(
                        QStringLiteral("Un renglón del pedido %1 de la base de datos \"%2\" no "
                                       "se encontró como lo dejó la corrida.")
                            .arg(m.idOrigen)
                            .arg(base));
            llamadas_.informa(++hechos_, total_);
        }
    }
}

void DeshacerCorrida::quitaPedidos() {
    const std::vector<qint64> todos = ids();
    porPartes(conexion_,
              QStringLiteral("DELETE FROM %1 WHERE %2")
                  .arg(tabla(corrida_.base, "pedidosdetalle"), marcaIds),
              todos);
    // The lines are gone; the headers follow.
    if (corrida_.operacion == bitacora::Operacion::Importacion)
        llamadas_.informa(hechos_ + (total_ - hechos_) / 2, total_);
    const quint64 quitados = porPartes(
        conexion_,
        QStringLiteral("DELETE FROM %1 WHERE %2").arg(tabla(corrida_.base, "pedidos"), marcaIds),
        todos);
    if (quitados != todos.size())
        throw ErrorBdD(QStringLiteral("Se esperaba quitar %1 pedidos y se quitaron %2.")
                           .arg(todos.size())
                           .arg(quitados));
    if (corrida_.operacion == bitacora::Operacion::Importacion)
        hechos_ = total_;
    llamadas_.informa(hechos_, total_);
}

void DeshacerCorrida::quitaClientes() {
    QStringList claves;
    // Each customer's digest as the import stored it; none from a run of an earlier layout or
    // from a journal without the column.
    QHash<QString, QString> guardados;
    const auto anotados = [this](const char* resumen) {
        return conexion_.consulta(
            QStringLiteral("SELECT Clave, %1 FROM %2 WHERE Corrida=?")
                .arg(QLatin1String(resumen), EsquemaBitacora::tablaClientes()),
            {corrida_.id});
    };
    std::unique_ptr<host::Recordset> rs;
    try {
        rs = anotados("Resumen");
    } catch (const ErrorBdD& e) {
        if (e.codigo() != 1054)
            throw;
        rs = anotados("NULL");
    }
    for (; !rs->eof(); rs->MoveNext()) {
        claves << rs->texto(0);
        if (!rs->esNulo(1))
            guardados.insert(rs->texto(0).toLower(), rs->texto(1));
    }
    rs.reset();
    if (claves.isEmpty())
        return;
    const QString clientes = tabla(corrida_.base, "clientes");
    const QString pedidos = tabla(corrida_.base, "pedidos");
    // Fewer than 1000 keys a read: MariaDB turns a longer IN list into a join, which, with the
    // run's orders just deleted in this transaction, reads the whole of pedidos each time
    // instead of each customer's orders.
    constexpr qsizetype porConsulta = 900;
    const bitacora::ResumenCliente resumen(conexion_, clientes);
    QSet<QString> vistos;
    for (qsizetype i = 0; i < claves.size(); i += porConsulta) {
        const QStringList parte = claves.mid(i, porConsulta);
        const QString lista = conexion_.listaLiterales(parte);
        // Those there now, locked, with their rows' digests.
        const QHash<QString, QString> hay = resumen.lee(parte);
        // Those another order uses stay (compared as the table compares them).
        QSet<QString> usados;
        for (auto rs = conexion_.consulta(QStringLiteral("SELECT DISTINCT Cliente FROM %1 WHERE "
                                                         "Cliente IN (%2) FOR UPDATE")
                                              .arg(pedidos, lista));
             !rs->eof(); rs->MoveNext())
            usados.insert(rs->texto(0).toLower());
        QStringList quita;
        for (const QString& c : parte) {
            const QString clave = c.toLower();
            const auto actual = hay.constFind(clave);
            if (actual == hay.cend() || vistos.contains(clave))
                continue;
            vistos.insert(clave);
            if (usados.contains(clave)) {
                r_.clientesUsados << c;
                continue;
            }
            // Completed by someone, or used by the sales system, since: theirs now.
            const auto guardado = guardados.constFind(clave);
            if (guardado != guardados.cend() && *guardado != *actual)
                r_.clientesCambiados << c;
            else
                quita << c;
        }
        if (quita.isEmpty())
            continue;
        conexion_.ejecuta(QStringLiteral("DELETE FROM %1 WHERE Clave IN (%2)")
                              .arg(clientes, conexion_.listaLiterales(quita)));
        r_.clientes << quita;
    }
}

void DeshacerCorrida::liberaHuellas() {
    // The orders undone no longer count as imported: a fingerprint brought in once is
    // forgotten, one brought in again by other runs counts once less.
    QHash<QString, int> veces;
    for (const Anotado& a : std::as_const(candidatos_))
        if (!a.huella.isEmpty())
            ++veces[a.huella];
    std::map<int, QStringList> porVeces;
    for (auto v = veces.cbegin(); v != veces.cend(); ++v)
        porVeces[v.value()] << v.key();
    constexpr qsizetype porSentencia = 5000;
    // Those that would drop to none are deleted at once; only the others, when a part has
    // any, are counted down.
    for (const auto& [n, huellas] : porVeces)
        for (qsizetype i = 0; i < huellas.size(); i += porSentencia) {
            const QStringList parte = huellas.mid(i, porSentencia);
            const QString lista = conexion_.listaLiterales(parte);
            const quint64 borradas = conexion_.ejecuta(
                QStringLiteral("DELETE FROM %1 WHERE Huella IN (%2) AND Veces<=%3")
                    .arg(EsquemaBitacora::tablaHuellas(), lista, QString::number(n)));
            if (borradas < quint64(parte.size()))
                conexion_.ejecuta(
                    QStringLiteral("UPDATE %1 SET Veces=Veces-%2 WHERE Huella IN (%3)")
                        .arg(EsquemaBitacora::tablaHuellas())
                        .arg(n)
                        .arg(lista));
        }
}

void DeshacerCorrida::anota() {
    if (!diario_ || !diario_->activa())
        return;
    // The run's rows of these orders, by the journal's own key: those leeAnotados locked.
    std::vector<qint64> deshechas;
    for (const Anotado& a : std::as_const(candidatos_)) {
        const std::vector<qint64>& de = filas_[a.id];
        deshechas.insert(deshechas.end(), de.begin(), de.end());
    }
    porPartes(conexion_,
              QStringLiteral("UPDATE %1 SET DeshechoPor=%2 WHERE %4 AND Corrida=%3 AND "
                             "DeshechoPor IS NULL")
                  .arg(EsquemaBitacora::tablaPedidos())
                  .arg(diario_->corrida())
                  .arg(corrida_.id)
                  .arg(marcaIds),
              deshechas);
    conexion_.ejecuta(QStringLiteral("UPDATE %1 SET DeshechaPor=?, Deshechos=Deshechos+? WHERE "
                                     "Id=?")
                          .arg(EsquemaBitacora::tablaCorridas()),
                      {diario_->corrida(), qint64(candidatos_.size()), corrida_.id});
    QVector<bitacora::PedidoAnotado> filas;
    filas.reserve(r_.quitados.size());
    for (const PedidoQuitado& q : std::as_const(r_.quitados)) {
        bitacora::PedidoAnotado a;
        a.baseOrigen = q.baseOrigen;
        a.idOrigen = q.idOrigen;
        a.pedidoOrigen = q.pedidoOrigen;
        a.idNuevo = q.id;
        a.pedidoNuevo = q.pedido;
        filas.push_back(a);
    }
    diario_->anota(conexion_, filas);
}

} // namespace deshacer
