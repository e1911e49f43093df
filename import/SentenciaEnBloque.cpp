#include "import/SentenciaEnBloque.h"

#include "shell/host/Conexion.h"

#include <QDate>
#include <QDateTime>
#include <QStringEncoder>
#include <mysql.h>
#include <vector>

namespace importacion {

namespace {

// A value as the text the server takes for its column (what its SQL literal would say).
void agregaTexto(QByteArray& destino, const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        destino += v.toBool() ? '1' : '0';
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        destino += v.toByteArray();
        return;
    case QMetaType::Double:
        destino += QByteArray::number(v.toDouble(), 'g', 17);
        return;
    case QMetaType::QDate:
        destino += v.toDate().toString(Qt::ISODate).toLatin1();
        return;
    case QMetaType::QDateTime:
        destino += v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
        return;
    case QMetaType::QByteArray:
        destino += v.toByteArray();
        return;
    case QMetaType::QString: {
        // Most values are texts: encoded straight into the column's buffer, without the
        // copies a conversion through toString() and toUtf8() would make.
        const QString& texto = *static_cast<const QString*>(v.constData());
        const qsizetype antes = destino.size();
        destino.resize(antes + texto.size() * 3);
        QStringEncoder utf8(QStringEncoder::Utf8);
        char* fin = utf8.appendToBuffer(destino.data() + antes, texto);
        destino.truncate(fin - destino.constData());
        return;
    }
    default:
        destino += v.toString().toUtf8();
    }
}

host::ErrorBdD errorDe(host::Conexion& c, st_mysql_stmt* s) {
    const unsigned codigo = mysql_stmt_errno(s);
    const QString detalle = QString::fromUtf8(mysql_stmt_error(s));
    if (codigo == 2006 || codigo == 2013 || codigo == 2055)
        return host::ErrorBdD(
            QStringLiteral("Se perdió la conexión con el servidor (base de datos \"%1\"): %2")
                .arg(c.base(), detalle),
            codigo);
    return host::ErrorBdD(QStringLiteral("Error de la base de datos \"%1\" (%2): %3")
                              .arg(c.base())
                              .arg(codigo)
                              .arg(detalle),
                          codigo);
}

// MariaDB servers announce bulk execution of arrays; MySQL servers have none.
bool admiteBloques(host::Conexion& c) {
    unsigned long capacidades = 0, extendidas = 0;
    mariadb_get_infov(c.manejador(), MARIADB_CONNECTION_SERVER_CAPABILITIES, &capacidades);
    mariadb_get_infov(c.manejador(), MARIADB_CONNECTION_EXTENDED_SERVER_CAPABILITIES, &extendidas);
    return !(capacidades & CLIENT_MYSQL) &&
           (extendidas & (MARIADB_CLIENT_STMT_BULK_OPERATIONS >> 32)) != 0;
}

} // namespace

SentenciaEnBloque::SentenciaEnBloque(QByteArray sql, int columnas)
    : sql_(std::move(sql)), columnas_(columnas) {}

SentenciaEnBloque::~SentenciaEnBloque() {
    if (sentencia_)
        mysql_stmt_close(sentencia_);
}

bool SentenciaEnBloque::ejecuta(host::Conexion& c, const QVector<QVector<QVariant>>& filas) {
    if (filas.isEmpty())
        return true;
    if (!probada_) {
        probada_ = true;
        if (!admiteBloques(c))
            return false;
        sentencia_ = mysql_stmt_init(c.manejador());
        if (!sentencia_)
            throw host::ErrorBdD(QStringLiteral("No hay memoria para preparar la sentencia."));
        if (mysql_stmt_prepare(sentencia_, sql_.constData(), (unsigned long)sql_.size()) != 0)
            throw errorDe(c, sentencia_);
    }
    if (!sentencia_)
        return false;
    const auto n = unsigned(filas.size());
    // Column-wise arrays: each column's texts one after another, then where each starts.
    std::vector<QByteArray> datos{std::size_t(columnas_)};
    std::vector<std::vector<unsigned long>> inicios(datos.size()), largos(datos.size());
    std::vector<std::vector<char>> indicadores(datos.size());
    std::vector<std::vector<char*>> punteros(datos.size());
    std::vector<MYSQL_BIND> enlaces(datos.size());
    for (std::size_t k = 0; k < datos.size(); ++k) {
        QByteArray& d = datos[k];
        inicios[k].resize(n);
        largos[k].resize(n);
        indicadores[k].resize(n);
        for (unsigned f = 0; f < n; ++f) {
            const QVariant& v = filas[qsizetype(f)][qsizetype(k)];
            inicios[k][f] = (unsigned long)d.size();
            if (v.isNull()) {
                indicadores[k][f] = STMT_INDICATOR_NULL;
            } else {
                indicadores[k][f] = STMT_INDICATOR_NONE;
                agregaTexto(d, v);
            }
            largos[k][f] = (unsigned long)d.size() - inicios[k][f];
        }
        punteros[k].resize(n);
        for (unsigned f = 0; f < n; ++f)
            punteros[k][f] = d.data() + inicios[k][f];
        MYSQL_BIND& e = enlaces[k];
        e = MYSQL_BIND{};
        e.buffer_type = MYSQL_TYPE_STRING;
        e.buffer = punteros[k].data();
        e.length = largos[k].data();
        e.u.indicator = indicadores[k].data();
    }
    unsigned tamano = n;
    if (mysql_stmt_attr_set(sentencia_, STMT_ATTR_ARRAY_SIZE, &tamano) != 0 ||
        mysql_stmt_bind_param(sentencia_, enlaces.data()) != 0 ||
        mysql_stmt_execute(sentencia_) != 0)
        throw errorDe(c, sentencia_);
    return true;
}

} // namespace importacion
