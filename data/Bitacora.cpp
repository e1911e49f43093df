#include "data/Bitacora.h"

#include "shell/host/Conexion.h"
#include "shell/host/Fechas.h"
#include "shell/host/Recordset.h"

#include <QSet>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace bitacora {

using host::Conexion;
using host::ErrorBdD;

namespace {

// Multi-row inserts stay well below the server's packet limit.
constexpr qsizetype tamanoSentencia = 1 << 20;
// Room for a file or folder in the tables: a longer path is cut rather than stopping the run.
constexpr qsizetype largoRuta = 1024;
// Keys per lookup of the register.
constexpr qsizetype huellasPorConsulta = 1000;

// How the tables hold the operation and the outcome: plain words that stay the same
// whatever the program shows; beside them, what the program shows.
template <typename Valor> struct Codigo {
    Valor valor;
    const char* texto;
    const char* nombre;
};
constexpr Codigo<Operacion> codigosOperacion[] = {
    {Operacion::Acumulacion, "acumulacion", "Acumulación"},
    {Operacion::Exportacion, "exportacion", "Exportación"},
    {Operacion::Importacion, "importacion", "Importación"}};
constexpr Codigo<Desenlace> codigosDesenlace[] = {{Desenlace::EnCurso, "encurso", "En curso"},
                                                  {Desenlace::Hecho, "hecha", "Hecha"},
                                                  {Desenlace::Fallido, "fallida", "Falló"},
                                                  {Desenlace::Cancelado, "cancelada", "Cancelada"}};

template <typename Valor, std::size_t N>
const Codigo<Valor>* codigoDe(const Codigo<Valor> (&codigos)[N], Valor v) {
    for (const Codigo<Valor>& c : codigos)
        if (c.valor == v)
            return &c;
    return nullptr;
}

template <typename Valor, std::size_t N>
std::optional<Valor> valorEn(const Codigo<Valor> (&codigos)[N], const QString& texto) {
    for (const Codigo<Valor>& c : codigos)
        if (texto == QLatin1String(c.texto))
            return c.valor;
    return std::nullopt;
}

const char* codigo(Operacion o) {
    const auto* c = codigoDe(codigosOperacion, o);
    return c ? c->texto : "";
}
const char* codigo(Desenlace d) {
    const auto* c = codigoDe(codigosDesenlace, d);
    return c ? c->texto : "";
}

// A word the program did not write reads as the first of its kind, as before.
Operacion operacionDe(const QString& c) {
    return valorEn(codigosOperacion, c).value_or(Operacion::Acumulacion);
}
Desenlace desenlaceDe(const QString& c) {
    return valorEn(codigosDesenlace, c).value_or(Desenlace::EnCurso);
}

QString usuarioSistema() {
    QString usuario = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
#ifdef Q_OS_UNIX
    if (usuario.isEmpty())
        if (const passwd* p = getpwuid(geteuid()))
            usuario = QString::fromLocal8Bit(p->pw_name);
#endif
    return usuario;
}

QVariant opcional(const std::optional<QDate>& f) {
    return f ? QVariant(*f) : QVariant();
}

// Errors that mean "this user may not keep a journal here", as opposed to a failing server.
bool esPermiso(const ErrorBdD& e) {
    switch (e.codigo()) {
    case 1044: // access denied to the database
    case 1142: // command denied on the table
    case 1227: // a privilege is missing
    case 1290: // the server runs read-only
    case 1036: // the table is read-only
        return true;
    default:
        return false;
    }
}

// Who runs a run: the server (host and port, the same for every session on it), the session
// on it, and when that server started (a restarted server numbers its sessions anew).
// Named locks are neither shared by the nodes of a cluster nor always allowed there, so a
// run is told interrupted from these instead.
const QString nodo = QStringLiteral("CONCAT(@@hostname, ':', @@port)");
const QString arranqueNodo =
    QStringLiteral("(NOW() - INTERVAL (SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS "
                   "WHERE VARIABLE_NAME='UPTIME') SECOND)");

const QString columnasPedido = QStringLiteral(
    "Corrida, BaseOrigen, IdOrigen, PedidoOrigen, Archivo, Linea, Huella, IdNuevo, PedidoNuevo");

} // namespace

