#include "import/SentenciaEnBloque.h"

#include "import/FilasEnBloque.h"
#include "shell/host/Conexion.h"
#include "shell/host/FalloServidor.h"

#include <memory>
#include <mysql.h>
#include <stdexcept>

namespace importacion {

namespace {

host::ErrorBdD errorDe(host::Conexion& c, st_mysql_stmt* s) {
    const unsigned codigo = mysql_stmt_errno(s);
    c.compruebaCancelacion(codigo);
    return host::ErrorBdD(host::falloServidor::enInstruccion(
                              codigo, QString::fromUtf8(mysql_stmt_error(s)), c.parametros())
                              .texto(),
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

SentenciaEnBloque::~SentenciaEnBloque() = default;

// The rows' NULL flags are bound as the indicator arrays as they are.
static_assert(STMT_INDICATOR_NONE == 0 && STMT_INDICATOR_NULL == 1);

bool SentenciaEnBloque::ejecuta(host::Conexion& c, const FilasEnBloque& filas) {
    if (filas.isEmpty())
        return true;
    if (filas.columnas() != columnas_)
        throw std::logic_error("SentenciaEnBloque: filas con otro número de columnas");
    if (!probada_) {
        probada_ = true;
        enBloque_ = admiteBloques(c);
    }
    if (!enBloque_)
        return false;
    const auto n = std::size_t(filas.filas());
    std::vector<MYSQL_BIND> enlaces(static_cast<std::size_t>(columnas_));
    punteros_.resize(enlaces.size());
    for (int k = 0; k < columnas_; ++k) {
        // The library only reads the bound arrays.
        char* p = const_cast<char*>(filas.datos(k));
        const std::vector<unsigned long>& largos = filas.largos(k);
        std::vector<char*>& punteros = punteros_[std::size_t(k)];
        punteros.resize(n);
        for (std::size_t f = 0; f < n; ++f) {
            punteros[f] = p;
            p += largos[f];
        }
        MYSQL_BIND& e = enlaces[std::size_t(k)];
        e.buffer_type = MYSQL_TYPE_STRING;
        e.buffer = punteros.data();
        e.length = const_cast<unsigned long*>(largos.data());
        e.u.indicator = const_cast<char*>(filas.nulos(k).data());
    }
    // Prepared and run in one round trip, on a handle of its own each time: the library
    // means a directly run handle for one execution only. Its closing awaits no answer.
    const auto cierra = [](st_mysql_stmt* s) { mysql_stmt_close(s); };
    const std::unique_ptr<st_mysql_stmt, decltype(cierra)> sentencia(mysql_stmt_init(c.manejador()),
                                                                     cierra);
    if (!sentencia)
        throw host::ErrorBdD(QStringLiteral("No hay memoria para preparar la sentencia."));
    unsigned tamano = unsigned(n);
    unsigned valores = unsigned(columnas_);
    const host::Conexion::EnCurso enCurso(c);
    if (mysql_stmt_attr_set(sentencia.get(), STMT_ATTR_PREBIND_PARAMS, &valores) != 0 ||
        mysql_stmt_attr_set(sentencia.get(), STMT_ATTR_ARRAY_SIZE, &tamano) != 0 ||
        mysql_stmt_bind_param(sentencia.get(), enlaces.data()) != 0 ||
        mariadb_stmt_execute_direct(sentencia.get(), sql_.constData(), std::size_t(sql_.size())) !=
            0)
        throw errorDe(c, sentencia.get());
    return true;
}

} // namespace importacion
