#pragma once

#include "shell/host/BasesDD.h"
#include "shell/host/Conexion.h"

#include <QString>
#include <atomic>
#include <memory>

namespace pruebas {

// A TCP relay on loopback between MySQL clients and a server, for tests that lose a
// connection at a chosen moment. It listens on a free port of 127.0.0.1 and relays every
// connection to the target on a thread of its own. It reads the client's packets (3-byte
// little-endian length, 1-byte sequence, payload) to recognise a COM_QUERY (payload byte
// 0x03) "COMMIT"; when told to, it forwards that COMMIT, waits for the server's reply,
// drops it and closes the client's side, so that the client cannot tell whether the COMMIT
// was done. It can also fall silent (enmudece), as a server that stops answering. The
// server's greeting is relayed without the TLS capability, so the traffic stays readable
// whatever the client would have negotiated.
//
//   pruebas::IntermediarioMysql rele("127.0.0.1", 3306);
//   auto bases = rele.redirige(pruebas::basesDD("empresa1"));
//   rele.cortaRespuestaDelCommit(2); // the second COMMIT from now loses its reply
class IntermediarioMysql {
public:
    // What becomes of new connections once a reply has been dropped.
    enum class TrasCorte {
        Acepta, // relayed as before: a client that reconnects reaches the server
        Rechaza // from then on closed at once: the server looks gone to every client
    };

    IntermediarioMysql(const QString& servidor, unsigned puerto);
    ~IntermediarioMysql(); // closes every connection and ends the thread
    IntermediarioMysql(const IntermediarioMysql&) = delete;
    IntermediarioMysql& operator=(const IntermediarioMysql&) = delete;

    // The port clients connect to.
    unsigned puerto() const { return puerto_; }
    // The settings given, pointed at the relay instead of the server.
    host::BasesDD redirige(host::BasesDD bases) const;
    host::ParametrosConexion redirige(host::ParametrosConexion parametros) const;

    // How a silent relay meets new connections.
    enum class Saludo {
        Responde, // greeting and login go through; the first command is never answered
        Calla     // accepted, never greeted: the client waits for the greeting
    };
    // From now on the server seems to stop answering, as behind a cut cable or a stalled
    // server: the connections stay open but nothing more goes either way on them (what the
    // clients send is dropped), and new ones are accepted and met as saludo says.
    void enmudece(Saludo saludo = Saludo::Responde);

    // The n-th COMMIT from now, on any connection, reaches the server but its reply is
    // dropped and its client's connection closed. One cut may be pending at a time.
    void cortaRespuestaDelCommit(int n = 1, TrasCorte despues = TrasCorte::Acepta);
    // The same, but that COMMIT never reaches the server: both sides are closed instead.
    void cortaAntesDelCommit(int n = 1, TrasCorte despues = TrasCorte::Acepta);

    int conexiones() const { return conexiones_; } // client connections accepted
    int commits() const { return commits_; }       // COMMIT packets seen
    int cortes() const { return cortes_; }         // COMMITs cut (reply or request)
    int rechazadas() const { return rechazadas_; } // connections refused after a cut
    int mudas() const { return mudas_; }           // commands left unanswered

private:
    struct Estado;
    void ciclo();
    void arma(int n, TrasCorte despues, bool antes);

    unsigned puerto_ = 0;
    std::unique_ptr<Estado> estado_;
    std::atomic<int> conexiones_{0};
    std::atomic<int> commits_{0};
    std::atomic<int> cortes_{0};
    std::atomic<int> rechazadas_{0};
    std::atomic<int> mudas_{0};
};

} // namespace pruebas
