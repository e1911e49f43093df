#include "journal/ResumenCliente.h"

#include "journal/EsquemaBitacora.h"
#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

namespace bitacora {

namespace {

// Fewer than 1000 keys a statement: MariaDB turns a longer IN list into a join.
constexpr qsizetype porConsulta = 900;

} // namespace

ResumenCliente::ResumenCliente(host::Conexion& conexion, const QString& tabla)
    : conexion_(conexion), tabla_(tabla) {
    // Each value as the hexadecimal of its bytes (a number or a date as the server writes
    // it), a NULL as N: no value can pass for another, whatever the columns' character sets.
    QStringList partes;
    auto rs = conexion.consulta(QStringLiteral("SELECT * FROM %1 WHERE 0").arg(tabla));
    for (const auto& c : rs->listaColumnas())
        partes << QStringLiteral("IFNULL(HEX(CAST(%1 AS BINARY)),'N')")
                      .arg(host::Conexion::identificador(c.nombre));
    expresion_ = QStringLiteral("SHA2(CONCAT_WS(',',%1),256)").arg(partes.join(u','));
}

QHash<QString, QString> ResumenCliente::lee(const QStringList& claves) const {
    QHash<QString, QString> salida;
    for (qsizetype i = 0; i < claves.size(); i += porConsulta)
        for (auto rs = conexion_.consulta(
                 QStringLiteral("SELECT Clave, %1 FROM %2 WHERE Clave IN (%3) FOR UPDATE")
                     .arg(expresion_, tabla_,
                          conexion_.listaLiterales(claves.mid(i, porConsulta))));
             !rs->eof(); rs->MoveNext())
            salida.insert(rs->texto(0).toLower(), rs->texto(1));
    return salida;
}

void ResumenCliente::anota(qint64 corrida, const QStringList& claves) const {
    for (qsizetype i = 0; i < claves.size(); i += porConsulta)
        conexion_.ejecuta(
            QStringLiteral("INSERT INTO %1 (Corrida, Clave, Resumen) SELECT %2, Clave, %3 FROM %4 "
                           "WHERE Clave IN (%5)")
                .arg(EsquemaBitacora::tablaClientes())
                .arg(corrida)
                .arg(expresion_, tabla_, conexion_.listaLiterales(claves.mid(i, porConsulta))));
}

} // namespace bitacora
