#include "import/DetalleRevision.h"

#include "sales/PorVender.h"
#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

#include <algorithm>

namespace importacion {

namespace {

constexpr qsizetype clavesPorConsulta = 500;

// "3.500000000000" -> "3.5", "2.000000000000" -> "2".
QString sinCeros(QString t) {
    if (!t.contains(QLatin1Char('.')))
        return t;
    while (t.endsWith(QLatin1Char('0')))
        t.chop(1);
    if (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    return t;
}

// The keys as literals for an IN list, in parts of clavesPorConsulta.
QStringList listas(host::Conexion& conexion, const QStringList& claves) {
    QStringList salida;
    for (qsizetype i = 0; i < claves.size(); i += clavesPorConsulta)
        salida << conexion.listaLiterales(claves.mid(i, clavesPorConsulta));
    return salida;
}

} // namespace

DetalleRevision::DetalleRevision(host::Conexion& conexion) : conexion_(conexion) {}

void DetalleRevision::antesDeClientes(const QStringList& claves) {
    claves_ = claves;
    existentes_.clear();
    for (const QString& lista : listas(conexion_, claves_)) {
        auto rs = conexion_.consulta(
            QStringLiteral("SELECT Clave FROM clientes WHERE Clave IN (%1)").arg(lista));
        for (; !rs->eof(); rs->MoveNext())
            existentes_.insert(rs->texto(0));
    }
}

void DetalleRevision::despuesDeClientes() {
    // The rows matching the keys now that were not there before are the ones the insert
    // made, with their keys as stored.
    for (const QString& lista : listas(conexion_, claves_)) {
        auto rs = conexion_.consulta(
            QStringLiteral("SELECT Clave, Nombre FROM clientes WHERE Clave IN (%1)").arg(lista));
        for (; !rs->eof(); rs->MoveNext())
            if (!existentes_.contains(rs->texto(0))) {
                existentes_.insert(rs->texto(0));
                clientes_.push_back({rs->texto(0), rs->texto(1)});
            }
    }
}

QVector<CambioPorVender> DetalleRevision::existencias(const QString& lineas) {
    // The raise holds the products' rows until the end, so their value before it is the
    // present one less the sum, worked out exactly by the server.
    auto rs = conexion_.consulta(
        QStringLiteral("SELECT x.Producto, p.Clave, p.PorVender-x.Suma, p.PorVender, x.Suma "
                       "FROM (%1) x LEFT JOIN productos p ON p.Clave=x.Producto")
            .arg(acumulacion::PorVender::sumaPorProducto(QStringLiteral("pedidosdetalle"),
                                                         QStringLiteral("Cantidad"), lineas)));
    QVector<CambioPorVender> salida;
    for (; !rs->eof(); rs->MoveNext()) {
        if (rs->esNulo(1))
            salida.push_back({rs->texto(0), false, {}, {}, sinCeros(rs->texto(4))});
        else
            salida.push_back(
                {rs->texto(1), true, rs->texto(2), rs->texto(3), sinCeros(rs->texto(4))});
    }
    std::sort(salida.begin(), salida.end(), [](const CambioPorVender& a, const CambioPorVender& b) {
        return a.producto < b.producto;
    });
    return salida;
}

} // namespace importacion
