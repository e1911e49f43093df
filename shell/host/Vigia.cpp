#include "shell/host/Vigia.h"

#include "shell/host/Recordset.h"

#include <QRegularExpression>
#include <QStringList>
#include <chrono>

namespace host {

namespace {

thread_local Vigia* delHilo_ = nullptr;
std::atomic<quint64> siguienteId{1};

qint64 ahoraMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A statement is told waiting after this long, then looked at again this often.
constexpr qint64 primeraMirada = 1000;
constexpr qint64 otraMirada = 2000;
// A stopped statement that still runs is stopped again after this long.
constexpr qint64 otraDetencion = 500;
// The watcher's own connection gives up soon: a server that does not answer it does not
// answer the watched one either, which ends by its own timeout.
constexpr unsigned esperaPropia = 2;
constexpr qint64 pausaSinServidor = 5000;

// "`base`.`tabla`" or "base.tabla" as base and table; tabla alone keeps the base given.
void separa(QString nombre, QString& base, QString& tabla) {
    nombre.remove(QLatin1Char('`'));
    const qsizetype punto = nombre.indexOf(QLatin1Char('.'));
    if (punto >= 0) {
        base = nombre.left(punto).trimmed();
        tabla = nombre.mid(punto + 1).trimmed();
    } else {
        tabla = nombre.trimmed();
    }
}

// The watcher could not reach the server in its short wait: connecting, or being answered.
bool noContesta(const ErrorBdD& e) {
    return e.conexionPerdida() || e.codigo() == 2002 || e.codigo() == 2003;
}

QString deLaTabla(const QString& tabla, const QString& base) {
    return base.isEmpty() ? tabla
                          : QStringLiteral("%1 de la base de datos \"%2\"").arg(tabla, base);
}

// The tables a statement names after FROM, JOIN, UPDATE (not ON DUPLICATE KEY UPDATE) or
// INTO, as "tabla de la base de datos …", in order and once each.
QStringList tablas(const QString& instruccion, const QString& baseSesion) {
    static const QRegularExpression nombre(
        QStringLiteral(
            "\\b(?:FROM|JOIN|(?<!KEY\\s)UPDATE|INTO)\\s+((?:`[^`]+`|\\w+)(?:\\s*\\.\\s*(?:`[^`]+`|"
            "\\w+))?)"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList salida;
    for (auto it = nombre.globalMatch(instruccion); it.hasNext();) {
        QString base = baseSesion, tabla;
        separa(it.next().captured(1), base, tabla);
        if (base.compare(QLatin1String("information_schema"), Qt::CaseInsensitive) == 0)
            continue;
        const QString texto = deLaTabla(tabla, base);
        if (!salida.contains(texto))
            salida << texto;
    }
    return salida;
}

} // namespace

struct Vigia::Seguimiento {
    std::weak_ptr<SentenciaEnCurso> sentencia;
    quint64 numero = 0;         // the statement followed
    qint64 proximaMirada = 0;   // when to look at it again (0: after primeraMirada)
    qint64 ultimaDetencion = 0; // when it was last stopped
    QString aviso;              // what it was told to wait for
};

Vigia::Vigia(Llamadas llamadas)
    : llamadas_(std::move(llamadas)), anterior_(delHilo_), id_(siguienteId++) {
    delHilo_ = this;
}

Vigia::~Vigia() {
    delHilo_ = anterior_;
    {
        const std::lock_guard bloqueo(mutex_);
        parar_ = true;
    }
    despierta_.notify_all();
    if (hilo_.joinable())
        hilo_.join();
}

Vigia* Vigia::delHilo() {
    return delHilo_;
}

Vigia::SinInterrumpir::SinInterrumpir() : vigia_(delHilo_) {
    if (vigia_)
        ++vigia_->sinInterrumpir_;
}

Vigia::SinInterrumpir::~SinInterrumpir() {
    if (vigia_)
        --vigia_->sinInterrumpir_;
}

void Vigia::empieza(const std::shared_ptr<SentenciaEnCurso>& s, bool interrumpible) {
    if (s->vigia != id_) {
        s->vigia = id_;
        const std::lock_guard bloqueo(mutex_);
        nuevas_.push_back(s);
        // Started with the first connection: a run that never reaches the server costs no
        // thread.
        if (!hilo_.joinable())
            hilo_ = std::thread([this] { ciclo(); });
    }
    // One begun after the cancel belongs to the operation's winding up.
    s->interrumpible = interrumpible && sinInterrumpir_ == 0 && !cancelado();
    s->numero.fetch_add(1);
    s->desde = ahoraMs();
}

void Vigia::termina(SentenciaEnCurso& s) {
    s.desde = 0;
    s.interrumpible = false;
}

void Vigia::interrumpe() const {
    if (llamadas_.interrumpida)
        llamadas_.interrumpida();
}

void Vigia::ciclo() {
    std::unique_lock bloqueo(mutex_);
    while (!parar_) {
        despierta_.wait_for(bloqueo, std::chrono::milliseconds(100), [this] { return parar_; });
        if (parar_)
            break;
        for (auto& s : nuevas_) {
            Seguimiento nuevo;
            nuevo.sentencia = std::move(s);
            seguidas_.push_back(std::move(nuevo));
        }
        nuevas_.clear();
        bloqueo.unlock();
        for (Seguimiento& s : seguidas_)
            revisa(s, ahoraMs());
        std::erase_if(seguidas_, [](const Seguimiento& s) { return s.sentencia.expired(); });
        bloqueo.lock();
    }
    bloqueo.unlock();
    for (Seguimiento& s : seguidas_)
        avisa(s, {});
    propia_.reset();
}

void Vigia::avisa(Seguimiento& s, const QString& texto) {
    if (texto == s.aviso)
        return;
    s.aviso = texto;
    if (llamadas_.esperando)
        llamadas_.esperando(texto);
}

void Vigia::revisa(Seguimiento& s, qint64 ahora) {
    const auto sentencia = s.sentencia.lock();
    const qint64 desde = sentencia ? sentencia->desde.load() : 0;
    const quint64 numero = sentencia ? sentencia->numero.load() : 0;
    if (desde == 0 || numero != s.numero) {
        avisa(s, {});
        s.numero = numero;
        s.proximaMirada = 0;
        s.ultimaDetencion = 0;
    }
    if (desde == 0)
        return;
    if (cancelado()) {
        if (sentencia->interrumpible && !sinDetener_ &&
            ahora - s.ultimaDetencion >= otraDetencion) {
            s.ultimaDetencion = ahora;
            detiene(s, *sentencia);
        }
        return;
    }
    if (s.proximaMirada == 0)
        s.proximaMirada = desde + primeraMirada;
    if (ahora >= s.proximaMirada) {
        s.proximaMirada = ahora + otraMirada;
        mira(s, *sentencia);
    }
}

Conexion* Vigia::propia(const ParametrosConexion& p) {
    const auto mismo = [&](const ParametrosConexion& q) {
        return q.servidor == p.servidor && q.puerto == p.puerto && q.socket == p.socket &&
               q.usuario == p.usuario;
    };
    if (propia_ && mismo(propia_->parametros()))
        return propia_.get();
    propia_.reset();
    if (ahoraMs() < sinServidorHasta_)
        return nullptr;
    ParametrosConexion mia = p;
    mia.base.clear();
    mia.espera = esperaPropia;
    try {
        propia_ = Conexion::abrir(mia);
        sinRespuesta_ = false;
    } catch (const ErrorBdD& e) {
        sinServidorHasta_ = ahoraMs() + pausaSinServidor;
        sinRespuesta_ = noContesta(e);
    }
    return propia_.get();
}

void Vigia::mira(Seguimiento& s, SentenciaEnCurso& sentencia) {
    Conexion* c = propia(sentencia.parametros);
    if (!c) {
        avisaSiNoContesta(s, sentencia);
        return;
    }
    // The lock tables need the PROCESS privilege; without it, the session's state still
    // tells table and server locks.
    const QString bloqueada =
        QStringLiteral("(SELECT l.lock_table FROM information_schema.INNODB_TRX t JOIN "
                       "information_schema.INNODB_LOCKS l ON l.lock_id=t.trx_requested_lock_id "
                       "WHERE t.trx_mysql_thread_id=p.ID LIMIT 1)");
    const QString sql = QStringLiteral("SELECT p.STATE, p.INFO, p.DB, %1 FROM "
                                       "information_schema.PROCESSLIST p WHERE p.ID=?");
    std::unique_ptr<Recordset> rs;
    try {
        rs = c->consulta(sql.arg(sinProceso_ ? QStringLiteral("NULL") : bloqueada),
                         {sentencia.sesion});
    } catch (const ErrorBdD& e) {
        if (e.conexionPerdida()) {
            propia_.reset();
            sinRespuesta_ = true;
            avisaSiNoContesta(s, sentencia);
            return;
        }
        // Not allowed (1227), or a server without those tables (MySQL 8): the session's
        // state alone from now on.
        if (sinProceso_)
            return;
        sinProceso_ = true;
        mira(s, sentencia);
        return;
    }
    if (rs->eof() || sentencia.numero != s.numero || sentencia.desde == 0)
        return;
    avisa(s, espera(rs->texto(0), rs->texto(1), rs->texto(2), rs->texto(3)));
}

void Vigia::detiene(Seguimiento& s, SentenciaEnCurso& sentencia) {
    Conexion* c = propia(sentencia.parametros);
    if (!c) {
        avisaSiNoContesta(s, sentencia);
        return;
    }
    try {
        auto rs = c->consulta(QStringLiteral("SELECT QUERY_ID, COMMAND FROM "
                                             "information_schema.PROCESSLIST WHERE ID=?"),
                              {sentencia.sesion});
        // The query the server runs is the statement followed only while the connection has
        // not gone on to the next one; a query id stops that query and no other.
        if (rs->eof() || rs->texto(1) != QLatin1String("Query") || sentencia.numero != s.numero ||
            sentencia.desde == 0 || !sentencia.interrumpible)
            return;
        const qint64 consulta = rs->entero(0);
        rs.reset();
        sentencia.interrumpida = s.numero;
        c->ejecuta(QStringLiteral("KILL QUERY ID ?"), {consulta});
    } catch (const ErrorBdD& e) {
        if (e.conexionPerdida()) {
            propia_.reset();
            sinRespuesta_ = true;
            avisaSiNoContesta(s, sentencia);
        }
        // A server that cannot stop a query by its id (MySQL) is not asked again: stopping
        // the session's query instead could hit a COMMIT begun meanwhile. The cancel is
        // then heard once the wait runs out. 1957: unknown query id, it had just ended.
        else if (e.codigo() != 1957)
            sinDetener_ = true;
    }
}

void Vigia::avisaSiNoContesta(Seguimiento& s, const SentenciaEnCurso& sentencia) {
    if (!sinRespuesta_ || sentencia.numero != s.numero || sentencia.desde == 0)
        return;
    const unsigned espera =
        sentencia.parametros.espera ? sentencia.parametros.espera : esperaRespuesta();
    avisa(s, sinRespuesta(espera));
}

QString Vigia::sinRespuesta(unsigned segundos) {
    return QStringLiteral("El servidor no responde (quizá se cortó la red o el servidor se "
                          "detuvo). Se esperará su respuesta hasta %1 s en total; si no llega, "
                          "la operación se detiene y lo avisa.")
        .arg(segundos);
}

QString Vigia::espera(const QString& estado, const QString& instruccion, const QString& base,
                      const QString& tablaBloqueada) {
    const QString inicio = QStringLiteral("Esperando a que otro usuario libere ");
    if (!tablaBloqueada.isEmpty()) {
        QString b = base, tabla;
        separa(tablaBloqueada, b, tabla);
        return inicio + QStringLiteral("renglones de la tabla %1…").arg(deLaTabla(tabla, b));
    }
    if (estado.startsWith(QLatin1String("Waiting for backup lock")) ||
        estado.startsWith(QLatin1String("Waiting for global read lock")) ||
        estado.startsWith(QLatin1String("Waiting for commit lock")))
        return inicio + QStringLiteral("el servidor: tiene todas las tablas bloqueadas, como "
                                       "durante una copia de seguridad…");
    if (estado.startsWith(QLatin1String("Waiting for table")) ||
        estado.startsWith(QLatin1String("Waiting for schema"))) {
        const QStringList nombres = tablas(instruccion, base);
        if (nombres.isEmpty())
            return inicio + QStringLiteral("una tabla que esta operación necesita…");
        if (nombres.size() == 1)
            return inicio + QStringLiteral("la tabla %1…").arg(nombres.first());
        return inicio +
               QStringLiteral("una de las tablas %1…").arg(nombres.join(QStringLiteral(", ")));
    }
    return {};
}

} // namespace host
