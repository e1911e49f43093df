#pragma once

#include "shell/host/ErrorBdD.h"

#include <functional>

namespace host {

// When a transaction that the server broke off is run again, and after how long a pause.
// Deadlocks (1213, also a replicated cluster's conflict at COMMIT) are retried up to
// bloqueosMutuos times: the server undid the whole transaction, and it can pass once the
// other one is through. So is a duplicate key (1062): on a cluster it is a row another node
// stored after this transaction looked for it; for an automatic Id, one that an import gave
// while this insert waited for it. A lock-wait timeout (1205) is retried once only: it
// already waited esperaBloqueo() seconds, and another session that still holds the lock
// after a second wait is not about to let go.
struct PoliticaReintentos {
    int bloqueosMutuos;
    int pausaMinimaMs; // the pause is random between these, times the try's number, so
    int pausaMaximaMs; // that two runs that crossed do not cross again at once
};

// The accumulation moves small groups of orders (ten from the window, a hundred from the
// command): trying one again is cheap, and two runs into one series cross often, so it is
// retried more often after shorter pauses.
inline constexpr PoliticaReintentos reintentosAcumulacion{4, 20, 100};
// The import runs the whole file again each time: fewer tries, after longer pauses; the
// look-ups of its register and its last Id may be overtaken by another node's commit.
inline constexpr PoliticaReintentos reintentosImportacion{3, 50, 250};

// The tries of one transaction under a policy.
class Reintentos {
public:
    explicit Reintentos(const PoliticaReintentos& politica) : politica_(politica) {}

    // After a try failed with e: pauses and answers true when the transaction is to run
    // again; false to give up (also when cancelado answers true).
    bool otraVez(const ErrorBdD& e, const std::function<bool()>& cancelado = {});
    // Tries made so far, the failed ones included.
    int intentos() const { return intentos_; }

    // The server broke the transaction off because of another session: a deadlock or a
    // lock wait that timed out.
    static bool esBloqueo(const ErrorBdD& e) { return e.codigo() == 1213 || e.codigo() == 1205; }

private:
    PoliticaReintentos politica_;
    int intentos_ = 1;
    int bloqueosMutuos_ = 0;
    int esperasAgotadas_ = 0;
};

} // namespace host
