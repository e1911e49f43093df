#pragma once

#include "shell/host/Conexion.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace host {

// What a connection is running, as a watcher on another thread sees it.
struct SentenciaEnCurso {
    ParametrosConexion parametros;          // set when the connection opens, never changed after
    quint64 sesion = 0;                     // the server's id of the session
    std::atomic<quint64> numero{0};         // statements started so far
    std::atomic<qint64> desde{0};           // start of the running one (steady ms); 0 while idle
    std::atomic<bool> interrumpible{false}; // the running one may be stopped for a cancel
    std::atomic<quint64> interrumpida{0};   // the statement the watcher stopped for a cancel
    quint64 vigia = 0; // the watcher it is known to (read and written on its own thread only)
};

// Watches, from a connection of its own, the statements that the connections of one thread
// run while it lives (a window's worker run, a command). A statement that waits for a lock
// another session holds is told after a second, naming what it waits for when the server
// says; once the user cancels, the statement running since before the cancel is stopped at
// once (KILL QUERY ID) and the thread hears the operation's own cancel instead of an error.
//
// Never stopped: COMMIT, ROLLBACK and the other statements that end a transaction (whatever
// the server did with them would be unknown), and those begun after the cancel (the
// operation is then already winding up: recording its end, rolling back).
class Vigia {
public:
    struct Llamadas {
        // Asked on the watcher's thread and on the watched one: true once the user cancels.
        std::function<bool()> cancelado;
        // On the watcher's thread: what a statement waits for ("Esperando a que otro usuario
        // libere …"), or an empty text once it waits no more.
        std::function<void(const QString&)> esperando;
        // On the watched thread, instead of the error of a statement stopped for a cancel:
        // throws the operation's cancel.
        std::function<void()> interrumpida;
    };

    // The watcher of this thread until destroyed (the one it replaced comes back then).
    explicit Vigia(Llamadas llamadas);
    ~Vigia();
    Vigia(const Vigia&) = delete;
    Vigia& operator=(const Vigia&) = delete;

    // While it lives, no statement this thread begins is stopped for a cancel: for the look
    // that finds out what a COMMIT whose answer was lost did, which the user must be told.
    class SinInterrumpir {
    public:
        SinInterrumpir();
        ~SinInterrumpir();
        SinInterrumpir(const SinInterrumpir&) = delete;
        SinInterrumpir& operator=(const SinInterrumpir&) = delete;

    private:
        Vigia* vigia_;
    };

    // This thread's watcher; null when none.
    static Vigia* delHilo();
    bool cancelado() const { return llamadas_.cancelado && llamadas_.cancelado(); }

    // For Conexion, on the watched thread. empieza: a statement starts on the connection
    // (interrumpible: it may be stopped); termina: it ended.
    void empieza(const std::shared_ptr<SentenciaEnCurso>& sentencia, bool interrumpible);
    static void termina(SentenciaEnCurso& sentencia);
    // The statement that just failed was stopped for the cancel: throws the operation's
    // cancel; returns when the caller has none to throw.
    void interrumpe() const;

    // What a statement waits for, from the server's own view of its session: its state,
    // its text, its database and the table of the row lock it waits for ("`db`.`tabla`").
    // Empty when it is not waiting for another session.
    static QString espera(const QString& estado, const QString& instruccion, const QString& base,
                          const QString& tablaBloqueada);
    // What is told while the server answers neither a statement nor the watcher, which waits
    // for it at most segundos in all.
    static QString sinRespuesta(unsigned segundos);

private:
    struct Seguimiento;
    void ciclo();
    void revisa(Seguimiento& s, qint64 ahora);
    // What the statement waits for, told; and the statement stopped.
    void mira(Seguimiento& s, SentenciaEnCurso& sentencia);
    void detiene(Seguimiento& s, SentenciaEnCurso& sentencia);
    Conexion* propia(const ParametrosConexion& p);
    void avisa(Seguimiento& s, const QString& texto);
    // Told when the watcher's own try found the server silent.
    void avisaSiNoContesta(Seguimiento& s, const SentenciaEnCurso& sentencia);

    Llamadas llamadas_;
    Vigia* anterior_;
    const quint64 id_;
    int sinInterrumpir_ = 0; // the watched thread's only

    std::mutex mutex_;
    std::condition_variable despierta_;
    bool parar_ = false;
    std::vector<std::weak_ptr<SentenciaEnCurso>> nuevas_; // registered, not yet taken
    std::thread hilo_;

    // The watcher's thread only.
    std::vector<Seguimiento> seguidas_;
    std::unique_ptr<Conexion> propia_;
    qint64 sinServidorHasta_ = 0; // its own connection failed: not tried again before then
    bool sinRespuesta_ = false;   // its last try to reach the server got no answer
    bool sinProceso_ = false;     // the server's lock tables cannot be read
    bool sinDetener_ = false;     // the server cannot stop a query by its id
};

} // namespace host
