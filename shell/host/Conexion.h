#pragma once

#include "shell/host/ErrorBdD.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

struct st_mysql;

namespace host {

class Recordset;

struct ParametrosConexion {
    QString servidor = QStringLiteral("127.0.0.1");
    unsigned puerto = 3306;
    QString usuario = QStringLiteral("root");
    QString password;
    QString base;
    QString socket; // local socket; empty for TCP
    // Seconds a read or write may go unanswered before the connection is given up; 0: the
    // program's own (esperaRespuesta()).
    unsigned espera = 0;
    // TLS: the connection is refused unless it is encrypted and the server's certificate is
    // signed by the CA of this PEM file and names the server. Empty: no TLS asked for.
    QString certificadoCA;
};

// How long a session waits. Every session waits at most esperaBloqueo() seconds for a lock
// another session holds, on rows (innodb_lock_wait_timeout) or on tables and the whole server
// (lock_wait_timeout), then fails with 1205; a statement may first wait for a table and then
// for a row. A server that does not answer a read or a write for esperaRespuesta() seconds,
// six times that, is taken for gone (2013): room for both waits and for the statement's own
// work. ACUMULA_ESPERA_BLOQUEO (whole seconds, at least 1) changes the first, for tests.
unsigned esperaBloqueo();
unsigned esperaRespuesta();

struct SentenciaEnCurso;

// One open connection to a MariaDB/MySQL server (RAII: closed when destroyed).
//
// SQL texts carry "?" for every value; the values are escaped by the client library
// and put in their place, so no value is ever pasted raw. A null QVariant is NULL,
// numbers are written bare, QDate/QDateTime as date literals, the rest as quoted text.
// The session is strict (STRICT_TRANS_TABLES added to the server's sql_mode): a value that
// does not fit its column makes the statement fail instead of being cut. Its waits are
// bounded (esperaBloqueo, esperaRespuesta), and the statements it runs on a thread with a
// watcher (Vigia) are watched.
class Conexion {
public:
    // Opens the connection; throws ErrorBdD with a message naming server, port, user and
    // database (never the password).
    static std::unique_ptr<Conexion> abrir(const ParametrosConexion& parametros);
    ~Conexion();
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;

    const ParametrosConexion& parametros() const { return parametros_; }
    // The database opened, or the one usa() made current.
    QString base() const { return parametros_.base; }
    // The database in use: the one opened, or the one a USE made current.
    QString baseEnUso();
    // Another connection to the same server and the database in use.
    std::unique_ptr<Conexion> otra();
    // Makes base the database in use ("USE"); from then on the connection's failures name it.
    void usa(const QString& base);

    // Runs a statement that returns no rows; gives the number of rows changed.
    quint64 ejecuta(const QString& sql, const QVariantList& valores = {});
    // Runs a query. Completa fetches every row at once; EnFlujo reads rows as they are
    // used (the connection must not run anything else until the recordset is destroyed).
    enum class Lectura { Completa, EnFlujo };
    std::unique_ptr<Recordset> consulta(const QString& sql, const QVariantList& valores = {},
                                        Lectura lectura = Lectura::Completa);
    // Runs ready statements that return no rows (or whose rows nobody reads) in one round trip,
    // in order. The server stops at the first that fails: its error is thrown, naming it, and
    // those after it were not run.
    void ejecutaJuntas(const QList<QByteArray>& sentencias);

    // The SQL text with every "?" replaced by the escaped literal of its value.
    QByteArray prepara(const QString& sql, const QVariantList& valores) const;
    // One value as an SQL literal, escaped by the client library.
    QByteArray literal(const QVariant& valor) const;
    // Appends the literal of valor to destino (fast path for multi-row statements).
    void agregaLiteral(QByteArray& destino, const QVariant& valor) const;
    // "'a','b'": the texts as literals for an IN (…) list of any length; empty for none.
    QString listaLiterales(const QStringList& textos) const;
    // A text value escaped by the client library, without quotes.
    QByteArray escapa(const QByteArray& utf8) const;
    // A database, table or column name quoted as an identifier.
    static QString identificador(const QString& nombre);

