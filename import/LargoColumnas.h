#pragma once

#include "shell/host/Recordset.h"

#include <QString>
#include <QVector>

namespace host {
class Conexion;
}

namespace importacion {

// Fills what the text columns of tabla (in the connection's database) hold, as its
// definition says: characters for CHAR and VARCHAR, bytes of the column's own character set
// for the TEXT types, so the check measures each value in the unit the write will.
void LeeLargoColumnas(host::Conexion& conexion, const QString& tabla,
                      QVector<host::Columna>& columnas);
// The same for several tables' columns (a table may come more than once), in one round trip.
struct ColumnasDeTabla {
    QString tabla;
    QVector<host::Columna>* columnas;
};
void LeeLargoColumnas(host::Conexion& conexion, const QVector<ColumnasDeTabla>& tablas);

// The bytes t takes in the character set juego, whose characters take at most
// bytesPorCaracter bytes. Exact for the Unicode and the one-byte sets; for another set an
// upper bound (one byte for ASCII, the most for any other character).
qint64 BytesEnJuego(const QString& t, const QString& juego, int bytesPorCaracter);

} // namespace importacion
