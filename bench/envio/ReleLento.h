#pragma once

#include <atomic>
#include <memory>
#include <string>

// A TCP relay on loopback that holds every byte for a fixed time each way, as a slow link
// does (its bandwidth left whole), and counts the statements its clients send (COM_QUERY
// packets).
class ReleLento {
public:
    ReleLento(unsigned puertoServidor, int retrasoMs);
    ~ReleLento();
    ReleLento(const ReleLento&) = delete;
    ReleLento& operator=(const ReleLento&) = delete;

    unsigned puerto() const { return puerto_; }
    long sentencias() const { return sentencias_; }

private:
    struct Estado;
    unsigned puerto_ = 0;
    std::atomic<long> sentencias_{0};
    std::unique_ptr<Estado> estado_;
};
