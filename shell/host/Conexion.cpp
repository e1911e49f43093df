#include "shell/host/Conexion.h"

#include "shell/host/FalloServidor.h"
#include "shell/host/Recordset.h"
#include "shell/host/TextoConDetalle.h"
#include "shell/host/Vigia.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <mysql.h>
#include <utility>

namespace host {

unsigned esperaBloqueo() {
    bool ok = false;
    const int segundos = qEnvironmentVariableIntValue("ACUMULA_ESPERA_BLOQUEO", &ok);
    return ok && segundos > 0 ? unsigned(segundos) : 20;
}

unsigned esperaRespuesta() {
    return 6 * esperaBloqueo();
}

namespace {

// leeAlDia()'s setting; a server without replication has no such variable.
constexpr char sincronizaLecturas[] = "SET SESSION wsrep_sync_wait=@@SESSION.wsrep_sync_wait | 1";

} // namespace

std::unique_ptr<Conexion> Conexion::abrir(const ParametrosConexion& parametros) {
    MYSQL* mysql = mysql_init(nullptr);
    if (!mysql)
        throw ErrorBdD(QStringLiteral("No hay memoria para abrir la conexión a la base de datos."));
    mysql_optionsv(mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    // The greeting is awaited as long as the connection itself; a connection that must give
    // up soon on its answers gives up as soon on those.
    unsigned int espera = parametros.espera > 0 ? std::min(10u, parametros.espera) : 10u;
    mysql_optionsv(mysql, MYSQL_OPT_CONNECT_TIMEOUT, &espera);
    // A server that stops answering (a cut cable, a stalled server) fails the statement
    // instead of holding the run without end.
    const unsigned respuesta = parametros.espera > 0 ? parametros.espera : esperaRespuesta();
    mysql_optionsv(mysql, MYSQL_OPT_READ_TIMEOUT, &respuesta);
    mysql_optionsv(mysql, MYSQL_OPT_WRITE_TIMEOUT, &respuesta);
    // A value that does not fit its column is an error, never cut or rounded into a
    // different one, whatever the server's mode. The server's other flags stay, and no
    // NO_ZERO_DATE is added: the host's zero dates must still copy between databases.
    // Another session's lock is waited for a bounded time, not the server's default (50 s
    // for rows, a day for tables).
    const QByteArray inicio =
        QByteArrayLiteral(
            "SET SESSION sql_mode=IF(FIND_IN_SET('STRICT_TRANS_TABLES',@@SESSION.sql_mode),"
            "@@SESSION.sql_mode,"
            "CONCAT_WS(',',NULLIF(@@SESSION.sql_mode,''),'STRICT_TRANS_TABLES')), "
            "SESSION innodb_lock_wait_timeout=") +
        QByteArray::number(esperaBloqueo()) +
        ", SESSION lock_wait_timeout=" + QByteArray::number(esperaBloqueo());
    mysql_optionsv(mysql, MYSQL_INIT_COMMAND, inicio.constData());
    const QByteArray ca = parametros.certificadoCA.toUtf8();
    if (!ca.isEmpty()) {
        // The client library's own TLS; without verifying the certificate and the name, an
        // encrypted link would not tell which server it reached.
        const my_bool si = 1;
        mysql_optionsv(mysql, MYSQL_OPT_SSL_CA, ca.constData());
        mysql_optionsv(mysql, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &si);
        mysql_optionsv(mysql, MYSQL_OPT_SSL_ENFORCE, &si);
    }
    const QByteArray servidor = parametros.servidor.toUtf8();
    const QByteArray usuario = parametros.usuario.toUtf8();
    const QByteArray password = parametros.password.toUtf8();
    const QByteArray base = parametros.base.toUtf8();
    const QByteArray socket = parametros.socket.toUtf8();
    if (!mysql_real_connect(mysql, servidor.constData(), usuario.constData(), password.constData(),
                            base.isEmpty() ? nullptr : base.constData(), parametros.puerto,
                            socket.isEmpty() ? nullptr : socket.constData(),
                            // Several statements in one text: one round trip for them all,
                            // over a slow link (ejecutaJuntas).
                            CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS)) {
        const unsigned codigo = mysql_errno(mysql);
        const QString detalle = QString::fromUtf8(mysql_error(mysql));
        mysql_close(mysql);
        throw ErrorBdD(falloServidor::alConectar(codigo, detalle, parametros).texto(), codigo);
    }
    return std::unique_ptr<Conexion>(new Conexion(mysql, parametros));
}

Conexion::Conexion(st_mysql* mysql, ParametrosConexion parametros)
    : mysql_(mysql), parametros_(std::move(parametros)),
      sentencia_(std::make_shared<SentenciaEnCurso>()) {
    sentencia_->parametros = parametros_;
    sentencia_->sesion = mysql_thread_id(mysql_);
}

Conexion::~Conexion() {
    mysql_close(mysql_);
}

Conexion::EnCurso::EnCurso(Conexion& conexion, bool interrumpible)
    : sentencia_(conexion.sentencia_.get()) {
    if (Vigia* vigia = Vigia::delHilo())
        vigia->empieza(conexion.sentencia_, interrumpible);
}

Conexion::EnCurso::~EnCurso() {
    Vigia::termina(*sentencia_);
}

void Conexion::compruebaCancelacion(unsigned codigo) const {
    if (codigo == 1317 && sentencia_->interrumpida == sentencia_->numero) // query interrupted
        if (const Vigia* vigia = Vigia::delHilo())
            vigia->interrumpe();
}

ErrorBdD Conexion::error(const QByteArray& sql) const {
    const unsigned codigo = mysql_errno(mysql_);
    compruebaCancelacion(codigo);
    ParametrosConexion p = parametros_;
    if (!baseDeFallos_.isEmpty() && !ErrorBdD(QString(), codigo).conexionPerdida())
        p.base = baseDeFallos_;
    QString mensaje =
        falloServidor::enInstruccion(codigo, QString::fromUtf8(mysql_error(mysql_)), p).texto();
    if (!sql.isEmpty())
        mensaje += TextoConDetalle::instruccion(QString::fromUtf8(sql.left(300)));
    return ErrorBdD(mensaje, codigo);
}

void Conexion::ejecutaCrudo(const QByteArray& sql) {
    corre(sql, true);
}

void Conexion::ejecutaControl(const QList<QByteArray>& sentencias) {
    corre(sentencias, false);
}

void Conexion::corre(const QByteArray& sql, bool interrumpible) {
    const EnCurso enCurso(*this, interrumpible);
    if (mysql_real_query(mysql_, sql.constData(), sql.size()) != 0)
        throw error(sql);
}

void Conexion::ejecutaJuntas(const QList<QByteArray>& sentencias) {
    corre(sentencias, true);
}

void Conexion::corre(const QList<QByteArray>& sentencias, bool interrumpible) {
    if (sentencias.isEmpty())
        return;
    const QByteArray sql = sentencias.join(';');
    const EnCurso enCurso(*this, interrumpible);
    fallida_ = 0;
    if (mysql_real_query(mysql_, sql.constData(), sql.size()) != 0)
        throw error(sentencias.first());
    // Every part's answer is read: a later part's failure is the batch's failure.
    for (qsizetype parte = 0;;) {
        if (MYSQL_RES* r = mysql_store_result(mysql_))
            mysql_free_result(r);
        else if (mysql_field_count(mysql_) != 0)
            throw error(sentencias.value(parte));
        const int siguiente = mysql_next_result(mysql_);
        if (siguiente < 0)
            break;
        fallida_ = ++parte;
        if (siguiente > 0)
            throw error(sentencias.value(parte));
    }
}

quint64 Conexion::ejecuta(const QString& sql, const QVariantList& valores) {
    const QByteArray texto = prepara(sql, valores);
    ejecutaCrudo(texto);
    // A statement that returned rows anyway: drop them.
    if (MYSQL_RES* r = mysql_store_result(mysql_))
        mysql_free_result(r);
    const my_ulonglong n = mysql_affected_rows(mysql_);
    return n == my_ulonglong(-1) ? 0 : n;
}

std::unique_ptr<Recordset> Conexion::consulta(const QString& sql, const QVariantList& valores,
                                              Lectura lectura) {
    const QByteArray texto = prepara(sql, valores);
    ejecutaCrudo(texto);
    const bool enFlujo = lectura == Lectura::EnFlujo;
    MYSQL_RES* r = enFlujo ? mysql_use_result(mysql_) : mysql_store_result(mysql_);
    if (!r) {
        if (mysql_errno(mysql_) != 0)
            throw error(texto);
        throw ErrorBdD(QStringLiteral("La consulta no devolvió filas: %1").arg(sql));
    }
    return std::make_unique<Recordset>(*this, r, enFlujo);
}

QByteArray Conexion::escapa(const QByteArray& utf8) const {
    QByteArray salida(utf8.size() * 2 + 1, Qt::Uninitialized);
    const unsigned long n =
        mysql_real_escape_string(mysql_, salida.data(), utf8.constData(), utf8.size());
    salida.truncate(int(n));
    return salida;
}

void Conexion::agregaLiteral(QByteArray& destino, const QVariant& valor) const {
    if (valor.isNull()) {
        destino += "NULL";
        return;
    }
    switch (valor.typeId()) {
    case QMetaType::Bool:
        destino += valor.toBool() ? "1" : "0";
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
        destino += QByteArray::number(valor.toLongLong());
        return;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::ULong:
        destino += QByteArray::number(valor.toULongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        destino += QByteArray::number(valor.toDouble(), 'g', 17);
        return;
    case QMetaType::QDate:
        destino += '\'' + valor.toDate().toString(Qt::ISODate).toLatin1() + '\'';
        return;
    case QMetaType::QDateTime:
        destino += '\'' +
                   valor.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1() +
                   '\'';
        return;
    case QMetaType::QByteArray: {
        destino += '\'';
        destino += escapa(valor.toByteArray());
        destino += '\'';
        return;
    }
    default:
        destino += '\'';
        destino += escapa(valor.toString().toUtf8());
        destino += '\'';
        return;
    }
}

QString Conexion::listaLiterales(const QStringList& textos) const {
    QByteArray lista;
    for (const QString& t : textos) {
        if (!lista.isEmpty())
            lista += ',';
        agregaLiteral(lista, t);
    }
    return QString::fromUtf8(lista);
}

QByteArray Conexion::literal(const QVariant& valor) const {
    QByteArray salida;
    agregaLiteral(salida, valor);
    return salida;
}

QByteArray Conexion::prepara(const QString& sql, const QVariantList& valores) const {
    const QByteArray plantilla = sql.toUtf8();
    if (valores.isEmpty())
        return plantilla;
    QByteArray salida;
    salida.reserve(plantilla.size() + valores.size() * 16);
    int siguiente = 0;
    char comilla = 0;
    for (int i = 0; i < plantilla.size(); ++i) {
        const char c = plantilla.at(i);
        if (comilla) {
            salida += c;
            if (c == '\\' && comilla != '`' && i + 1 < plantilla.size())
                salida += plantilla.at(++i);
            else if (c == comilla)
                comilla = 0;
            continue;
        }
        if (c == '\'' || c == '"' || c == '`') {
            comilla = c;
            salida += c;
        } else if (c == '?') {
            if (siguiente >= valores.size())
                throw ErrorBdD(QStringLiteral("Faltan valores para la instrucción: %1").arg(sql));
            agregaLiteral(salida, valores.at(siguiente++));
        } else {
            salida += c;
        }
    }
    if (siguiente != valores.size())
        throw ErrorBdD(QStringLiteral("Sobran valores para la instrucción: %1").arg(sql));
    return salida;
}

QString Conexion::identificador(const QString& nombre) {
    QString s = nombre;
    s.replace(QLatin1Char('`'), QLatin1String("``"));
    return QLatin1Char('`') + s + QLatin1Char('`');
}

QString Conexion::baseEnUso() {
    if (!parametros_.base.isEmpty())
        return parametros_.base;
    return consulta(QStringLiteral("SELECT DATABASE()"))->texto(0);
}

std::unique_ptr<Conexion> Conexion::otra() {
    ParametrosConexion p = parametros_;
    p.base = baseEnUso();
    return abrir(p);
}

void Conexion::usa(const QString& base) {
    ejecuta(QStringLiteral("USE %1").arg(identificador(base)));
    parametros_.base = base;
}

FallosDe::FallosDe(Conexion& conexion, const QString& base)
    : conexion_(conexion), anterior_(std::exchange(conexion.baseDeFallos_, base)) {}

FallosDe::~FallosDe() {
    conexion_.baseDeFallos_ = anterior_;
}

quint64 Conexion::ultimoId() const {
    return mysql_insert_id(mysql_);
}

// A node of a replicated cluster may undo a transaction on its own, to let another node's
// commit through, without the session hearing of it: its next statements would then each be
// committed alone, and COMMIT would succeed with nothing to commit. With autocommit off they
// wait in a new transaction instead, and the savepoint, gone with the transaction that
// set it, tells at COMMIT that the transaction is not the one begun.
void Conexion::iniciaTransaccion(AlDia alDia) {
    // In one round trip. Whatever the server's default: a locking read that finds no row
    // must keep the gap it looked in locked, or two runs could each add the counter or
    // customer that a table without a key on it lacks.
    const QList<QByteArray> inicio = {"SET autocommit=0",
                                      "SET TRANSACTION ISOLATION LEVEL REPEATABLE READ",
                                      "START TRANSACTION", "SAVEPOINT acumulapedidos_inicio"};
    if (alDia == AlDia::Si && !sinReplicacion_) {
        try {
            ejecutaControl(QList<QByteArray>{sincronizaLecturas} + inicio);
            return;
        } catch (const ErrorBdD& e) {
            // Refused alone, as leeAlDia() takes it: the server ran nothing after it.
            if (fallida_ != 0 || e.conexionPerdida())
                throw;
            sinReplicacion_ = true;
        }
    }
    ejecutaControl(inicio);
}
void Conexion::transaccionPerdida() {
    deshace();
    throw ErrorBdD(falloServidor::enInstruccion(1213,
                                                QStringLiteral("el servidor deshizo la "
                                                               "transacción para dejar pasar "
                                                               "la de otro nodo del clúster"),
                                                parametros_)
                       .texto(),
                   1213);
}
void Conexion::compruebaTransaccion() {
    try {
        ejecutaControl(
            {"RELEASE SAVEPOINT acumulapedidos_inicio", "SAVEPOINT acumulapedidos_inicio"});
    } catch (const ErrorBdD& e) {
        if (e.codigo() != 1305) // no such savepoint
            throw;
        transaccionPerdida();
    }
}
void Conexion::confirma() {
    // The savepoint's release fails when the transaction is gone, and the server then runs
    // nothing after it: no COMMIT of what the statements since did on their own.
    try {
        ejecutaControl({"RELEASE SAVEPOINT acumulapedidos_inicio", "COMMIT", "SET autocommit=1"});
    } catch (const ErrorBdD& e) {
        if (e.codigo() != 1305)
            throw;
        transaccionPerdida();
    }
}
void Conexion::deshace() {
    ejecutaControl({"ROLLBACK", "SET autocommit=1"});
}

void Conexion::leeAlDia() {
    try {
        ejecutaCrudo(sincronizaLecturas);
    } catch (const ErrorBdD&) {
        // A server without replication has no such setting and needs none; a connection
        // that is gone fails the caller's next statement, where it is reported.
    }
}

Transaccion::Transaccion(Conexion& conexion, Conexion::AlDia alDia) : conexion_(conexion) {
    conexion_.iniciaTransaccion(alDia);
}

Transaccion::~Transaccion() {
    if (abierta_) {
        try {
            conexion_.deshace();
        } catch (const ErrorBdD&) {
            // The connection is gone: the server has already rolled back.
        }
    }
}

void Transaccion::confirma() {
    conexion_.confirma();
    abierta_ = false;
}

} // namespace host
