#include "import/DetalleRevision.h"

#include "import/AcumuladoExistencias.h"
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
    for (qsizetype i = 0; i < claves.size(); i += clavesPorConsulta) {
        QByteArray lista;
        for (const QString& c : claves.mid(i, clavesPorConsulta)) {
            if (!lista.isEmpty())
                lista += ',';
            conexion.agregaLiteral(lista, c);
        }
        salida << QString::fromUtf8(lista);
    }
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

QHash<QString, std::pair<QString, QString>>
DetalleRevision::leeProductos(const QStringList& codigos, bool bloquea) {
    QHash<QString, std::pair<QString, QString>> salida;
    for (qsizetype i = 0; i < codigos.size(); i += clavesPorConsulta) {
        // Each code is matched as the raise matches it, by the server.
        QString tabla;
        QVariantList valores;
        for (const QString& c : codigos.mid(i, clavesPorConsulta)) {
            tabla += tabla.isEmpty() ? QStringLiteral("SELECT ? AS k")
                                     : QStringLiteral(" UNION ALL SELECT ?");
            valores << c;
        }
        auto rs = conexion_.consulta(
            QStringLiteral("SELECT t.k, p.Clave, p.PorVender FROM (%1) t JOIN productos p "
                           "ON p.Clave=t.k%2")
                .arg(tabla, bloquea ? QStringLiteral(" FOR UPDATE") : QString()),
            valores);
        for (; !rs->eof(); rs->MoveNext())
            salida.insert(rs->texto(0), {rs->texto(1), rs->texto(2)});
    }
    return salida;
}

void DetalleRevision::antesDeExistencias(const AcumuladoExistencias& sumas) {
    sumas_ = sumas.sumas();
    QStringList codigos = sumas_.keys();
    codigos.sort();
    // Read with the lock the raise takes anyway, so the value is the one it raises.
    const auto hallados = leeProductos(codigos, true);
    for (const QString& codigo : std::as_const(codigos)) {
        const auto p = hallados.constFind(codigo);
        if (p == hallados.cend()) {
            ausentes_[codigo] += sumas_.value(codigo);
            continue;
        }
        auto nuevo = productos_.find(p->first);
        if (nuevo == productos_.end())
            nuevo = productos_.insert(p->first, Producto{p->second, {}, 0});
        nuevo->aumento += sumas_.value(codigo);
    }
}

void DetalleRevision::despuesDeExistencias() {
    QStringList codigos = sumas_.keys();
    codigos.sort();
    const auto hallados = leeProductos(codigos, false);
    for (auto p = hallados.cbegin(); p != hallados.cend(); ++p) {
        const auto producto = productos_.find(p->first);
        if (producto != productos_.end())
            producto->despues = p->second;
    }
    sumas_.clear();
}

QVector<CambioPorVender> DetalleRevision::existencias() const {
    QVector<CambioPorVender> salida;
    for (auto p = productos_.cbegin(); p != productos_.cend(); ++p)
        salida.push_back({p.key(), true, p->antes, p->despues,
                          sinCeros(AcumuladoExistencias::texto(p->aumento))});
    for (auto a = ausentes_.cbegin(); a != ausentes_.cend(); ++a)
        salida.push_back({a.key(), false, {}, {}, sinCeros(AcumuladoExistencias::texto(*a))});
    std::sort(salida.begin(), salida.end(), [](const CambioPorVender& a, const CambioPorVender& b) {
        return a.producto < b.producto;
    });
    return salida;
}

} // namespace importacion
