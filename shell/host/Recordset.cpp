#include "shell/host/Recordset.h"

#include "shell/host/Conexion.h"

#include <mysql.h>

namespace host {

namespace {

ClaseCampo claseDe(const MYSQL_FIELD& f) {
    switch (f.type) {
    case MYSQL_TYPE_TINY:
        // TINYINT(1) is how the host system keeps its yes/no flags.
        return f.length == 1 ? ClaseCampo::Logico : ClaseCampo::Entero;
    case MYSQL_TYPE_BIT:
        return ClaseCampo::Binario;
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
        return ClaseCampo::Entero;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        return ClaseCampo::Decimal;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return ClaseCampo::Fecha;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return ClaseCampo::FechaHora;
    case MYSQL_TYPE_TIME:
        return ClaseCampo::Hora;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
        return f.charsetnr == 63 ? ClaseCampo::Binario : ClaseCampo::Texto;
    default:
        return ClaseCampo::Texto;
    }
}

} // namespace

Recordset::Recordset(Conexion& conexion, st_mysql_res* resultado, bool enFlujo)
    : conexion_(conexion), resultado_(resultado), enFlujo_(enFlujo) {
    const unsigned n = mysql_num_fields(resultado_);
    const MYSQL_FIELD* campos = mysql_fetch_fields(resultado_);
    columnas_.reserve(int(n));
    for (unsigned i = 0; i < n; ++i) {
        Columna c;
        c.nombre = QString::fromUtf8(campos[i].name, int(campos[i].name_length));
        c.tabla = QString::fromUtf8(campos[i].org_table, int(campos[i].org_table_length));
        c.tipo = campos[i].type;
        c.largo = campos[i].length;
        c.decimales = campos[i].decimals;
        c.sinSigno = (campos[i].flags & UNSIGNED_FLAG) != 0;
        c.admiteNulo = (campos[i].flags & NOT_NULL_FLAG) == 0;
        c.clase = claseDe(campos[i]);
        columnas_.push_back(c);
    }
    MoveNext();
}

Recordset::~Recordset() {
    if (enFlujo_) {
        // Unread rows of a streamed result must be drained before the connection is reused.
        while (mysql_fetch_row(resultado_)) {
        }
    }
    mysql_free_result(resultado_);
}

void Recordset::MoveNext() {
    fila_ = mysql_fetch_row(resultado_);
    if (fila_) {
        largos_ = mysql_fetch_lengths(resultado_);
    } else {
        largos_ = nullptr;
        if (enFlujo_ && mysql_errno(conexion_.manejador()) != 0)
            throw conexion_.error();
    }
}

quint64 Recordset::filas() const {
    return mysql_num_rows(resultado_);
}

int Recordset::posicion(const QString& nombre) const {
    for (int i = 0; i < columnas_.size(); ++i)
        if (columnas_[i].nombre.compare(nombre, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int Recordset::exige(const QString& nombre) const {
    const int i = posicion(nombre);
    if (i < 0)
        throw ErrorBdD(QStringLiteral("La consulta no tiene la columna \"%1\".").arg(nombre));
    return i;
}

bool Recordset::esNulo(int posicion) const {
    if (!fila_)
        throw ErrorBdD(QStringLiteral("No hay fila actual en la consulta."));
    if (posicion < 0 || posicion >= columnas_.size())
        throw ErrorBdD(QStringLiteral("La consulta no tiene la columna %1.").arg(posicion));
    return fila_[posicion] == nullptr;
}

QByteArray Recordset::crudo(int posicion) const {
    if (esNulo(posicion))
        return {};
    return QByteArray(fila_[posicion], int(largos_[posicion]));
}

QByteArrayView Recordset::vista(int posicion) const {
    if (esNulo(posicion))
        return {};
    return QByteArrayView(fila_[posicion], qsizetype(largos_[posicion]));
}

QString Recordset::texto(int posicion) const {
    return QString::fromUtf8(crudo(posicion));
}

qint64 Recordset::entero(int posicion) const {
    return crudo(posicion).trimmed().toLongLong();
}

double Recordset::numero(int posicion) const {
    return crudo(posicion).trimmed().toDouble();
}

QDate Recordset::fecha(int posicion) const {
    return QDate::fromString(QString::fromLatin1(crudo(posicion).left(10)), Qt::ISODate);
}

QVariant Recordset::valor(int posicion) const {
    if (esNulo(posicion))
        return QVariant();
    const Columna& c = columnas_.at(posicion);
    switch (c.clase) {
    case ClaseCampo::Entero:
    case ClaseCampo::Logico:
        if (c.sinSigno)
            return QVariant(crudo(posicion).toULongLong());
        return QVariant(crudo(posicion).toLongLong());
    case ClaseCampo::Binario:
        return QVariant(crudo(posicion));
    default:
        // Decimals and dates go back as the server wrote them, so a copy stays exact.
        return QVariant(texto(posicion));
    }
}

} // namespace host
