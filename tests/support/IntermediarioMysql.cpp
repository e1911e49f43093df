#include "support/IntermediarioMysql.h"

#include <QByteArray>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pruebas {

namespace {

constexpr unsigned char comQuery = 0x03;
constexpr unsigned char capacidadTls = 0x08;    // CLIENT_SSL (0x0800), in the second flag byte
constexpr std::size_t paqueteMaximo = 0xffffff; // a longer payload goes on in the next packet

void noBloqueante(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

void cierra(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Sends what the socket takes now; the rest stays in pendiente.
bool envia(int fd, std::string& pendiente) {
    while (!pendiente.empty()) {
        const ssize_t n = ::send(fd, pendiente.data(), pendiente.size(), MSG_NOSIGNAL);
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        pendiente.erase(0, std::size_t(n));
    }
    return true;
}

// Appends what the socket has; false at its end or on an error.
bool recibe(int fd, std::string& destino) {
    char bloque[65536];
    const ssize_t n = ::recv(fd, bloque, sizeof bloque, 0);
    if (n > 0) {
        destino.append(bloque, std::size_t(n));
        return true;
    }
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
}

std::size_t largo(const std::string& datos) {
    return std::size_t(static_cast<unsigned char>(datos[0])) |
           std::size_t(static_cast<unsigned char>(datos[1])) << 8 |
           std::size_t(static_cast<unsigned char>(datos[2])) << 16;
}

bool esCommit(const std::string& paquete) {
    // Sequence 0 starts a command; payload = COM_QUERY + the statement, or several of them
    // (the program's own control statements, without quotes) between semicolons.
    if (paquete.size() < 5 || paquete[3] != 0 || static_cast<unsigned char>(paquete[4]) != comQuery)
        return false;
    const QByteArray texto = QByteArray::fromStdString(paquete.substr(5));
    for (const QByteArray& parte : texto.split(';'))
        if (parte.trimmed().toUpper() == "COMMIT")
            return true;
    return false;
}

// The reply to the statements of one COM_QUERY is whole: an error, or an OK packet whose
// status does not announce more results. Control statements return no rows.
bool respuestaCompleta(const std::string& datos) {
    constexpr std::size_t masResultados = 0x0008; // SERVER_MORE_RESULTS_EXISTS
    const auto byte = [&](std::size_t i) {
        return std::size_t(static_cast<unsigned char>(datos[i]));
    };
    for (std::size_t i = 0; datos.size() >= i + 4;) {
        const std::size_t n = byte(i) | byte(i + 1) << 8 | byte(i + 2) << 16;
        if (datos.size() < i + 4 + n || n == 0)
            return false;
        const std::size_t carga = i + 4;
        if (byte(carga) != 0)
            return true; // an error ends it; anything else is not ours to read
        // Affected rows and insert id, each a length-encoded integer, then the status.
        std::size_t k = carga + 1;
        for (int campo = 0; campo < 2 && k < carga + n; ++campo)
            k += byte(k) < 0xfb ? 1 : byte(k) == 0xfc ? 3 : byte(k) == 0xfd ? 4 : 9;
        if (k + 2 > carga + n || !((byte(k) | byte(k + 1) << 8) & masResultados))
            return true;
        i = carga + n;
    }
    return false;
}

// The server's greeting without the TLS capability; other packets (an error) unchanged.
void quitaTls(std::string& saludo) {
    if (saludo.size() < 5 || saludo[4] != 10) // protocol version 10
        return;
    const std::size_t fin = saludo.find('\0', 5);     // end of the server version
    const std::size_t banderas = fin + 1 + 4 + 8 + 1; // thread id, scramble, filler
    if (fin == std::string::npos || banderas + 1 >= saludo.size())
        return;
    saludo[banderas + 1] = char(static_cast<unsigned char>(saludo[banderas + 1]) & ~capacidadTls);
}

struct Par {
    int cliente = -1;
    int servidor = -1;
    std::string desdeCliente; // bytes of a packet not yet complete
    std::string saludo;       // the server's first bytes, until the greeting is complete
    bool saludoListo = false;
    bool continuacion = false; // the last packet was cut at the size limit
    bool cortando = false;     // the COMMIT went out: its reply is to be dropped
    std::string respuesta;     // of the COMMIT, until whole
    bool mudo = false;         // nothing more is relayed either way
    bool conOrdenes = false;   // past the login: a command was relayed
    std::string haciaServidor, haciaCliente;

    void cierraTodo() {
        if (servidor >= 0)
            envia(servidor, haciaServidor);
        if (cliente >= 0)
            envia(cliente, haciaCliente);
        cierra(cliente);
        cierra(servidor);
    }
};

} // namespace

struct IntermediarioMysql::Estado {
    std::string servidor;
    unsigned puertoDestino = 0;
    int escucha = -1;
    int despertar[2] = {-1, -1};
    std::atomic<int> faltan{0}; // COMMITs until the cut; 0 for none
    std::atomic<bool> rechazarTrasCorte{false};
    std::atomic<bool> cortarPeticion{false};
    std::atomic<bool> enmudecido{false};
    std::atomic<bool> saludoMudo{false};
    bool rechazando = false;
    std::vector<Par> pares;
    std::thread hilo;

    // The n-th COMMIT from now, if one is armed.
    bool tocaCortar() {
        int f = faltan.load();
        while (f > 0 && !faltan.compare_exchange_weak(f, f - 1)) {
        }
        return f == 1;
    }

    int conectaDestino() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in dir{};
        dir.sin_family = AF_INET;
        dir.sin_port = htons(uint16_t(puertoDestino));
        inet_pton(AF_INET, servidor.c_str(), &dir.sin_addr);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&dir), sizeof dir) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
};