std::optional<Operacion> operacionDeCodigo(const QString& codigo) {
    return valorEn(codigosOperacion, codigo);
}

QString texto(Operacion operacion) {
    const auto* c = codigoDe(codigosOperacion, operacion);
    return c ? QString::fromUtf8(c->nombre) : QString();
}

QString texto(Desenlace desenlace) {
    const auto* c = codigoDe(codigosDesenlace, desenlace);
    return c ? QString::fromUtf8(c->nombre) : QString();
}

QString Parametros::texto() const {
    QStringList partes;
    if (desde && hasta)
        partes << QStringLiteral("del %1 al %2")
                      .arg(host::Fechas::aTextoCorto(*desde), host::Fechas::aTextoCorto(*hasta));
    else if (desde)
        partes << QStringLiteral("desde el %1").arg(host::Fechas::aTextoCorto(*desde));
    else if (hasta)
        partes << QStringLiteral("hasta el %1").arg(host::Fechas::aTextoCorto(*hasta));
    if (serie)
        partes << (serie->isEmpty() ? QStringLiteral("serie sin nombre")
                                    : QStringLiteral("serie %1").arg(*serie));
    if (primerFolio)
        partes << QStringLiteral("desde el folio %1").arg(*primerFolio);
    if (!archivo.isEmpty())
        partes << QStringLiteral("archivo %1").arg(archivo);
    if (!destino.isEmpty())
        partes << QStringLiteral("destino %1").arg(destino);
    QString t = partes.join(QStringLiteral(", "));
    if (!t.isEmpty())
        t[0] = t[0].toUpper();
    return t;
}

QString Bitacora::tablaCorridas() {
    return QStringLiteral("acumulapedidos_corridas");
}
QString Bitacora::tablaPedidos() {
    return QStringLiteral("acumulapedidos_pedidos");
}
QString Bitacora::tablaHuellas() {
    return QStringLiteral("acumulapedidos_huellas");
}

void Bitacora::creaTablas(Conexion& conexion) {
    // Asked first: creating a table commits whatever is open and, on a cluster, pauses
    // every node, so it is done only when a table is missing.
    auto rs = conexion.consulta(
        QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES "
                       "WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN (?, ?, ?)"),
        {tablaCorridas(), tablaPedidos(), tablaHuellas()});
    QStringList hay;
    for (; !rs->eof(); rs->MoveNext())
        hay << rs->texto(0).toLower();
    rs.reset();
    const QString motor = QStringLiteral(") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4");
    const QString columnasDueno = QStringLiteral("Nodo VARCHAR(320) NOT NULL DEFAULT '', "
                                                 "Sesion BIGINT NOT NULL DEFAULT 0, "
                                                 "ArranqueNodo DATETIME NULL");
    if (!hay.contains(tablaCorridas()))
        conexion.ejecuta(
            QStringLiteral(
                "CREATE TABLE IF NOT EXISTS %1 ("
                "Id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY, "
                "Operacion VARCHAR(16) NOT NULL, "
                "Inicio DATETIME NOT NULL, Fin DATETIME NULL, "
                "UsuarioSistema VARCHAR(128) NOT NULL DEFAULT '', "
                "Equipo VARCHAR(255) NOT NULL DEFAULT '', "
                "UsuarioBdD VARCHAR(255) NOT NULL DEFAULT '', "
                "Desde DATE NULL, Hasta DATE NULL, Serie VARCHAR(64) NULL, "
                "PrimerFolio INT NULL, Archivo VARCHAR(1024) NOT NULL DEFAULT '', "
                "Destino VARCHAR(1024) NOT NULL DEFAULT '', "
                "Desenlace VARCHAR(16) NOT NULL, Mensaje TEXT NULL, "
                "Pedidos BIGINT NOT NULL DEFAULT 0, Renglones BIGINT NOT NULL DEFAULT 0, "
                "Clientes BIGINT NOT NULL DEFAULT 0, %2, KEY idx_inicio (Inicio)")
                .arg(tablaCorridas(), columnasDueno) +
            motor);
    else if (conexion
                 .consulta(QStringLiteral("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE "
                                          "TABLE_SCHEMA=DATABASE() AND TABLE_NAME=? AND "
                                          "COLUMN_NAME='Sesion'"),
                           {tablaCorridas()})
                 ->entero(0) == 0)
        // A journal kept by an earlier version of the program.
        conexion.ejecuta(
            QStringLiteral("ALTER TABLE %1 ADD COLUMN (%2)").arg(tablaCorridas(), columnasDueno));
    if (!hay.contains(tablaPedidos()))
        conexion.ejecuta(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 ("
                                        "Id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY, "
                                        "Corrida BIGINT NOT NULL, "
                                        "BaseOrigen VARCHAR(64) NOT NULL DEFAULT '', "
                                        "IdOrigen BIGINT NULL, "
                                        "PedidoOrigen VARCHAR(64) NOT NULL DEFAULT '', "
                                        "Archivo VARCHAR(1024) NOT NULL DEFAULT '', "
                                        "Linea INT NULL, Huella CHAR(64) CHARACTER SET ascii "
                                        "COLLATE ascii_bin NULL, IdNuevo BIGINT NULL, "
                                        "PedidoNuevo VARCHAR(64) NOT NULL DEFAULT '', "
                                        "KEY idx_corrida (Corrida)")
                             .arg(tablaPedidos()) +
                         motor);
    if (!hay.contains(tablaHuellas()))
        conexion.ejecuta(
            QStringLiteral(
                "CREATE TABLE IF NOT EXISTS %1 ("
                "Huella CHAR(64) CHARACTER SET ascii COLLATE ascii_bin NOT NULL PRIMARY KEY, "
                "PrimeraCorrida BIGINT NOT NULL, "
                "UltimaCorrida BIGINT NOT NULL, "
                "Veces INT NOT NULL DEFAULT 1")
                .arg(tablaHuellas()) +
            motor);
}

