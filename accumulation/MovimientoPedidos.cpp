#include "accumulation/MovimientoPedidos.h"

#include "accumulation/ConfirmacionIncierta.h"
#include "accumulation/FoliosSerie.h"
#include "data/Bitacora.h"
#include "shell/host/Recordset.h"

#include <QHash>
#include <functional>

namespace acumulacion {

using host::Conexion;
using host::ErrorBdD;

namespace {

// Multi-row statements stay well below the server's packet limit.
constexpr qsizetype tamanoSentencia = 1 << 20;

QString tabla(const QString& base, const char* nombre) {
    return Conexion::identificador(base) + QLatin1Char('.') + QLatin1String(nombre);
}

QString listaIds(const Conexion& conexion, const QVector<qint64>& ids) {
    QByteArray lista;
    for (qint64 id : ids) {
        if (!lista.isEmpty())
            lista += ',';
        conexion.agregaLiteral(lista, id);
    }
    return QString::fromLatin1(lista);
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

void exigeColumnas(const host::Recordset& origen, const host::TablaInsercion& destino,
                   const QString& base) {
    if (origen.columnas() > destino.columnas().size())
        throw ErrorBdD(QStringLiteral("La tabla %1 de \"%2\" tiene %3 columnas y la de la base "
                                      "actual %4: no se puede copiar columna por columna.")
                           .arg(destino.tabla(), base)
                           .arg(origen.columnas())
                           .arg(destino.columnas().size()));
}

// Runs inicio + the rows in as few statements as the size limit allows; after each one,
// hecho(index of its first row, rows in it).
void insertaPorPartes(Conexion& conexion, const QByteArray& inicio,
                      const QVector<QByteArray>& filas,
                      const std::function<void(qsizetype, qsizetype)>& hecho) {
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
        hecho(primera, n);
        primera += n;
    }
}

} // namespace

struct MovimientoPedidos::Origen {
    QString pedido;                // "B-1520"
    QByteArray encabezado;         // header columns from the fourth on, as literals
    QVector<QByteArray> renglones; // pending lines, columns from the second on
    bool conEncabezado = false;
};

MovimientoPedidos::MovimientoPedidos(Conexion& actual, const QString& serie,
                                     const bitacora::Bitacora* diario)
    : conexion_(actual), serie_(serie), diario_(diario),
      encabezados_(actual, QStringLiteral("pedidos")),
      renglones_(actual, QStringLiteral("pedidosdetalle")),
      posFactura_(encabezados_.posicion(QStringLiteral("Factura"))),
      posSerie_(encabezados_.posicion(QStringLiteral("Serie"))) {
    if (posFactura_ < 1 || posFactura_ > 2 || posSerie_ < 1 || posSerie_ > 2)
        throw ErrorBdD(QStringLiteral("La tabla pedidos de \"%1\" no empieza con las columnas "
                                      "Id, Factura y Serie.")
                           .arg(actual.base()));
    // Lock modes 0 and 1 give a multi-row insert of known size consecutive keys; mode 2 may
    // interleave them with other sessions' inserts.
    auto rs = actual.consulta(QStringLiteral(
        "SELECT @@innodb_autoinc_lock_mode, @@auto_increment_increment, CONNECTION_ID()"));
    idsConsecutivos_ = rs->entero(0) <= 1;
    incremento_ = std::max<qint64>(1, rs->entero(1));
    sesion_ = rs->entero(2);
}

QVector<FolioDado> MovimientoPedidos::mueve(const EmpresaOrigen& empresa,
                                            const QVector<qint64>& ids, qint64& siguienteFolio) {
    if (ids.isEmpty())
        return {};
    const QString detalle = tabla(empresa.base, "pedidosdetalle");
    host::Transaccion transaccion(conexion_);
    // The counter first: runs into the same series then queue here, before touching lines.
    FoliosSerie folios(conexion_, prefijoFolio, serie_);

    // The pending lines, locked: a run that comes later waits and then finds them cleared.
    QHash<qint64, Origen> origenes;
    auto rl = conexion_.consulta(QStringLiteral("SELECT * FROM %1 WHERE Pedido<>0 AND Id IN (%2) "
                                                "ORDER BY Id, Partida FOR UPDATE")
                                     .arg(detalle, listaIds(conexion_, ids)));
    exigeColumnas(*rl, renglones_, empresa.nombre);
    const int columnasRenglon = rl->columnas();
    for (; !rl->eof(); rl->MoveNext())
        origenes[rl->entero(0)].renglones.push_back(cola(conexion_, *rl, 1));

    auto re =
        conexion_.consulta(QStringLiteral("SELECT * FROM %1 WHERE Id IN (%2)")
                               .arg(tabla(empresa.base, "pedidos"), listaIds(conexion_, ids)));
    exigeColumnas(*re, encabezados_, empresa.nombre);
    const int columnasEncabezado = re->columnas();
    const int serieOrigen = re->posicion(QStringLiteral("Serie"));
    const int folioOrigen = re->posicion(QStringLiteral("Factura"));
    for (; !re->eof(); re->MoveNext()) {
        auto o = origenes.find(re->entero(0));
        if (o == origenes.end())
            continue;
        o->pedido = textoPedido(re->texto(serieOrigen), re->entero(folioOrigen));
        o->encabezado = cola(conexion_, *re, 3);
        o->conEncabezado = true;
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
    const QVector<qint64> nuevos = insertaEncabezados(filas, dados, columnasEncabezado);

    filas.clear();
    QVector<FolioDado> salida;
    for (qsizetype k = 0; k < movidos.size(); ++k) {
        const Origen& o = origenes[movidos[k]];
        QByteArray inicioFila = "(";
        conexion_.agregaLiteral(inicioFila, nuevos[k]);
        for (const QByteArray& r : o.renglones)
            filas.push_back(inicioFila + r + ')');
        salida.push_back({serie_, dados[k], empresa.nombre, movidos[k], o.pedido, nuevos[k],
                          int(o.renglones.size())});
    }
    insertaRenglones(filas, columnasRenglon);

    const QString lista = listaIds(conexion_, movidos);
    conexion_.ejecuta(QStringLiteral("UPDATE %1 p JOIN (SELECT Producto, SUM(Pedido) AS Cantidad "
                                     "FROM %2 WHERE Pedido<>0 AND Id IN (%3) GROUP BY Producto) x "
                                     "ON p.Clave=x.Producto SET p.PorVender=p.PorVender-x.Cantidad")
                          .arg(tabla(empresa.base, "productos"), detalle, lista));
    conexion_.ejecuta(
        QStringLiteral("UPDATE %1 SET Pedido=0 WHERE Id IN (%2)").arg(detalle, lista));
    folios.guarda(dados.last());
    if (diario_) {
        QVector<bitacora::PedidoAnotado> anotados;
        anotados.reserve(salida.size());
        for (const FolioDado& d : salida) {
            bitacora::PedidoAnotado a;
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

QVector<qint64> MovimientoPedidos::insertaEncabezados(const QVector<QByteArray>& filas,
                                                      const QVector<qint32>& folios, int columnas) {
    QVector<int> posiciones{posFactura_, posSerie_};
    for (int i = 3; i < columnas; ++i)
        posiciones.push_back(i);
    const QByteArray inicio = encabezados_.inicioInsercion(posiciones);
    QVector<qint64> nuevos(filas.size());
    if (!idsConsecutivos_) {
        for (qsizetype k = 0; k < filas.size(); ++k) {
            conexion_.ejecutaCrudo(inicio + filas[k]);
            nuevos[k] = qint64(conexion_.ultimoId());
        }
        return nuevos;
    }
    insertaPorPartes(conexion_, inicio, filas, [&](qsizetype primera, qsizetype n) {
        const qint64 id = qint64(conexion_.ultimoId());
        for (qsizetype k = 0; k < n; ++k)
            nuevos[primera + k] = id + k * incremento_;
    });
    // The keys were worked out, not read: make sure each one holds the folio it should.
    auto rs = conexion_.consulta(QStringLiteral("SELECT Id, Factura FROM pedidos WHERE Id IN (%1)")
                                     .arg(listaIds(conexion_, nuevos)));
    QHash<qint64, qint64> encontrados;
    for (; !rs->eof(); rs->MoveNext())
        encontrados.insert(rs->entero(0), rs->entero(1));
    for (qsizetype k = 0; k < nuevos.size(); ++k)
        if (encontrados.value(nuevos[k], -1) != folios[k])
            throw ErrorBdD(QStringLiteral("El servidor no dio claves consecutivas a los pedidos "
                                          "nuevos; no se guardó ninguno de este grupo."));
    return nuevos;
}

void MovimientoPedidos::insertaRenglones(const QVector<QByteArray>& filas, int columnas) {
    QVector<int> posiciones;
    for (int i = 0; i < columnas; ++i)
        posiciones.push_back(i);
    insertaPorPartes(conexion_, renglones_.inicioInsercion(posiciones), filas,
                     [](qsizetype, qsizetype) {});
}

} // namespace acumulacion
