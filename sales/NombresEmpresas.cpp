#include "sales/NombresEmpresas.h"

#include "shell/host/Conexion.h"
#include "shell/host/ErrorBdD.h"
#include "shell/host/Recordset.h"

namespace acumulacion {

QHash<QString, QString> NombresEmpresas(host::Conexion& conexion) {
    QHash<QString, QString> nombres;
    try {
        auto columna = conexion.consulta(
            QStringLiteral("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE "
                           "TABLE_SCHEMA='generalkorvan' AND TABLE_NAME='empresas' AND "
                           "COLUMN_NAME IN ('Nombre', 'BaseDeDatos')"));
        if (columna->eof() || columna->texto(0) != QLatin1String("2"))
            return nombres;
        auto rs = conexion.consulta(QStringLiteral(
            "SELECT lcase(BaseDeDatos), Nombre FROM generalkorvan.empresas ORDER BY Id"));
        for (; !rs->eof(); rs->MoveNext()) {
            const QString nombre = rs->esNulo(1) ? QString() : rs->texto(1).trimmed();
            // Of a database listed twice, the first name counts, as the accumulation's order.
            if (!nombre.isEmpty() && !nombres.contains(rs->texto(0)))
                nombres.insert(rs->texto(0), nombre);
        }
    } catch (const host::ErrorBdD&) {
        // The names only add to what is shown: without them the database names stand alone.
        nombres.clear();
    }
    return nombres;
}

QString conEmpresa(const QString& base, const QHash<QString, QString>& nombres) {
    const QString nombre = nombres.value(base.toLower());
    if (nombre.isEmpty() || nombre.compare(base, Qt::CaseInsensitive) == 0)
        return base;
    return QStringLiteral("%1 (%2)").arg(base, nombre);
}

} // namespace acumulacion