Bitacora::Bitacora(Conexion& conexion, Operacion operacion, const Parametros& parametros)
    : conexion_(conexion) {
    try {
        creaTablas(conexion_);
        conexion_.ejecuta(
            QStringLiteral(
                "INSERT INTO %1 (Operacion, Inicio, UsuarioSistema, Equipo, "
                "UsuarioBdD, Desde, Hasta, Serie, PrimerFolio, Archivo, Destino, "
                "Desenlace, Nodo, Sesion, ArranqueNodo) VALUES (?, NOW(), ?, ?, CURRENT_USER(), "
                "?, ?, ?, ?, ?, ?, ?, %2, CONNECTION_ID(), %3)")
                .arg(tablaCorridas(), nodo, arranqueNodo),
            {QLatin1String(codigo(operacion)), usuarioSistema(), QSysInfo::machineHostName(),
             opcional(parametros.desde), opcional(parametros.hasta),
             parametros.serie ? QVariant(*parametros.serie) : QVariant(),
             parametros.primerFolio ? QVariant(*parametros.primerFolio) : QVariant(),
             parametros.archivo.left(largoRuta), parametros.destino.left(largoRuta),
             QLatin1String(codigo(Desenlace::EnCurso))});
        corrida_ = qint64(conexion_.ultimoId());
    } catch (const ErrorBdD& e) {
        if (!esPermiso(e))
            throw;
        // The server's own words, without the statement that follows them.
        aviso_ = QStringLiteral("No se lleva bitácora de esta operación en la base de datos "
                                "\"%1\": el usuario \"%2\" no tiene permiso para crear o "
                                "escribir sus tablas (%3, %4). La operación se hace de todos "
                                "modos. Para llevarla, un administrador puede dar a ese usuario "
                                "los permisos CREATE e INSERT en esa base de datos.\n%5")
                     .arg(conexion_.baseEnUso(), conexion_.parametros().usuario, tablaCorridas(),
                          tablaPedidos(), e.mensaje().section(QLatin1Char('\n'), 0, 0));
    }
}

Bitacora::~Bitacora() {
    if (activa() && !cerrada_)
        cierra(Desenlace::Fallido,
               QStringLiteral("La operación terminó sin informar su resultado."), {});
}

