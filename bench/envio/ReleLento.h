#pragma once

#include <atomic>
#include <memory>
#include <string>

// A TCP relay on loopback that holds every byte for a fixed time each way, as a slow link
// does (its bandwidth left whole). It counts the statements its clients send (each of a
// COM_QUERY's, and each prepared one run), the round trips (each time a client speaks again
// after its server answered) and the connections.
class ReleLento {
public:
    ReleLento(unsigned puertoServidor, int retrasoMs);
    ~ReleLento();
    ReleLento(const ReleLento&) = delete;
    ReleLento& operator=(const ReleLento&) = delete;

    unsigned puerto() const { return puerto_; }
    long sentencias() const { return sentencias_; }
    long rondas() const { return rondas_; }
    long conexiones() const { return conexiones_; }

private:
    struct Estado;
    unsigned puerto_ = 0;
    std::atomic<long> sentencias_{0};
    std::atomic<long> rondas_{0};
    std::atomic<long> conexiones_{0};
    std::unique_ptr<Estado> estado_;
};
