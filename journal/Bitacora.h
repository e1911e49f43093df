#pragma once

#include "journal/ConsultasBitacora.h"
#include "journal/EsquemaBitacora.h"
#include "journal/TextosBitacora.h"
#include "journal/TiposBitacora.h"

#include <QString>
#include <QVector>

namespace host {
class Conexion;
class ErrorBdD;
} // namespace host

// The operations journal: which runs of the program wrote what, kept in tables of our own
// in the company database each run writes to. This header gives the whole of it: the writer
// of a run below, its tables (EsquemaBitacora), its readers (ConsultasBitacora) and its texts.
namespace bitacora {

// Errors of the journal's statements that stop the operation as any statement of its own
// would (the connection lost, a lock wait or deadlock, a refusal of ours); on any other, the
// operation goes on without the journal.
bool detieneOperacion(const host::ErrorBdD& e);

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
    // Whether the customers' rows take the digest of each customer created.
    bool resumenClientes() const { return resumenClientes_; }

    // Adds the orders' rows through conexion (the connection of the caller's transaction,
    // on the same database). Throws host::ErrorBdD like any other write of that transaction.
    void anota(host::Conexion& conexion, const QVector<PedidoAnotado>& pedidos) const;
    // The lines an accumulation moved, as an order's row keeps them, and back.
    static QString textoMovidos(const QVector<RenglonMovido>& movidos);
    static QVector<RenglonMovido> leeMovidos(const QString& texto);

    // After the connection went while a COMMIT's answer was on its way: whether the
    // transaction that wrote `pedidos` orders' rows of this run is stored, as a new
    // connection finds those rows (they went in or out with the data). 1: stored, 0: not
    // stored, -1: still unknown.
    int guardadaSegunOtraConexion(qint64 pedidos) const;

    // Records the end of the run (at most once; a run never closed is recorded as failed
    // when the entry is destroyed). A message longer than its column holds is cut, with a
    // mark. Never throws: when the connection is gone a new one is tried; when the table
    // refuses the message, the outcome and counts go in without it. Gives, in Spanish, what
    // could not be recorded, for the user (empty when all was).
    QString cierra(EstadoCorrida desenlace, const QString& mensaje, const Cuentas& cuentas);

private:
    // textoMovidos() as the UTF-8 the row stores.
    static QByteArray movidosUtf8(const QVector<RenglonMovido>& movidos);
    QString mensajeQueCabe(const QString& mensaje) const;

    host::Conexion& conexion_;
    qint64 corrida_ = 0;
    QString aviso_;
    bool cerrada_ = false;
    // What the message column holds (TEXT unless read otherwise).
    qint64 largoMensaje_ = 65535;
    qint64 bytesMensaje_ = 65535;
    bool resumenClientes_ = false;
};

} // namespace bitacora