IntermediarioMysql::IntermediarioMysql(const QString& servidor, unsigned puerto)
    : estado_(std::make_unique<Estado>()) {
    estado_->servidor =
        servidor == QLatin1String("localhost") ? std::string("127.0.0.1") : servidor.toStdString();
    estado_->puertoDestino = puerto;
    if (::pipe(estado_->despertar) != 0)
        throw std::runtime_error("pipe");
    estado_->escucha = ::socket(AF_INET, SOCK_STREAM, 0);
    const int si = 1;
    setsockopt(estado_->escucha, SOL_SOCKET, SO_REUSEADDR, &si, sizeof si);
    sockaddr_in dir{};
    dir.sin_family = AF_INET;
    dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    dir.sin_port = 0; // the system picks a free port
    socklen_t tam = sizeof dir;
    if (::bind(estado_->escucha, reinterpret_cast<sockaddr*>(&dir), sizeof dir) != 0 ||
        ::listen(estado_->escucha, 64) != 0 ||
        ::getsockname(estado_->escucha, reinterpret_cast<sockaddr*>(&dir), &tam) != 0)
        throw std::runtime_error(std::string("intermediario: ") + std::strerror(errno));
    puerto_ = ntohs(dir.sin_port);
    estado_->hilo = std::thread([this] { ciclo(); });
}

IntermediarioMysql::~IntermediarioMysql() {
    const char fin = 0;
    (void)!::write(estado_->despertar[1], &fin, 1);
    estado_->hilo.join();
    for (Par& p : estado_->pares)
        p.cierraTodo();
    cierra(estado_->escucha);
    cierra(estado_->despertar[0]);
    cierra(estado_->despertar[1]);
}

host::BasesDD IntermediarioMysql::redirige(host::BasesDD bases) const {
    bases.cRuta = QStringLiteral("127.0.0.1");
    bases.cPuerto = puerto_;
    return bases;
}

host::ParametrosConexion IntermediarioMysql::redirige(host::ParametrosConexion parametros) const {
    parametros.servidor = QStringLiteral("127.0.0.1");
    parametros.puerto = puerto_;
    parametros.socket.clear();
    return parametros;
}

void IntermediarioMysql::cortaRespuestaDelCommit(int n, TrasCorte despues) {
    arma(n, despues, false);
}

void IntermediarioMysql::cortaAntesDelCommit(int n, TrasCorte despues) {
    arma(n, despues, true);
}

void IntermediarioMysql::enmudece(Saludo saludo) {
    estado_->saludoMudo = saludo == Saludo::Calla;
    estado_->enmudecido = true;
}

void IntermediarioMysql::arma(int n, TrasCorte despues, bool antes) {
    estado_->rechazarTrasCorte = despues == TrasCorte::Rechaza;
    estado_->cortarPeticion = antes;
    estado_->faltan = std::max(1, n);
}

