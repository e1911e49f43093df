#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace host {
class Conexion;
class ErrorBdD;
} // namespace host

// The operations journal: which runs of the program wrote what, kept in tables of our own
// in the company database each run writes to.
namespace bitacora {

enum class Operacion { Acumulacion, Exportacion, Importacion };
enum class Desenlace { EnCurso, Hecho, Fallido, Cancelado };

// Errors of the journal's statements that stop the operation as any statement of its own
// would (the connection lost, a lock wait or deadlock, a refusal of ours); on any other, the
// operation goes on without the journal.
bool detieneOperacion(const host::ErrorBdD& e);

// Two notices about the journal, one a line; either may be empty.
QString juntaAvisos(const QString& aviso, const QString& otro);

// The operation stored as that word in the tables ("acumulacion", ...); none for another word.
std::optional<Operacion> operacionDeCodigo(const QString& codigo);

// "Acumulación", "Exportación", "Importación".
QString texto(Operacion operacion);
// "En curso" (a run still going, or one that ended without closing its entry), "Hecha",
// "Falló", "Cancelada".
QString texto(Desenlace desenlace);

// What the user asked of a run; members left empty do not apply to the operation.
struct Parametros {
    std::optional<QDate> desde;
    std::optional<QDate> hasta;
    std::optional<QString> serie;
    std::optional<qint32> primerFolio;
    QString archivo;
    QString destino;
    // "Del 01/03/2026 al 31/03/2026, serie A, desde el folio 100", for lists and reports.
    QString texto() const;
};

struct Cuentas {
    qint64 pedidos = 0;
    qint64 renglones = 0;
    qint64 clientes = 0; // customers created (import)
};

// One order of a run: where it came from and where it went.
//  - accumulation: baseOrigen, idOrigen, pedidoOrigen → idNuevo, pedidoNuevo;
//  - import: archivo, linea (of its header), huella → idNuevo, pedidoNuevo;
//  - export: idOrigen, pedidoOrigen → archivo.
struct PedidoAnotado {
    QString baseOrigen;
    qint64 idOrigen = 0;
    QString pedidoOrigen; // "B-1520", or "1520" in the series without name
    QString archivo;
    int linea = 0;
    QString huella; // SHA-256 of the order's records, in hex
    qint64 idNuevo = 0;
    QString pedidoNuevo;
};

// A run as the journal holds it.
struct Corrida {
    qint64 id = 0;
    QString base; // the database whose journal holds it
    Operacion operacion = Operacion::Acumulacion;
    QDateTime inicio;
    QDateTime fin; // invalid while in course
    QString usuarioSistema;
    QString equipo;
    QString usuarioBdD;
    Parametros parametros;
    Desenlace desenlace = Desenlace::EnCurso;
    // In course, but no session runs it any longer: the program or the server stopped
    // before the run could record its end.
    bool interrumpida = false;
    QString mensaje;
    Cuentas cuentas;
};

// Which runs a reading of a journal gives, newest first (by start, then by Id).
struct Seleccion {
    std::optional<QDate> desde; // started on or after that day
    std::optional<QDate> hasta; // started on or before that day
    std::optional<Operacion> operacion;
    std::optional<qint64> corrida; // that run alone
    // Only the runs that come after this one in the list (the last one of the page before).
    std::optional<Corrida> despuesDe;
    int limite = 0; // at most that many; 0: every one
};

// An order fingerprint the register of imported orders holds.
struct HuellaRegistrada {
    qint64 primeraCorrida = 0; // the run that first brought the order in
    qint64 ultimaCorrida = 0;
    int veces = 0;      // how many times it was imported
    QDateTime primera;  // start of the first run (invalid when its entry is gone)
    qint64 idNuevo = 0; // what the first run made of it (0 when its row is gone)
    QString pedidoNuevo;
};

// The journal entry of one run. Created when the run starts, it writes the run's row at
// once (outside any transaction: a run that fails or is cancelled keeps its entry); the
// orders' rows are written by anota() inside the caller's own transactions, so they are
// stored exactly when the orders they describe are; cierra() records the outcome.
//
// When the journal cannot be kept in that database (no right to create, read or write its
// tables, or tables whose columns no longer take what it writes), the run goes on without
// it: activa() is false and aviso() says why, in Spanish. Rights and columns are checked
// before the run's row is written, so a journal is kept whole or not at all. A table of the
// journal whose engine keeps no transactions is refused (host::ExigeTransacciones) by the
// caller, with the operation's own tables, before anything is written.
//
// The run's row names the server and the session that run it; a run found in course whose
// session that server no longer has was interrupted.
class Bitacora {
public:
    // conexion must not be inside a transaction.
    Bitacora(host::Conexion& conexion, Operacion operacion, const Parametros& parametros);
    ~Bitacora();
    Bitacora(const Bitacora&) = delete;
    Bitacora& operator=(const Bitacora&) = delete;

