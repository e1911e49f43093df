#include "import/PedidosGuardados.h"

#include "shell/host/Conexion.h"
#include "shell/host/ListaIds.h"
#include "shell/host/Recordset.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace importacion {

using host::ErrorBdD;

namespace {

QString texto(const PedidosGuardados::Dado& d) {
    return QStringLiteral("Id %1, folio %2%3")
        .arg(d.id)
        .arg(d.serie.isEmpty() ? QString() : d.serie + QLatin1Char('-'))
        .arg(d.folio);
}

ErrorBdD sinPareja(const PedidosGuardados::Dado& d, const QString& base, const QString& por) {
    return ErrorBdD(QStringLiteral("Del pedido de la línea %1 del archivo no se pudo saber con "
                                   "qué Id y folio quedó guardado: se le dio %2, y en la base de "
                                   "datos \"%3\" %4. Quizá un disparador (trigger) de la tabla "
                                   "pedidos cambia los dos; revíselo antes de importar otra vez.")
                        .arg(d.linea)
                        .arg(texto(d), base, por));
}

} // namespace

QVector<PedidosGuardados::Dado> PedidosGuardados::lee(host::Conexion& conexion,
                                                      const QVector<Dado>& dados) {
    if (dados.isEmpty())
        return {};
    std::vector<qint64> ids;
    for (const Dado& d : dados)
        ids.push_back(d.id);
    QHash<qint64, Dado> porId;
    for (auto rs = conexion.consulta(QStringLiteral("SELECT Id, Serie, Factura FROM pedidos "
                                                    "WHERE %1")
                                         .arg(condicion(ids)));
         !rs->eof(); rs->MoveNext())
        porId.insert(rs->entero(0), {rs->entero(0), rs->texto(1), rs->entero(2), 0});
    const auto igual = [](const Dado& a, const Dado& b) {
        return a.id == b.id && a.serie == b.serie && a.folio == b.folio;
    };
    bool todos = true;
    for (const Dado& d : dados)
        todos = todos && igual(porId.value(d.id), d);
    if (todos)
        return dados;

    // A trigger changed something. The Ids given and the folios given were free before the
    // insert, under the import's locks, so a row holding either is one of these orders: all
    // of them are found by their series and folio (the trigger gave the Id), or all by their
    // Id (it gave the folio). A mix cannot be told apart.
    QHash<QString, QStringList> porSerie;
    for (const Dado& d : dados)
        porSerie[d.serie] << QString::number(d.folio);
    QMultiHash<QPair<QString, qint64>, Dado> porFolio;
    for (auto s = porSerie.cbegin(); s != porSerie.cend(); ++s)
        for (auto rs = conexion.consulta(QStringLiteral("SELECT Id, Serie, Factura FROM pedidos "
                                                        "WHERE Serie=? AND Factura IN (%1)")
                                             .arg(s->join(QLatin1Char(','))),
                                         {s.key()});
             !rs->eof(); rs->MoveNext())
            // The table's collation may match series written otherwise ("a", "A"): they
            // share their counter, so never a folio.
            porFolio.insert({s.key(), rs->entero(2)},
                            {rs->entero(0), rs->texto(1), rs->entero(2), 0});
    QVector<Dado> guardados;
    QSet<qint64> vistos;
    for (const Dado& d : dados) {
        const QList<Dado> hallados = porFolio.values({d.serie, d.folio});
        if (hallados.size() != 1 || vistos.contains(hallados.first().id))
            break;
        vistos.insert(hallados.first().id);
        guardados.push_back(hallados.first());
        guardados.back().linea = d.linea;
    }
    if (guardados.size() == dados.size())
        return guardados;
    guardados.clear();
    for (const Dado& d : dados) {
        if (!porId.contains(d.id))
            break;
        guardados.push_back(porId.value(d.id));
        guardados.back().linea = d.linea;
    }
    if (guardados.size() == dados.size())
        return guardados;
    conexion.compruebaTransaccion();
    for (const Dado& d : dados) {
        const qsizetype conFolio = porFolio.count({d.serie, d.folio});
        if (!porId.contains(d.id) && conFolio == 0)
            throw sinPareja(d, conexion.base(),
                            QStringLiteral("no hay ningún pedido con ese Id ni con ese folio"));
        if (conFolio > 1)
            throw sinPareja(d, conexion.base(),
                            QStringLiteral("hay %1 pedidos con ese folio").arg(conFolio));
    }
    throw sinPareja(dados.first(), conexion.base(),
                    QStringLiteral("unos pedidos quedaron con el Id que se les dio y otros con "
                                   "el folio, sin que se sepa cuál es cuál"));
}

void PedidosGuardados::compruebaRenglones(host::Conexion& conexion, const QVector<Dado>& guardados,
                                          const QVector<int>& renglones) {
    std::vector<qint64> ids;
    for (const Dado& d : guardados)
        ids.push_back(d.id);
    if (ids.empty())
        return;
    QHash<qint64, qint64> hay;
    for (auto rs = conexion.consulta(QStringLiteral("SELECT Id, COUNT(*) FROM pedidosdetalle "
                                                    "WHERE %1 GROUP BY Id")
                                         .arg(condicion(ids)),
                                     {}, host::Conexion::Lectura::EnFlujo);
         !rs->eof(); rs->MoveNext())
        hay.insert(rs->entero(0), rs->entero(1));
    for (qsizetype k = 0; k < guardados.size(); ++k)
        if (hay.value(guardados[k].id) != renglones[k]) {
            // A transaction a cluster node undid reads others' rows: that is a conflict.
            conexion.compruebaTransaccion();
            throw ErrorBdD(QStringLiteral("Los pedidos importados no quedaron con los renglones "
                                          "del archivo: el de la línea %1 (%2) tiene %3 en la "
                                          "base de datos \"%4\", y el archivo le da %5. Quizá un "
                                          "disparador (trigger) de la tabla pedidosdetalle "
                                          "cambia su Id, o ya había renglones con ese Id.")
                               .arg(guardados[k].linea)
                               .arg(texto(guardados[k]))
                               .arg(hay.value(guardados[k].id))
                               .arg(conexion.base())
                               .arg(renglones[k]));
        }
}

QString PedidosGuardados::condicion(const std::vector<qint64>& ids) {
    // The Ids grow by one except where one in use was skipped: a few runs.
    return host::condicionIds(u"Id", ids);
}

} // namespace importacion
