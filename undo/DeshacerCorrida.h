#pragma once

#include "shell/host/Error.h"
#include "undo/Deshacer.h"

#include <QHash>
#include <QVariant>
#include <vector>

namespace bitacora {
class Bitacora;
}
namespace host {
class ErrorBdD;
}

namespace deshacer {

class ExistenciasProductos;

// One try of an undo, inside the caller's transaction on the database whose journal holds
// the run: the run's orders read from the journal and locked, each compared with the digest
// the run kept, then everything that nobody changed taken back. Every read that decides is
// a locking read, so nothing it checked can change before the transaction ends.
class DeshacerCorrida {
public:
    // diario: the undo's own journal entry (none in a preview).
    DeshacerCorrida(host::Conexion& conexion, const bitacora::Corrida& corrida,
                    const OpcionesDeshacer& opciones, const LlamadasDeshacer& llamadas,
                    const bitacora::Bitacora* diario);

    // Throws Rechazada, before anything is written, when orders were changed and the undo
    // was not asked to leave them; transferencia::Cancelado; host::ErrorBdD.
    void corre();
    struct Rechazada : host::Desvio {};

    ResultadoDeshacer& resultado() { return r_; }

private:
    struct Anotado {
        qint64 id = 0;
        QString pedido;
        QString resumen;
        QString huella;
        QString baseOrigen;
        qint64 idOrigen = 0;
        QString pedidoOrigen;
    };
    // A line the run moved: what it took from which source line.
    struct Movido {
        QString baseOrigen;
        qint64 idOrigen = 0;
        QVariant partida, producto;
        QByteArray cantidad;
    };
    void leeAnotados();
    void comparaResumenes();
    void comparaOrigenes();
    // Why the source database base could not be read, in a sentence for its orders.
    QString porQueNoSeLee(const QString& base, const host::ErrorBdD& e);
    void deja(const Anotado& a, const QString& motivo, PorQueSeDeja porQue = PorQueSeDeja::Cambio);
    void cuentaRenglones();
    void bajaExistencias();
    void devuelveOrigenes();
    // Raises the source's PorVender by what the run took from the lines of these orders.
    void subeExistencias(const QString& base, const std::vector<qint64>& nuevos);
    // The changes of PorVender into the result, and the products that had none.
    void cierra(const ExistenciasProductos& existencias);
    void quitaPedidos();
    void quitaClientes();
    void liberaHuellas();
    void anota();
    void revisaCancelacion() const;
    std::vector<qint64> ids() const;

    host::Conexion& conexion_;
    const bitacora::Corrida& corrida_;
    const OpcionesDeshacer& opciones_;
    const LlamadasDeshacer& llamadas_;
    const bitacora::Bitacora* diario_;
    ResultadoDeshacer r_;
    QVector<Anotado> candidatos_;            // not undone yet; those left are dropped from it
    QHash<qint64, QVector<Movido>> movidos_; // of an accumulation, by the order they went to
    // The journal's rows of each order not undone yet (more than one if it was noted twice).
    QHash<qint64, std::vector<qint64>> filas_;
    QHash<qint64, qint64> renglones_; // the lines each order holds now
    qint64 hechos_ = 0, total_ = 0;
};

} // namespace deshacer
