#include "journal/ResumenCliente.h"

#include "data/Sha256.h"
#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

namespace bitacora {

namespace {

// Fewer than 1000 keys a read: MariaDB turns a longer IN list into a join.
constexpr qsizetype porConsulta = 900;

} // namespace

QHash<QString, QString> ResumenCliente::lee(host::Conexion& conexion, const QString& tabla,
                                            const QStringList& claves, bool bloquea) {
    QHash<QString, QString> salida;
    transferencia::Sha256 sha;
    for (qsizetype i = 0; i < claves.size(); i += porConsulta) {
        auto rs =
            conexion.consulta(QStringLiteral("SELECT * FROM %1 WHERE Clave IN (%2)%3")
                                  .arg(tabla, conexion.listaLiterales(claves.mid(i, porConsulta)),
                                       bloquea ? QStringLiteral(" FOR UPDATE") : QString()));
        const int clave = rs->posicion(QStringLiteral("Clave"));
        if (clave < 0)
            return salida;
        const auto& columnas = rs->listaColumnas();
        for (; !rs->eof(); rs->MoveNext()) {
            // Name, then length and value: no value can pass for two others.
            for (int k = 0; k < columnas.size(); ++k) {
                sha.agrega(columnas[k].nombre.toLower().toUtf8());
                if (rs->esNulo(k)) {
                    sha.agrega("\x01\x1f");
                    continue;
                }
                const QByteArrayView valor = rs->vista(k);
                sha.agrega(QByteArray::number(valor.size()) + ':');
                sha.agrega(valor);
                sha.agrega("\x1f");
            }
            salida.insert(rs->texto(clave).toLower(), QString::fromLatin1(sha.reinicia().toHex()));
        }
    }
    return salida;
}

} // namespace bitacora
