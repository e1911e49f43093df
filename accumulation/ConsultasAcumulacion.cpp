#include "accumulation/ConsultasAcumulacion.h"

#include "shell/host/BasesDD.h"
#include "shell/host/libNucleo.h"

#include <algorithm>
#include <limits>

namespace acumulacion {

using host::BasesDD;
using host::Conexion;

bool SeriesEnPedidos(Conexion& conexion) {
    const QString valor =
        BasesDD::LeeDato(QStringLiteral("SeriesEnPed"), conexion, QStringLiteral("configura"))
            .trimmed();
    if (valor.isEmpty())
        return false;
    bool numero = false;
    const double n = valor.toDouble(&numero);
    if (numero)
        return n != 0;
    static const QStringList verdaderos = {QStringLiteral("true"), QStringLiteral("verdadero"),
                                           QStringLiteral("sí"),   QStringLiteral("si"),
                                           QStringLiteral("s"),    QStringLiteral("yes")};
    return verdaderos.contains(valor.toLower());
}

QStringList SeriesActivas(Conexion& conexion) {
    // Counters and their flags in one read; the flag is compared here, exactly, because the
    // server's collation would take "Si" for "Sí".
    auto rs = conexion.consulta(
        QStringLiteral("SELECT s.Dato, f.Contenido FROM sistema s LEFT JOIN sistema f "
                       "ON f.Dato=CONCAT(LEFT(s.Dato,2),'+A',SUBSTRING(s.Dato,3)) "
                       "WHERE s.Dato LIKE ? ORDER BY s.Dato"),
        {prefijoFolio + QLatin1Char('%')});
    QStringList series;
    for (; !rs->eof(); rs->MoveNext())
        if (!rs->esNulo(1) && rs->texto(1) == QStringLiteral("Sí"))
            series << rs->texto(0).mid(3);
    return series;
}

QString SerieInicial(Conexion& conexion) {
    return SeriesActivas(conexion).value(0);
}

qint32 FolioPropuesto(Conexion& conexion, const QString& serie) {
    const qint64 actual = qint64(host::libNucleo::nxVal(
        BasesDD::LeeDato(prefijoFolio + serie.trimmed(), conexion, QStringLiteral("sistema"))));
    return qint32(std::clamp<qint64>(actual + 1, 0, std::numeric_limits<qint32>::max()));
}

QString NombreCliente(Conexion& conexion, const QString& clave) {
    const QString c = clave.trimmed();
    if (c.isEmpty())
        return {};
    auto rs = conexion.consulta(QStringLiteral("SELECT Nombre FROM clientes WHERE Clave=?"), {c});
    return rs->eof() ? QString() : rs->texto(0);
}

QVector<EmpresaOrigen> EmpresasOrigen(Conexion& conexion, const QString& baseActual) {
    // Both names lowered: a current database written in capitals is still left out.
    auto rs = conexion.consulta(
        QStringLiteral("SELECT BaseDeDatos, lcase(BaseDeDatos) AS Nombre "
                       "FROM generalkorvan.empresas WHERE lcase(BaseDeDatos)<>lcase(?) "
                       "ORDER BY Id"),
        {baseActual});
    QVector<EmpresaOrigen> empresas;
    for (; !rs->eof(); rs->MoveNext())
        empresas.push_back({rs->texto(0), rs->texto(1)});
    return empresas;
}

bool AbreEmpresa(Conexion& conexion, const QString& base) {
    try {
        conexion.ejecuta(QStringLiteral("USE %1").arg(Conexion::identificador(base)));
        return true;
    } catch (const host::ErrorBdD& e) {
        if (e.conexionPerdida())
            throw;
        return false;
    }
}

std::unique_ptr<host::Recordset> PedidosPendientes(Conexion& conexion, const QDate& desde,
                                                   const QDate& hasta) {
    return conexion.consulta(
        QStringLiteral("SELECT pedidos.Id, pedidos.Serie, pedidos.Factura, "
                       "pedidos.Subtotal+pedidos.IVA+pedidos.ImpuestoAd AS Total "
                       "FROM pedidos LEFT JOIN pedidosdetalle ON pedidos.Id=pedidosdetalle.Id "
                       "WHERE pedidos.Fecha>=? AND pedidos.Fecha<=? AND pedidosdetalle.Pedido<>0 "
                       "GROUP BY pedidos.Id ORDER BY pedidos.Id"),
        {desde, hasta});
}

QString textoPedido(const QString& serie, qint64 folio) {
    const QString s = serie.trimmed();
    return s.isEmpty() ? QString::number(folio) : s + QLatin1Char('-') + QString::number(folio);
}

} // namespace acumulacion
