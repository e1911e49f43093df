#include "ReleLento.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Reloj = std::chrono::steady_clock;

int conecta(unsigned puerto) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(puerto));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    const int si = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &si, sizeof si);
    return fd;
}

// One direction of one connection: a reader that stamps each chunk, a writer that sends it
// once its time has come.
class Sentido {
public:
    // hablaServidor: the connection's server spoke last (shared by its two directions);
    // rondas: counted each time the client speaks after it (the client's direction only).
    Sentido(int desde, int hacia, int retrasoMs, std::atomic<long>* sentencias,
            std::atomic<bool>* hablaServidor, std::atomic<long>* rondas)
        : desde_(desde), hacia_(hacia), retraso_(retrasoMs), sentencias_(sentencias),
          hablaServidor_(hablaServidor), rondas_(rondas) {
        lector_ = std::thread([this] { lee(); });
        escritor_ = std::thread([this] { escribe(); });
    }
    ~Sentido() {
        lector_.join();
        escritor_.join();
    }

private:
    void lee() {
        std::vector<char> bloque(1 << 16);
        for (;;) {
            const ssize_t n = ::recv(desde_, bloque.data(), bloque.size(), 0);
            std::lock_guard<std::mutex> cierre(mutex_);
            if (n <= 0) {
                fin_ = true;
                hay_.notify_one();
                return;
            }
            if (sentencias_)
                cuenta(bloque.data(), std::size_t(n));
            // The client waits for the server's answer before it speaks again, so the
            // order the two readers see is the link's.
            if (rondas_) {
                if (hablaServidor_->exchange(false))
                    ++*rondas_;
            } else {
                hablaServidor_->store(true);
            }
            cola_.push_back({Reloj::now() + retraso_, std::string(bloque.data(), std::size_t(n))});
            hay_.notify_one();
        }
    }
    void escribe() {
        for (;;) {
            std::unique_lock<std::mutex> cierre(mutex_);
            hay_.wait(cierre, [this] { return fin_ || !cola_.empty(); });
            if (cola_.empty()) {
                ::shutdown(hacia_, SHUT_WR);
                return;
            }
            auto [cuando, datos] = std::move(cola_.front());
            cola_.pop_front();
            cierre.unlock();
            std::this_thread::sleep_until(cuando);
            for (std::size_t hecho = 0; hecho < datos.size();) {
                const ssize_t n =
                    ::send(hacia_, datos.data() + hecho, datos.size() - hecho, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                hecho += std::size_t(n);
            }
        }
    }
    // The packets of the client's stream: 3-byte length, sequence, payload; a command is the
    // packet of sequence 0. A COM_QUERY holds one statement, or several between semicolons;
    // a COM_STMT_EXECUTE runs one prepared statement.
    void cuenta(const char* datos, std::size_t n) {
        paquete_.append(datos, n);
        std::size_t i = 0;
        while (paquete_.size() - i >= 5) {
            const auto b = [&](std::size_t k) {
                return std::size_t(static_cast<unsigned char>(paquete_[i + k]));
            };
            const std::size_t largo = b(0) | b(1) << 8 | b(2) << 16;
            if (paquete_.size() - i < 4 + largo)
                break;
            if (b(3) == 0 && b(4) == 0x03)
                *sentencias_ += partes(i + 5, i + 4 + largo);
            else if (b(3) == 0 && (b(4) == 0x17 || b(4) == 0xfa)) // execute, bulk execute
                ++*sentencias_;
            i += 4 + largo;
        }
        paquete_.erase(0, i);
    }

    // The statements of a query's text: semicolons outside quotes part them.
    long partes(std::size_t desde, std::size_t hasta) const {
        long n = 1;
        char comilla = 0;
        for (std::size_t k = desde; k < hasta; ++k) {
            const char c = paquete_[k];
            if (comilla) {
                if (c == '\\' && comilla != '`')
                    ++k;
                else if (c == comilla)
                    comilla = 0;
            } else if (c == '\'' || c == '"' || c == '`') {
                comilla = c;
            } else if (c == ';') {
                ++n;
            }
        }
        return n;
    }

    int desde_, hacia_;
    std::chrono::milliseconds retraso_;
    std::atomic<long>* sentencias_;
    std::atomic<bool>* hablaServidor_;
    std::atomic<long>* rondas_;
    std::mutex mutex_;
    std::condition_variable hay_;
    std::deque<std::pair<Reloj::time_point, std::string>> cola_;
    bool fin_ = false;
    std::string paquete_;
    std::thread lector_, escritor_;
};

} // namespace

struct ReleLento::Estado {
    int escucha = -1;
    std::thread aceptador;
    std::mutex mutex;
    std::vector<std::unique_ptr<Sentido>> sentidos;
    std::vector<std::unique_ptr<std::atomic<bool>>> turnos; // one per connection
    std::vector<int> sockets;
};

ReleLento::ReleLento(unsigned puertoServidor, int retrasoMs) : estado_(std::make_unique<Estado>()) {
    Estado& e = *estado_;
    e.escucha = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t l = sizeof a;
    if (::bind(e.escucha, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(e.escucha, 16) != 0 ||
        ::getsockname(e.escucha, reinterpret_cast<sockaddr*>(&a), &l) != 0)
        throw std::runtime_error("no se pudo abrir el puerto del relevo");
    puerto_ = ntohs(a.sin_port);
    e.aceptador = std::thread([this, puertoServidor, retrasoMs] {
        Estado& e = *estado_;
        for (;;) {
            const int cliente = ::accept(e.escucha, nullptr, nullptr);
            if (cliente < 0)
                return;
            const int si = 1;
            ::setsockopt(cliente, IPPROTO_TCP, TCP_NODELAY, &si, sizeof si);
            const int servidor = conecta(puertoServidor);
            if (servidor < 0) {
                ::close(cliente);
                continue;
            }
            std::lock_guard<std::mutex> cierre(e.mutex);
            e.sockets.insert(e.sockets.end(), {cliente, servidor});
            ++conexiones_;
            // Set by the server's greeting, so the client's first word is a round trip.
            auto& turno = e.turnos.emplace_back(std::make_unique<std::atomic<bool>>(false));
            e.sentidos.push_back(std::make_unique<Sentido>(cliente, servidor, retrasoMs,
                                                           &sentencias_, turno.get(), &rondas_));
            e.sentidos.push_back(std::make_unique<Sentido>(servidor, cliente, retrasoMs, nullptr,
                                                           turno.get(), nullptr));
        }
    });
}

ReleLento::~ReleLento() {
    Estado& e = *estado_;
    ::shutdown(e.escucha, SHUT_RDWR);
    ::close(e.escucha);
    e.aceptador.join();
    for (int fd : e.sockets)
        ::shutdown(fd, SHUT_RDWR);
    e.sentidos.clear();
    for (int fd : e.sockets)
        ::close(fd);
}