void Bitacora::anota(Conexion& conexion, const QVector<PedidoAnotado>& pedidos) const {
    if (!activa() || pedidos.isEmpty())
        return;
    const QByteArray inicio =
        QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(tablaPedidos(), columnasPedido).toUtf8();
    QByteArray sql = inicio;
    bool hayFilas = false;
    for (const PedidoAnotado& p : pedidos) {
        if (hayFilas)
            sql += ',';
        sql += '(';
        const QVariantList valores{corrida_,
                                   p.baseOrigen,
                                   p.idOrigen ? QVariant(p.idOrigen) : QVariant(),
                                   p.pedidoOrigen,
                                   p.archivo.left(largoRuta),
                                   p.linea ? QVariant(p.linea) : QVariant(),
                                   p.huella.isEmpty() ? QVariant() : QVariant(p.huella),
                                   p.idNuevo ? QVariant(p.idNuevo) : QVariant(),
                                   p.pedidoNuevo};
        for (qsizetype i = 0; i < valores.size(); ++i) {
            if (i)
                sql += ',';
            conexion.agregaLiteral(sql, valores[i]);
        }
        sql += ')';
        hayFilas = true;
        if (sql.size() >= tamanoSentencia) {
            conexion.ejecutaCrudo(sql);
            sql = inicio;
            hayFilas = false;
        }
    }
    if (hayFilas)
        conexion.ejecutaCrudo(sql);
}

void Bitacora::cierra(Desenlace desenlace, const QString& mensaje, const Cuentas& cuentas) {
    if (!activa() || cerrada_)
        return;
    cerrada_ = true;
    const QString sql = QStringLiteral("UPDATE %1 SET Fin=NOW(), Desenlace=?, Mensaje=?, "
                                       "Pedidos=?, Renglones=?, Clientes=? WHERE Id=?")
                            .arg(tablaCorridas());
    const QVariantList valores{QLatin1String(codigo(desenlace)),
                               mensaje,
                               cuentas.pedidos,
                               cuentas.renglones,
                               cuentas.clientes,
                               corrida_};
    try {
        conexion_.ejecuta(sql, valores);
        return;
    } catch (const ErrorBdD& e) {
        if (!e.conexionPerdida())
            return;
    }
    // The run ended because the server went away: its outcome is told on a new connection
    // when the server is back.
    try {
        Conexion::abrir(conexion_.parametros())->ejecuta(sql, valores);
    } catch (const ErrorBdD&) {
    }
}

QVector<Corrida> Bitacora::corridas(Conexion& conexion, const std::optional<QDate>& desde,
                                    const std::optional<QDate>& hasta,
                                    const std::optional<Operacion>& operacion) {
    Seleccion seleccion;
    seleccion.desde = desde;
    seleccion.hasta = hasta;
    seleccion.operacion = operacion;
    return corridas(conexion, seleccion);
}

namespace {

// Marks the runs in course of the list whose session is gone, in one query for all of them.
// A run in course is interrupted when it was run on this server and its session is gone (or
// the server restarted since). The sessions of other users are seen only with the PROCESS
// privilege, and those on other servers (other nodes of a cluster) not at all: such runs stay
// "in course". Runs without an owner were written before owners were kept.
void marcaInterrumpidas(Conexion& conexion, QVector<Corrida>& corridas) {
    QByteArray ids;
    for (const Corrida& c : std::as_const(corridas))
        if (c.desenlace == Desenlace::EnCurso)
            ids += (ids.isEmpty() ? "" : ",") + QByteArray::number(c.id);
    if (ids.isEmpty())
        return;
    const QString interrumpidas =
        QStringLiteral(
            "SELECT Id FROM %3 WHERE Id IN (%4) AND (Nodo='' OR (Nodo=%1 AND "
            "(UsuarioBdD=CURRENT_USER() OR EXISTS (SELECT 1 FROM "
            "information_schema.USER_PRIVILEGES WHERE PRIVILEGE_TYPE IN ('PROCESS', 'SUPER') AND "
            "GRANTEE=CONCAT('''', SUBSTRING_INDEX(CURRENT_USER(), '@', 1), '''@''', "
            "SUBSTRING_INDEX(CURRENT_USER(), '@', -1), ''''))) AND (ArranqueNodo IS NULL OR "
            "ABS(TIMESTAMPDIFF(SECOND, ArranqueNodo, %2)) > 2 OR Sesion NOT IN (SELECT ID FROM "
            "information_schema.PROCESSLIST))))")
            .arg(nodo, arranqueNodo, Bitacora::tablaCorridas(), QString::fromLatin1(ids));
    QSet<qint64> cortadas;
    try {
        for (auto rs = conexion.consulta(interrumpidas); !rs->eof(); rs->MoveNext())
            cortadas.insert(rs->entero(0));
    } catch (const ErrorBdD& e) {
        if (e.conexionPerdida())
            throw;
        return; // they are shown in course, as they were recorded
    }
    for (Corrida& c : corridas)
        c.interrumpida = cortadas.contains(c.id);
}

} // namespace

