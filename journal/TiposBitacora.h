#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVector>
#include <optional>

// What the operations journal holds: runs of the program and the orders each one wrote.
namespace bitacora {

enum class Operacion { Acumulacion, Exportacion, Importacion, Deshacer };
enum class EstadoCorrida { EnCurso, Hecho, Fallido, Cancelado };

// What the user asked of a run; members left empty do not apply to the operation.
struct Parametros {
    std::optional<QDate> desde;
    std::optional<QDate> hasta;
    std::optional<QString> serie;
    std::optional<qint32> primerFolio;
    QString archivo;
    QString destino;
    std::optional<qint64> deshace; // the run an undo undid
    // "Del 01/03/2026 al 31/03/2026, serie A, desde el folio 100", for lists and reports.
    QString texto() const;
};

struct Cuentas {
    qint64 pedidos = 0;
    qint64 renglones = 0;
    qint64 clientes = 0; // customers created (import)
};

// A line an accumulation moved: the pending quantity (as the server wrote it) it took from
// line Partida, product Producto, of the source order.
struct RenglonMovido {
    QVariant partida;
    QVariant producto;
    QByteArray cantidad;
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
    QString resumen;                // digest of the order as stored (ResumenPedido)
    QVector<RenglonMovido> movidos; // of an accumulation: what it took from each source line
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
    EstadoCorrida desenlace = EstadoCorrida::EnCurso;
    // In course, but no session runs it any longer: the program or the server stopped
    // before the run could record its end.
    bool interrumpida = false;
    QString mensaje;
    Cuentas cuentas;
    bool deshacible = false; // it kept what undoing it needs
    qint64 deshechaPor = 0;  // the last undo that took orders of it
    qint64 deshechos = 0;    // how many of its orders undos took
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

// An order an import brought in and an undo took back since.
struct HuellaDeshecha {
    qint64 corrida = 0; // the import
    QDateTime llego;    // its start (invalid when unknown)
    qint64 idNuevo = 0; // what it made of the order
    QString pedidoNuevo;
    qint64 deshacer = 0; // the undo that removed it
    QDateTime deshecho;  // that undo's start (invalid when unknown)
};

} // namespace bitacora
