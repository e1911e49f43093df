#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <memory>

struct evp_md_ctx_st;

namespace transferencia {

// SHA-256 of a stream of bytes, through the system's crypto library: it uses the
// processor's hashing instructions, so a large transfer file is hashed in a fraction of the
// time its import takes.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void agrega(QByteArrayView bytes);
    // The digest of everything given so far (32 bytes).
    QByteArray resultado() const;
    // The same, and starts again from nothing: for many short digests in a row.
    QByteArray reinicia();

private:
    evp_md_ctx_st* contexto_;
};

} // namespace transferencia
