#include "import/LargoColumnas.h"

#include "shell/host/Conexion.h"

namespace importacion {

void LeeLargoColumnas(host::Conexion& conexion, const QString& tabla,
                      QVector<host::Columna>& columnas) {
    LeeLargoColumnas(conexion, {{tabla, &columnas}});
}

void LeeLargoColumnas(host::Conexion& conexion, const QVector<ColumnasDeTabla>& tablas) {
    QVariantList nombres;
    QStringList marcas;
    for (const ColumnasDeTabla& t : tablas) {
        nombres << t.tabla;
        marcas << QStringLiteral("?");
    }
    auto rs = conexion.consulta(
        QStringLiteral("SELECT c.COLUMN_NAME, c.DATA_TYPE IN ('char','varchar'), "
                       "c.CHARACTER_MAXIMUM_LENGTH, c.CHARACTER_OCTET_LENGTH, "
                       "c.CHARACTER_SET_NAME, s.MAXLEN, c.TABLE_NAME FROM "
                       "information_schema.COLUMNS c LEFT JOIN information_schema.CHARACTER_SETS "
                       "s ON s.CHARACTER_SET_NAME=c.CHARACTER_SET_NAME WHERE "
                       "c.TABLE_SCHEMA=DATABASE() AND c.TABLE_NAME IN (%1) AND "
                       "c.CHARACTER_SET_NAME IS NOT NULL")
            .arg(marcas.join(QLatin1Char(','))),
        nombres);
    for (; !rs->eof(); rs->MoveNext()) {
        const QString nombre = rs->texto(0);
        const QString tabla = rs->texto(6);
        for (const ColumnasDeTabla& t : tablas) {
            if (t.tabla.compare(tabla, Qt::CaseInsensitive) != 0)
                continue;
            for (host::Columna& c : *t.columnas) {
                if (c.nombre.compare(nombre, Qt::CaseInsensitive) != 0 ||
                    c.clase != host::ClaseCampo::Texto)
                    continue;
                c.juego = rs->texto(4).toLower();
                c.bytesPorCaracter = rs->esNulo(5) ? 4 : int(rs->entero(5));
                if (rs->entero(1) != 0)
                    c.admiteCaracteres = rs->entero(2);
                else
                    c.admiteBytes = rs->entero(3);
            }
        }
    }
}

qint64 BytesEnJuego(const QString& t, const QString& juego, int bytesPorCaracter) {
    const bool utf8 = juego.startsWith(QLatin1String("utf8"));
    if (bytesPorCaracter <= 1)
        return t.toUcs4().size();
    if (juego == QLatin1String("utf16") || juego == QLatin1String("utf16le"))
        return 2 * t.size();
    if (juego == QLatin1String("ucs2") || juego == QLatin1String("utf32"))
        return qint64(bytesPorCaracter) * t.toUcs4().size();
    qint64 bytes = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t u = t[i].unicode();
        if (u < 0x80)
            bytes += 1;
        else if (!utf8)
            bytes += bytesPorCaracter;
        else if (u < 0x800)
            bytes += 2;
        else if (QChar::isHighSurrogate(u) && i + 1 < t.size() &&
                 QChar::isLowSurrogate(t[i + 1].unicode())) {
            bytes += 4;
            ++i;
        } else
            bytes += 3;
    }
    return bytes;
}

} // namespace importacion