    bool activa() const { return corrida_ > 0; }
    const QString& aviso() const { return aviso_; }
    qint64 corrida() const { return corrida_; }

    // Adds the orders' rows through conexion (the connection of the caller's transaction,
    // on the same database). Throws host::ErrorBdD like any other write of that transaction.
    void anota(host::Conexion& conexion, const QVector<PedidoAnotado>& pedidos) const;

    // Records the end of the run (at most once; a run never closed is recorded as failed
    // when the entry is destroyed). A message longer than its column holds is cut, with a
    // mark. Never throws: when the connection is gone a new one is tried; when the table
    // refuses the message, the outcome and counts go in without it. Gives, in Spanish, what
    // could not be recorded, for the user (empty when all was).
    QString cierra(Desenlace desenlace, const QString& mensaje, const Cuentas& cuentas);

    // Creates the journal's tables where missing. Throws host::ErrorBdD when it cannot.
    static void creaTablas(host::Conexion& conexion);
    // The journal's tables an operation writes.
    static QStringList tablas(Operacion operacion);

    // Runs of the journal in conexion's database that started within the dates (either end
    // may be open), of one operation or of all, newest first. Empty when the database has
    // no journal.
    static QVector<Corrida> corridas(host::Conexion& conexion, const std::optional<QDate>& desde,
                                     const std::optional<QDate>& hasta,
                                     const std::optional<Operacion>& operacion = {});
    // The runs of the journal in conexion's database that seleccion asks for, newest first,
    // in two queries whatever their number: the runs, then which of those in course were
    // interrupted. Empty when the database has no journal.
    static QVector<Corrida> corridas(host::Conexion& conexion, const Seleccion& seleccion);
    // The orders of one run, in the order they were written.
    static QVector<PedidoAnotado> pedidos(host::Conexion& conexion, qint64 corrida);

    // Of the fingerprints, those the register of conexion's database holds. Its rows are
    // read with a lock kept to the end of the caller's transaction, so an import of the
    // same orders at the same time waits for it and then sees them (or deadlocks, and is
    // retried). Empty when the database has no register; throws host::ErrorBdD otherwise
    // (code 1142 when the user may not read it).
    static QHash<QString, HuellaRegistrada> registradas(host::Conexion& conexion,
                                                        const QStringList& huellas);

    // Names of the journal's tables: a prefix the host system's tables never carry.
    static QString tablaCorridas();
    static QString tablaPedidos();
    // The register of imported orders: one row per order fingerprint (Huella, the hex
    // SHA-256), with the run that first brought it in (PrimeraCorrida), the last one
    // (UltimaCorrida) and how many times it was imported (Veces). Its key on Huella lets
    // two imports of one file at once collide instead of both passing.
    static QString tablaHuellas();

private:
    // Makes the tables ready and checks them for the operation: why the journal cannot be
    // kept (empty when it can). Throws host::ErrorBdD.
    QString prepara(Operacion operacion);
    QString mensajeQueCabe(const QString& mensaje) const;

    host::Conexion& conexion_;
    qint64 corrida_ = 0;
    QString aviso_;
    bool cerrada_ = false;
    // What the message column holds (TEXT unless read otherwise).
    qint64 largoMensaje_ = 65535;
    qint64 bytesMensaje_ = 65535;
};

} // namespace bitacora