QVector<Corrida> Bitacora::corridas(Conexion& conexion, const Seleccion& seleccion) {
    QString condicion = QStringLiteral("1=1");
    QVariantList valores;
    if (seleccion.desde) {
        condicion += QStringLiteral(" AND Inicio>=?");
        valores << QDateTime(*seleccion.desde, QTime(0, 0));
    }
    if (seleccion.hasta) {
        condicion += QStringLiteral(" AND Inicio<?");
        valores << QDateTime(seleccion.hasta->addDays(1), QTime(0, 0));
    }
    if (seleccion.operacion) {
        condicion += QStringLiteral(" AND Operacion=?");
        valores << QLatin1String(codigo(*seleccion.operacion));
    }
    if (seleccion.corrida) {
        condicion += QStringLiteral(" AND Id=?");
        valores << *seleccion.corrida;
    }
    if (const auto& ultima = seleccion.despuesDe) {
        // The first bound lets the index on Inicio find the place; the second settles ties.
        condicion += QStringLiteral(" AND Inicio<=? AND (Inicio<? OR Id<?)");
        valores << ultima->inicio << ultima->inicio << ultima->id;
    }
    const QString limite =
        seleccion.limite > 0 ? QStringLiteral(" LIMIT %1").arg(seleccion.limite) : QString();
    std::unique_ptr<host::Recordset> rs;
    try {
        rs = conexion.consulta(
            QStringLiteral("SELECT Id, Operacion, Inicio, Fin, UsuarioSistema, Equipo, UsuarioBdD, "
                           "Desde, Hasta, Serie, PrimerFolio, Archivo, Destino, Desenlace, "
                           "Mensaje, Pedidos, Renglones, Clientes FROM %1 WHERE %2 "
                           "ORDER BY Inicio DESC, Id DESC%3")
                .arg(tablaCorridas(), condicion, limite),
            valores);
    } catch (const ErrorBdD& e) {
        if (e.codigo() == 1146) // no journal in this database yet
            return {};
        throw;
    }
    QVector<Corrida> salida;
    const QString base = conexion.baseEnUso();
    for (; !rs->eof(); rs->MoveNext()) {
        Corrida c;
        c.id = rs->entero(0);
        c.base = base;
        c.operacion = operacionDe(rs->texto(1));
        c.inicio = rs->valor(2).toDateTime();
        c.fin = rs->valor(3).toDateTime();
        c.usuarioSistema = rs->texto(4);
        c.equipo = rs->texto(5);
        c.usuarioBdD = rs->texto(6);
        if (!rs->esNulo(7))
            c.parametros.desde = rs->fecha(7);
        if (!rs->esNulo(8))
            c.parametros.hasta = rs->fecha(8);
        if (!rs->esNulo(9))
            c.parametros.serie = rs->texto(9);
        if (!rs->esNulo(10))
            c.parametros.primerFolio = qint32(rs->entero(10));
        c.parametros.archivo = rs->texto(11);
        c.parametros.destino = rs->texto(12);
        c.desenlace = desenlaceDe(rs->texto(13));
        c.mensaje = rs->texto(14);
        c.cuentas = {rs->entero(15), rs->entero(16), rs->entero(17)};
        salida.push_back(c);
    }
    rs.reset();
    marcaInterrumpidas(conexion, salida);
    return salida;
}

