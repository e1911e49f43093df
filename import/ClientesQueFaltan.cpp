#include "import/ClientesQueFaltan.h"

#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

#include <QSet>

namespace importacion {

namespace {

constexpr qsizetype clavesPorConsulta = 500;

// The rows of clientes whose Clave is one of these, locked, as the table holds them.
std::unique_ptr<host::Recordset> busca(host::Conexion& conexion, const QStringList& claves) {
    return conexion.consulta(QStringLiteral("SELECT Clave FROM clientes WHERE Clave IN (%1) "
                                            "FOR UPDATE")
                                 .arg(conexion.listaLiterales(claves)));
}

} // namespace

bool ClaveUnicaEnClientes(host::Conexion& conexion) {
    return !conexion
                .consulta(QStringLiteral(
                    "SELECT INDEX_NAME FROM information_schema.STATISTICS WHERE "
                    "TABLE_SCHEMA=DATABASE() AND TABLE_NAME='clientes' AND NON_UNIQUE=0 "
                    "GROUP BY INDEX_NAME HAVING COUNT(*)=1 AND MAX(LOWER(COLUMN_NAME))='clave' "
                    "AND MAX(SUB_PART) IS NULL"))
                ->eof();
}

std::vector<char> ClientesQueFaltan(host::Conexion& conexion, const QStringList& claves,
                                    bool claveUnica) {
    std::vector<char> faltan(std::size_t(claves.size()), 1);
    QSet<QString> halladas;
    for (qsizetype i = 0; i < claves.size(); i += clavesPorConsulta)
        for (auto rs = busca(conexion, claves.mid(i, clavesPorConsulta)); !rs->eof();
             rs->MoveNext())
            halladas.insert(rs->texto(0));
    if (halladas.isEmpty())
        return faltan;
    for (qsizetype i = 0; i < claves.size(); ++i)
        if (halladas.contains(claves[i]))
            faltan[std::size_t(i)] = 0;
    if (claveUnica)
        return faltan;
    // A key written otherwise than the row it found is among those not matched exactly:
    // they are asked again together, and one by one only when that finds a row.
    QStringList otras;
    std::vector<qsizetype> posiciones;
    for (qsizetype i = 0; i < claves.size(); ++i)
        if (faltan[std::size_t(i)]) {
            otras << claves[i];
            posiciones.push_back(i);
        }
    for (qsizetype i = 0; i < otras.size(); i += clavesPorConsulta) {
        const QStringList parte = otras.mid(i, clavesPorConsulta);
        if (busca(conexion, parte)->eof())
            continue;
        for (qsizetype k = 0; k < parte.size(); ++k)
            if (!busca(conexion, {parte[k]})->eof())
                faltan[std::size_t(posiciones[std::size_t(i + k)])] = 0;
    }
    return faltan;
}

} // namespace importacion
