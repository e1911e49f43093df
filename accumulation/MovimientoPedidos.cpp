#include "accumulation/MovimientoPedidos.h"

#include "accumulation/ConfirmacionIncierta.h"
#include "journal/Bitacora.h"
#include "journal/ResumenPedido.h"
#include "sales/FoliosSerie.h"
#include "sales/PorVender.h"
#include "shell/Cantidad.h"
#include "shell/host/ListaIds.h"
#include "shell/host/Recordset.h"
#include "shell/host/TablaInsercion.h"

#include <QHash>

namespace acumulacion {

using host::Conexion;
using host::ErrorBdD;

namespace {

// Multi-row statements stay well below the server's packet limit.
constexpr qsizetype tamanoSentencia = 1 << 20;

QString tabla(const QString& base, const char* nombre) {
    return Conexion::identificador(base) + QLatin1Char('.') + QLatin1String(nombre);
}

// The literals of a row's columns from position desde on, each preceded by a comma.
QByteArray cola(const Conexion& conexion, const host::Recordset& rs, int desde) {
    QByteArray salida;
    for (int i = desde; i < rs.columnas(); ++i) {
        salida += ',';
        conexion.agregaLiteral(salida, rs.valor(i));
    }
    return salida;
}

// The columns as a select list: those the run reads, then those it copies.
QString seleccion(const QStringList& primeras, const QStringList& copiadas) {
    QStringList nombres;
    for (const QString& c : primeras + copiadas)
        nombres << Conexion::identificador(c);
    return nombres.join(QLatin1Char(','));
}

// What the user reads when the server did not store a group as it was given.
ErrorBdD noGuardado(const QString& que, const QString& prueba, const QString& nombreTabla,
                    const QString& base) {
    return ErrorBdD(QStringLiteral("Los pedidos nuevos de este grupo %1 (%2): quizá un "
                                   "disparador (trigger) de la tabla %3 de la base de datos "
                                   "\"%4\" los cambia. No se guardó ninguno de ellos; revise ese "
                                   "disparador antes de acumular otra vez.")
                        .arg(que, prueba, nombreTabla, base));
}

// Runs inicio + the rows in as few statements as the size limit allows.
void insertaPorPartes(Conexion& conexion, const QByteArray& inicio,
                      const QVector<QByteArray>& filas) {
    qsizetype primera = 0;
    while (primera < filas.size()) {
        QByteArray sql = inicio;
        qsizetype n = 0;
        while (primera + n < filas.size() && (n == 0 || sql.size() < tamanoSentencia)) {
            if (n)
                sql += ',';
            sql += filas[primera + n];
            ++n;
        }
        conexion.ejecutaCrudo(sql);
        primera += n;
    }
}

} // namespace

struct MovimientoPedidos::Origen {
    QString pedido;                // "B-1520"
    QByteArray encabezado;         // the header columns copied, as literals
    QVector<QByteArray> renglones; // pending lines, the columns copied
    // Of each pending line, what an undo gives back: Partida, product, pending quantity.
    QVector<bitacora::RenglonMovido> movidos;
    bool conEncabezado = false;
};

MovimientoPedidos::MovimientoPedidos(Conexion& actual, const QString& serie,
                                     const bitacora::Bitacora* diario)
    : conexion_(actual), serie_(serie), diario_(diario) {
    sesion_ = actual.consulta(QStringLiteral("SELECT CONNECTION_ID()"))->entero(0);
}

QVector<FolioDado> MovimientoPedidos::mueve(const EmpresaOrigen& empresa,
                                            const QVector<qint64>& ids, qint64& siguienteFolio) {
    if (ids.isEmpty())
        return {};
    const QString detalle = tabla(empresa.base, "pedidosdetalle");
    host::Transaccion transaccion(conexion_);
    // The counter first: runs into the same series then queue here, before touching lines.
    FoliosSerie folios(conexion_, prefijoFolio, serie_);

    QHash<qint64, Origen> origenes;
    {
        host::FallosDe enOrigen(conexion_, empresa.base);
        // The pending lines, locked: a run that comes later waits and then finds them cleared.
        auto rl = conexion_.consulta(
            QStringLiteral("SELECT %1 FROM %2 WHERE Pedido<>0 AND Id IN (%3) ORDER BY Id, "
                           "Partida FOR UPDATE")
                .arg(seleccion({QStringLiteral("Id"), QStringLiteral("Partida"),
                                QStringLiteral("Producto"), QStringLiteral("Pedido")},
                               empresa.columnasRenglon),
                     detalle, host::listaIds(ids)));
        for (; !rl->eof(); rl->MoveNext()) {
            Origen& o = origenes[rl->entero(0)];
            o.renglones.push_back(cola(conexion_, *rl, 4));
            if (diario_)
                o.movidos.push_back({rl->valor(1), rl->valor(2), rl->crudo(3)});
        }

        auto re =
            conexion_.consulta(QStringLiteral("SELECT %1 FROM %2 WHERE Id IN (%3)")
                                   .arg(seleccion({QStringLiteral("Id"), QStringLiteral("Serie"),
                                                   QStringLiteral("Factura")},
                                                  empresa.columnasEncabezado),
                                        tabla(empresa.base, "pedidos"), host::listaIds(ids)));
        for (; !re->eof(); re->MoveNext()) {
            auto o = origenes.find(re->entero(0));
            if (o == origenes.end())
                continue;
            o->pedido = textoPedido(re->texto(1), re->entero(2));
            o->encabezado = cola(conexion_, *re, 3);
            o->conEncabezado = true;
        }
    }

    QVector<qint64> movidos;
    for (qint64 id : ids) {
        auto o = origenes.constFind(id);
        if (o != origenes.constEnd() && o->conEncabezado && !movidos.contains(id))
            movidos.push_back(id);
    }
    if (movidos.isEmpty())
        return {};

    const QVector<qint32> dados = folios.libres(siguienteFolio, int(movidos.size()));
    QVector<QByteArray> filas;
    filas.reserve(movidos.size());
    for (qsizetype k = 0; k < movidos.size(); ++k) {
        QByteArray fila = "(";
        conexion_.agregaLiteral(fila, dados[k]);
        fila += ',';
        conexion_.agregaLiteral(fila, serie_);
        fila += origenes[movidos[k]].encabezado;
        fila += ')';
        filas.push_back(fila);
    }
    insertaPorPartes(conexion_,
                     host::TablaInsercion::inicioInsercion(
                         QStringLiteral("pedidos"),
                         QStringList{QStringLiteral("Factura"), QStringLiteral("Serie")} +
                             empresa.columnasEncabezado),
                     filas);
    const QVector<qint64> nuevos = idsGuardados(dados);

    filas.clear();
    QVector<FolioDado> salida;
    QVector<int> copiados;
    for (qsizetype k = 0; k < movidos.size(); ++k) {
        const Origen& o = origenes[movidos[k]];
        QByteArray inicioFila = "(";
        conexion_.agregaLiteral(inicioFila, nuevos[k]);
        for (const QByteArray& r : o.renglones)
            filas.push_back(inicioFila + r + ')');
        copiados.push_back(int(o.renglones.size()));
        salida.push_back({serie_, dados[k], empresa.nombre, movidos[k], o.pedido, nuevos[k],
                          int(o.renglones.size())});
    }
    insertaPorPartes(conexion_,
                     host::TablaInsercion::inicioInsercion(QStringLiteral("pedidosdetalle"),
                                                           QStringList{QStringLiteral("Id")} +
                                                               empresa.columnasRenglon),
                     filas);
    // What an undo compares with: the new orders as the server holds them, read once for
    // the journal and the check of their lines.
    QHash<qint64, QString> resumenes;
    QHash<qint64, qint64> renglones;
    const bool conDiario = diario_ && diario_->activa();
    if (conDiario) {
        if (!resumenes_)
            resumenes_ =
                std::make_unique<bitacora::ResumenPedido::Lector>(conexion_, conexion_.baseEnUso());
        resumenes =
            resumenes_->lee(std::vector<qint64>(nuevos.begin(), nuevos.end()), false, &renglones);
    }
    compruebaRenglones(nuevos, dados, copiados, conDiario ? &renglones : nullptr);

    {
        host::FallosDe enOrigen(conexion_, empresa.base);
        const QString lista = host::listaIds(movidos);
        conexion_.ejecuta(PorVender::cambia(
            tabla(empresa.base, "productos"), detalle, QStringLiteral("Pedido"),
            QStringLiteral("Pedido<>0 AND Id IN (%1)").arg(lista), PorVender::Sentido::Baja));
        conexion_.ejecuta(
            QStringLiteral("UPDATE %1 SET Pedido=0 WHERE Id IN (%2)").arg(detalle, lista));
    }
    folios.guarda(dados.last());
    if (conDiario) {
        QVector<bitacora::PedidoAnotado> anotados;
        anotados.reserve(salida.size());
        for (const FolioDado& d : salida) {
            bitacora::PedidoAnotado a;
            a.resumen = resumenes.value(d.idNuevo);
            a.movidos = origenes[d.idOrigen].movidos;
            a.baseOrigen = empresa.base;
            a.idOrigen = d.idOrigen;
            a.pedidoOrigen = d.pedidoOrigen;
            a.idNuevo = d.idNuevo;
            a.pedidoNuevo = textoPedido(d.serie, d.folio);
            anotados.push_back(a);
        }
        diario_->anota(conexion_, anotados);
    }
    try {
        transaccion.confirma();
    } catch (const ErrorBdD& e) {
        // The COMMIT may have reached the server before the connection went: the group may
        // be stored, and only a look from a new connection can tell.
        if (e.conexionPerdida())
            throw ConfirmacionIncierta{salida, sesion_, e.mensaje()};
        throw;
    }
    siguienteFolio = qint64(dados.last()) + 1;
    return salida;
}

// The server gives the Id (an automatic counter, in whatever lock mode, or a trigger), and
// may tell none back: each new order is found by the series and folio this run just gave
// out, under the counter's lock.
QVector<qint64> MovimientoPedidos::idsGuardados(const QVector<qint32>& folios) {
    auto rs = conexion_.consulta(
        QStringLiteral("SELECT Factura, Id FROM pedidos WHERE Serie=? AND Factura IN (%1)")
            .arg(host::listaIds(folios)),
        {serie_});
    QHash<qint64, qint64> porFolio;
    QHash<qint64, int> veces;
    for (; !rs->eof(); rs->MoveNext()) {
        porFolio.insert(rs->entero(0), rs->entero(1));
        ++veces[rs->entero(0)];
    }
    QVector<qint64> nuevos;
    for (qint32 f : folios) {
        if (veces.value(f) != 1) {
            // A transaction a cluster node undid reads others' rows: that is a conflict.
            conexion_.compruebaTransaccion();
            throw noGuardado(
                QStringLiteral("no quedaron guardados con la serie y el folio que se "
                               "les dio"),
                veces.value(f) == 0
                    ? QStringLiteral("no se halló el pedido %1").arg(textoPedido(serie_, f))
                    : QStringLiteral("el pedido %1 está %2 veces")
                          .arg(textoPedido(serie_, f))
                          .arg(veces.value(f)),
                QStringLiteral("pedidos"), conexion_.base());
        }
        nuevos.push_back(porFolio.value(f));
    }
    return nuevos;
}

void MovimientoPedidos::compruebaRenglones(const QVector<qint64>& nuevos,
                                           const QVector<qint32>& folios,
                                           const QVector<int>& copiados,
                                           const QHash<qint64, qint64>* leidos) {
    QHash<qint64, qint64> hay;
    if (leidos)
        hay = *leidos;
    else
        for (auto rs = conexion_.consulta(QStringLiteral("SELECT Id, COUNT(*) FROM pedidosdetalle "
                                                         "WHERE Id IN (%1) GROUP BY Id")
                                              .arg(host::listaIds(nuevos)));
             !rs->eof(); rs->MoveNext())
            hay.insert(rs->entero(0), rs->entero(1));
    for (qsizetype k = 0; k < nuevos.size(); ++k)
        if (hay.value(nuevos[k]) != copiados[k]) {
            conexion_.compruebaTransaccion();
            throw noGuardado(
                QStringLiteral("no quedaron con los renglones que se copiaron"),
                QStringLiteral("el pedido %1, con Id %2, tiene %3 y se le %4 %5; "
                               "quizá ya había renglones con ese Id")
                    .arg(textoPedido(serie_, folios[k]))
                    .arg(nuevos[k])
                    .arg(cantidad(hay.value(nuevos[k]), QStringLiteral("renglón"),
                                  QStringLiteral("renglones")),
                         copiados[k] == 1 ? QStringLiteral("copió") : QStringLiteral("copiaron"))
                    .arg(copiados[k]),
                QStringLiteral("pedidosdetalle"), conexion_.base());
        }
}

} // namespace acumulacion
