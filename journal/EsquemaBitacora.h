#pragma once

#include "journal/TiposBitacora.h"

#include <QString>
#include <QStringList>

namespace host {
class Conexion;
} // namespace host

namespace bitacora {

// The journal's tables: their names, their making and upgrading, and the check that they
// still take what the journal writes. A version row in a table of its own tells the layout
// at once, so a journal already in the present layout costs one cheap read per run.
class EsquemaBitacora {
public:
    // The layout the program writes: 1 the first journal, 2 with the owner of each run
    // (Nodo, Sesion, ArranqueNodo), 3 with what an undo needs (the orders' digests, the
    // lines an accumulation moved, the customers an import created, who undid what), 4 with
    // the digest of each customer as the import stored it. Copies of layout 3 write a 4
    // unchanged: the new column takes NULL from them, which reads as unknown.
    static constexpr int version = 4;
    // Room for a file or folder in the tables: a longer path is cut rather than stopping
    // the run.
    static constexpr qsizetype largoRuta = 1024;

    // Creates the journal's tables where missing and upgrades those of an earlier layout,
    // then records the version. Throws host::ErrorBdD when it cannot. conexion must not be
    // inside a transaction (creating a table commits what is open).
    static void creaTablas(host::Conexion& conexion);
    // The version the database's journal records; 0 when it records none (no journal yet,
    // or one of before the version row).
    static int versionGuardada(host::Conexion& conexion);
    // Throws host::ErrorBdD (code 0) when the journal asks for a newer program than this
    // one: a copy of the program that does not know its layout would misread the runs to
    // undo and the register that refuses an import done before. creaTablas asks it too.
    static void exigeVersionConocida(host::Conexion& conexion);

    // The journal's tables an operation writes.
    static QStringList tablas(Operacion operacion);

    // What makes the tables ready for a run of the operation: why the journal cannot be
    // kept (empty when it can), and what its message column holds. Throws host::ErrorBdD.
    struct Preparacion {
        QString aviso;
        qint64 largoMensaje = 65535; // characters (TEXT unless read otherwise)
        qint64 bytesMensaje = 65535;
        // The statements that try the user's rights on the tables, over no row: to run first
        // in the round trip of the run's first write, which fails as they would alone.
        QList<QByteArray> pruebas;
        // The customers' rows keep the digest of each customer created (a journal whose
        // upgrade the user may not make has not).
        bool resumenClientes = false;
    };
    static Preparacion prepara(host::Conexion& conexion, Operacion operacion);

    // Names of the journal's tables: a prefix the host system's tables never carry.
    static QString tablaCorridas();
    static QString tablaPedidos();
    // The register of imported orders: one row per order fingerprint (Huella, the hex
    // SHA-256), with the run that first brought it in (PrimeraCorrida), the last one
    // (UltimaCorrida) and how many times it was imported (Veces). Its key on Huella lets
    // two imports of one file at once collide instead of both passing.
    static QString tablaHuellas();
    // One row (Id 1) with the layout's Version. A layout that earlier copies of the program
    // must not write adds a row (Id 2) whose Version is the oldest layout a copy must know
    // to use it; never above the first row's, so the copies that read only the highest
    // Version still read the layout's.
    static QString tablaVersion();
    // Each customer an import created (Clave).
    static QString tablaClientes();

    // The columns of an order's row, as the writer and the readers name them.
    static QString columnasPedido();
    // Who runs a run, as SQL: the server (host and port, the same for every session on it)
    // and when that server started (a restarted server numbers its sessions anew).
    static QString nodo();
    static QString arranqueNodo();
};

} // namespace bitacora