    // The key the server gave to the last row this connection inserted.
    quint64 ultimoId() const;

    // With AlDia::Si, leeAlDia() goes with the transaction's opening, in its round trip.
    enum class AlDia { No, Si };
    void iniciaTransaccion(AlDia alDia = AlDia::No);
    void confirma();
    void deshace();
    // Throws the conflict COMMIT would (1213, the transaction rolled back) when the server has
    // undone the transaction begun, as a cluster node may without telling: what the session
    // read since then is not what its transaction wrote. Nothing else changes.
    void compruebaTransaccion();
    // On a node of a replicated cluster, makes this session's reads, and the transactions it
    // starts, wait until the node has applied what the other nodes committed before: the
    // register of imported orders then holds those imported through any node, and a
    // transaction tried again after a conflict sees what the other one stored. Nothing on
    // other servers; never throws.
    void leeAlDia();

    // Runs a ready statement (used by Recordset and Transaccion).
    void ejecutaCrudo(const QByteArray& sql);
    st_mysql* manejador() const { return mysql_; }
    // The Spanish message for the connection's last error. When that statement was stopped
    // because the user cancelled, throws the operation's cancel instead (Vigia).
    ErrorBdD error(const QByteArray& sql = {}) const;

    // After the statement marked last failed with codigo: when it was stopped because the
    // user cancelled, throws the operation's cancel (see error()).
    void compruebaCancelacion(unsigned codigo) const;

    // A statement run straight through the client library (manejador()), marked for the
    // thread's watcher while it runs, as those run here are.
    class EnCurso {
    public:
        explicit EnCurso(Conexion& conexion, bool interrumpible = true);
        ~EnCurso();
        EnCurso(const EnCurso&) = delete;
        EnCurso& operator=(const EnCurso&) = delete;

    private:
        SentenciaEnCurso* sentencia_;
    };

private:
    friend class FallosDe;
    Conexion(st_mysql* mysql, ParametrosConexion parametros);
    // Ends or opens a transaction: never stopped for a cancel, since what the server then did
    // with it could not be known.
    void ejecutaControl(const QList<QByteArray>& sentencias);
    void corre(const QByteArray& sql, bool interrumpible);
    // On failure, fallida_ is the position of the statement that failed.
    void corre(const QList<QByteArray>& sentencias, bool interrumpible);
    // The transaction begun was undone by the server behind the session's back: rolled back
    // here too, and told as the conflict it is.
    [[noreturn]] void transaccionPerdida();

    st_mysql* mysql_;
    ParametrosConexion parametros_;
    std::shared_ptr<SentenciaEnCurso> sentencia_;
    QString baseDeFallos_; // see FallosDe
    qsizetype fallida_ = 0;
    bool sinReplicacion_ = false; // the server refused leeAlDia()'s setting
};

// While it lives, the failures of the connection's statements are told as failures of base:
// the statements run meanwhile reach that database's tables by qualified names. A lost
// connection is still told as the connection's own.
class FallosDe {
public:
    FallosDe(Conexion& conexion, const QString& base);
    ~FallosDe();
    FallosDe(const FallosDe&) = delete;
    FallosDe& operator=(const FallosDe&) = delete;

private:
    Conexion& conexion_;
    QString anterior_;
};

// Rolls back on destruction unless confirmed.
class Transaccion {
public:
    explicit Transaccion(Conexion& conexion, Conexion::AlDia alDia = Conexion::AlDia::No);
    ~Transaccion();
    Transaccion(const Transaccion&) = delete;
    Transaccion& operator=(const Transaccion&) = delete;
    void confirma();

private:
    Conexion& conexion_;
    bool abierta_ = true;
};

} // namespace host