void IntermediarioMysql::ciclo() {
    Estado& e = *estado_;
    std::vector<pollfd> fds;
    // The client is left without an answer.
    auto corta = [&](Par& p) {
        if (e.rechazarTrasCorte)
            e.rechazando = true;
        ++cortes_;
        p.haciaCliente.clear();
        cierra(p.cliente);
    };
    for (;;) {
        fds.clear();
        fds.push_back({e.despertar[0], POLLIN, 0});
        fds.push_back({e.escucha, POLLIN, 0});
        for (Par& p : e.pares) {
            // Silent once logged in: its server's bytes stay unread.
            if (e.enmudecido && p.conOrdenes && !p.mudo) {
                p.mudo = true;
                p.haciaCliente.clear();
                p.haciaServidor.clear();
            }
            const bool aServidor = !p.mudo && !p.haciaServidor.empty();
            fds.push_back({p.cliente, short(POLLIN | (p.haciaCliente.empty() ? 0 : POLLOUT)), 0});
            fds.push_back(
                {p.servidor, short(p.mudo ? 0 : (POLLIN | (aServidor ? POLLOUT : 0))), 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents)
            return;

        for (std::size_t i = 0; i < e.pares.size(); ++i) {
            Par& p = e.pares[i];
            const short deCliente = fds[2 + 2 * i].revents;
            const short deServidor = fds[3 + 2 * i].revents;
            bool vivo = true;
            if (p.mudo && (deCliente & (POLLIN | POLLHUP | POLLERR))) {
                // Whatever the client says goes nowhere; it may only hang up.
                std::string tirado;
                vivo = recibe(p.cliente, tirado);
                if (!tirado.empty())
                    ++mudas_;
                p.haciaCliente.clear();
            } else if (deCliente & (POLLIN | POLLHUP | POLLERR)) {
                vivo = recibe(p.cliente, p.desdeCliente);
                while (vivo && p.desdeCliente.size() >= 4 &&
                       p.desdeCliente.size() >= 4 + largo(p.desdeCliente)) {
                    const std::size_t n = largo(p.desdeCliente);
                    const std::string paquete = p.desdeCliente.substr(0, 4 + n);
                    p.desdeCliente.erase(0, 4 + n);
                    // The first command after the login: from here on, silence.
                    if (p.saludoListo && paquete[3] == 0 && !p.continuacion) {
                        if (e.enmudecido) {
                            p.mudo = true;
                            p.desdeCliente.clear();
                            ++mudas_;
                            break;
                        }
                        p.conOrdenes = true;
                    }
                    if (!p.continuacion && esCommit(paquete)) {
                        ++commits_;
                        if (e.tocaCortar())
                            p.cortando = true;
                    }
                    p.continuacion = n == paqueteMaximo;
                    if (p.cortando && e.cortarPeticion) {
                        // The COMMIT is held back and both sides closed.
                        corta(p);
                        p.haciaServidor.clear();
                        vivo = false;
                        break;
                    }
                    p.haciaServidor += paquete;
                }
            }
            if (vivo && !p.mudo && (deServidor & (POLLIN | POLLHUP | POLLERR))) {
                std::string llegado;
                vivo = recibe(p.servidor, llegado);
                if (p.cortando && !llegado.empty()) {
                    // The COMMIT's reply, once the server has answered every statement sent
                    // with it: dropped, and the client left without one.
                    p.respuesta += llegado;
                    if (respuestaCompleta(p.respuesta)) {
                        corta(p);
                        vivo = false;
                    }
                } else if (!p.saludoListo) {
                    p.saludo += llegado;
                    if (p.saludo.size() >= 4 && p.saludo.size() >= 4 + largo(p.saludo)) {
                        quitaTls(p.saludo);
                        p.haciaCliente += p.saludo;
                        p.saludo.clear();
                        p.saludoListo = true;
                    }
                } else {
                    p.haciaCliente += llegado;
                }
            }
            if (vivo && !p.haciaCliente.empty())
                vivo = envia(p.cliente, p.haciaCliente);
            if (vivo && !p.mudo && !p.haciaServidor.empty())
                vivo = envia(p.servidor, p.haciaServidor);
            if (!vivo)
                p.cierraTodo();
        }
        std::erase_if(e.pares, [](const Par& p) { return p.cliente < 0; });

        if (fds[1].revents & POLLIN) {
            int cliente = ::accept(e.escucha, nullptr, nullptr);
            if (cliente >= 0 && e.enmudecido && e.saludoMudo) {
                // Never greeted: a server that accepts and then says nothing.
                ++conexiones_;
                noBloqueante(cliente);
                Par p;
                p.cliente = cliente;
                p.mudo = true;
                e.pares.push_back(std::move(p));
            } else if (cliente >= 0) {
                const int servidor = e.rechazando ? -1 : e.conectaDestino();
                if (servidor < 0) {
                    ++rechazadas_;
                    cierra(cliente);
                } else {
                    ++conexiones_;
                    noBloqueante(cliente);
                    noBloqueante(servidor);
                    Par p;
                    p.cliente = cliente;
                    p.servidor = servidor;
                    e.pares.push_back(std::move(p));
                }
            }
        }
    }
}

} // namespace pruebas
