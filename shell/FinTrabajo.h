#pragma once

#include <QString>
#include <optional>
#include <utility>

// How a worker run ended, handed to the window on its own thread: the value the body
// returned, or the message of the exception that escaped it (never both, never neither).
template <typename R> class FinTrabajo {
public:
    static FinTrabajo conValor(R valor) {
        FinTrabajo d;
        d.valor_.emplace(std::move(valor));
        return d;
    }
    static FinTrabajo conFallo(QString mensaje) {
        FinTrabajo d;
        d.fallo_ = std::move(mensaje);
        return d;
    }

    bool ok() const { return valor_.has_value(); }
    // Only when ok().
    R& valor() { return *valor_; }
    const R& valor() const { return *valor_; }
    // The message fit for the user; empty when ok().
    const QString& fallo() const { return fallo_; }

    // The value, or what siFalla makes of the failure's message: each window turns a failure
    // into its own result (ok false, the message to show).
    template <typename F> R o(F&& siFalla) && {
        return ok() ? std::move(*valor_) : std::forward<F>(siFalla)(fallo_);
    }

private:
    FinTrabajo() = default;
    std::optional<R> valor_;
    QString fallo_;
};

// A result struct of the core (ok, cancelado, mensaje) for a failure that escaped the body:
// failed, not cancelled, saying the failure's message. For FinTrabajo::o.
template <typename R> R fallido(const QString& mensaje) {
    R r;
    r.ok = false;
    r.cancelado = false;
    r.mensaje = mensaje;
    return r;
}