QVector<PedidoAnotado> Bitacora::pedidos(Conexion& conexion, qint64 corrida) {
    std::unique_ptr<host::Recordset> rs;
    try {
        rs = conexion.consulta(QStringLiteral("SELECT %1 FROM %2 WHERE Corrida=? ORDER BY Id")
                                   .arg(columnasPedido, tablaPedidos()),
                               {corrida});
    } catch (const ErrorBdD& e) {
        if (e.codigo() == 1146)
            return {};
        throw;
    }
    QVector<PedidoAnotado> salida;
    for (; !rs->eof(); rs->MoveNext()) {
        PedidoAnotado p;
        p.baseOrigen = rs->texto(1);
        p.idOrigen = rs->entero(2);
        p.pedidoOrigen = rs->texto(3);
        p.archivo = rs->texto(4);
        p.linea = int(rs->entero(5));
        p.huella = rs->texto(6);
        p.idNuevo = rs->entero(7);
        p.pedidoNuevo = rs->texto(8);
        salida.push_back(p);
    }
    return salida;
}

QHash<QString, HuellaRegistrada> Bitacora::registradas(Conexion& conexion,
                                                       const QStringList& huellas) {
    QHash<QString, HuellaRegistrada> salida;
    const auto enLista = [&](const QStringList& claves) {
        QByteArray lista;
        for (const QString& h : claves) {
            if (!lista.isEmpty())
                lista += ',';
            conexion.agregaLiteral(lista, h);
        }
        return QString::fromUtf8(lista);
    };
    try {
        for (qsizetype i = 0; i < huellas.size(); i += huellasPorConsulta) {
            auto rs = conexion.consulta(
                QStringLiteral("SELECT Huella, PrimeraCorrida, UltimaCorrida, Veces FROM %1 "
                               "WHERE Huella IN (%2) FOR UPDATE")
                    .arg(tablaHuellas(), enLista(huellas.mid(i, huellasPorConsulta))));
            for (; !rs->eof(); rs->MoveNext()) {
                HuellaRegistrada& h = salida[rs->texto(0).toLower()];
                h.primeraCorrida = rs->entero(1);
                h.ultimaCorrida = rs->entero(2);
                h.veces = int(rs->entero(3));
            }
        }
    } catch (const ErrorBdD& e) {
        if (e.codigo() == 1146)
            return {};
        throw;
    }
    if (salida.isEmpty())
        return salida;
    // When each came in first, and what it became; the runs' rows are only read, so a run
    // still closing its entry is not held up.
    QHash<qint64, QDateTime> inicios;
    QSet<qint64> corridas;
    for (const HuellaRegistrada& h : std::as_const(salida))
        corridas.insert(h.primeraCorrida);
    QByteArray lista;
    for (const qint64 c : std::as_const(corridas))
        lista += (lista.isEmpty() ? "" : ",") + QByteArray::number(c);
    auto rs = conexion.consulta(QStringLiteral("SELECT Id, Inicio FROM %1 WHERE Id IN (%2)")
                                    .arg(tablaCorridas(), QString::fromLatin1(lista)));
    for (; !rs->eof(); rs->MoveNext())
        inicios.insert(rs->entero(0), rs->valor(1).toDateTime());
    // The orders' rows of those runs; an index on the fingerprint would cost every import
    // more than this look-up costs the few that find orders imported before.
    for (const qint64 c : std::as_const(corridas)) {
        rs = conexion.consulta(QStringLiteral("SELECT Huella, IdNuevo, PedidoNuevo FROM %1 "
                                              "WHERE Corrida=? ORDER BY Id")
                                   .arg(tablaPedidos()),
                               {c});
        for (; !rs->eof(); rs->MoveNext()) {
            const auto h = salida.find(rs->texto(0).toLower());
            if (h != salida.end() && h->primeraCorrida == c && h->idNuevo == 0) {
                h->idNuevo = rs->entero(1);
                h->pedidoNuevo = rs->texto(2);
            }
        }
    }
    for (HuellaRegistrada& h : salida)
        h.primera = inicios.value(h.primeraCorrida);
    return salida;
}

} // namespace bitacora
