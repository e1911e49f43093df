#include "export/Exportacion.h"

#include "journal/ConsultasBitacora.h"
#include "shell/host/BasesDD.h"
#include "shell/host/TextoConDetalle.h"

#include <algorithm>

#include <QSet>

namespace exportacion {

std::vector<FilaExportar> BuscaPedidosExportar(host::Conexion& conexion,
                                               const std::optional<QDate>& desde,
                                               const std::optional<QDate>& hasta) {
    QString condicion;
    QVariantList valores;
    const auto agrega = [&](const QString& termino, const QDate& fecha) {
        condicion += condicion.isEmpty() ? QStringLiteral(" where ") : QStringLiteral(" and ");
        condicion += termino;
        valores << fecha;
    };
    if (desde && desde->isValid())
        agrega(QStringLiteral("Fecha>=?"), *desde);
    if (hasta && hasta->isValid())
        agrega(QStringLiteral("Fecha<=?"), *hasta);

    std::vector<FilaExportar> filas;
    std::unique_ptr<host::Recordset> rs;
    // Id breaks ties between orders of one day, so the list is the same every time.
    host::BasesDD::AbrirTabla(
        rs, conexion, QStringLiteral("pedidos") + condicion + QStringLiteral(" order by Fecha, Id"),
        valores, QStringLiteral("Id,Serie,Factura,Fecha,Subtotal,IVA"));
    for (; !rs->eof(); rs->MoveNext()) {
        FilaExportar f;
        f.id = rs->entero(0);
        f.serie = rs->texto(1);
        f.factura = rs->entero(2);
        f.fecha = rs->esNulo(3) ? QDate() : rs->fecha(3);
        f.subtotal = rs->numero(4);
        f.iva = rs->numero(5);
        filas.push_back(std::move(f));
    }
    return filas;
}

ListaExportar ListaPedidosExportar(host::Conexion& conexion, const std::optional<QDate>& desde,
                                   const std::optional<QDate>& hasta) {
    ListaExportar lista{BuscaPedidosExportar(conexion, desde, hasta), {}};
    if (lista.filas.empty())
        return lista;
    const auto [menor, mayor] = std::minmax_element(
        lista.filas.begin(), lista.filas.end(),
        [](const FilaExportar& a, const FilaExportar& b) { return a.id < b.id; });
    try {
        const QHash<qint64, QDateTime> exportados =
            bitacora::ConsultasBitacora::ultimasExportaciones(conexion, menor->id, mayor->id);
        if (!exportados.isEmpty())
            for (FilaExportar& f : lista.filas)
                f.exportado = exportados.value(f.id);
    } catch (const host::ErrorBdD& e) {
        if (e.conexionPerdida())
            throw;
        lista.aviso = host::TextoConDetalle::conDetalle(
            QStringLiteral("No se pudo leer en la bitácora cuándo se exportó cada pedido: la "
                           "columna \"Exportado\" queda vacía."),
            host::TextoConDetalle::separa(e.mensaje()).principal);
    }
    return lista;
}

QVector<qint64> PedidosElegidos(host::Conexion& conexion, const std::optional<QDate>& desde,
                                const std::optional<QDate>& hasta, const QVector<qint64>& pedidos,
                                QStringList& avisos) {
    const QSet<qint64> pedidas(pedidos.cbegin(), pedidos.cend());
    QVector<qint64> ids;
    QSet<qint64> hallados;
    for (const auto& f : BuscaPedidosExportar(conexion, desde, hasta)) {
        if (!pedidas.isEmpty() && !pedidas.contains(f.id))
            continue;
        ids << f.id;
        hallados.insert(f.id);
    }
    for (qint64 id : pedidos)
        if (!hallados.contains(id))
            avisos
                << QStringLiteral("Aviso: no hay pedido con Id %1 en el rango de fechas.").arg(id);
    return ids;
}

} // namespace exportacion
