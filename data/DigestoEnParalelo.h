#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace transferencia {

// SHA-256 of a stream of bytes. Past the first few hundred kilobytes it is computed on a
// thread of its own, so that reading a large file does not wait for it.
class DigestoEnParalelo {
public:
    DigestoEnParalelo() = default;
    ~DigestoEnParalelo();
    DigestoEnParalelo(const DigestoEnParalelo&) = delete;
    DigestoEnParalelo& operator=(const DigestoEnParalelo&) = delete;

    // Takes a copy of the bytes.
    void agrega(QByteArrayView bytes);
    // The digest of everything given so far (waits for the thread to catch up).
    QByteArray resultado();

private:
    void trabaja();

    QCryptographicHash hash_{QCryptographicHash::Sha256};
    qint64 enLinea_ = 0; // bytes hashed by the caller itself, before the thread started
    std::mutex mutex_;
    std::condition_variable cambio_;
    std::deque<QByteArray> pendientes_;
    bool ocupado_ = false;
    bool termina_ = false;
    std::thread hilo_;
};

} // namespace transferencia
