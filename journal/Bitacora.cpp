#include "journal/Bitacora.h"

#include "shell/host/Conexion.h"
#include "shell/host/ErrorBdD.h"
#include "shell/host/Recordset.h"
#include "shell/host/Vigia.h"

#include <QSysInfo>
#include <mysql.h>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#include <vector>
#endif

namespace bitacora {

using host::Conexion;
using host::ErrorBdD;

namespace {

// Multi-row inserts stay well below the server's packet limit.
constexpr qsizetype tamanoSentencia = 1 << 20;
constexpr qsizetype largoRuta = EsquemaBitacora::largoRuta;

QString usuarioSistema() {
    QString usuario = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
#ifdef Q_OS_UNIX
    // getpwuid_r: two runs of one process (two windows' workers) may start at once.
    if (usuario.isEmpty()) {
        passwd datos{};
        passwd* p = nullptr;
        std::vector<char> memoria(16384);
        if (getpwuid_r(geteuid(), &datos, memoria.data(), memoria.size(), &p) == 0 && p)
            usuario = QString::fromLocal8Bit(p->pw_name);
    }
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

QString primeraLinea(const QString& texto) {
    return texto.section(QLatin1Char('\n'), 0, 0);
}

} // namespace

bool detieneOperacion(const ErrorBdD& e) {
    return e.codigo() == 0 || e.conexionPerdida() || e.codigo() == 1205 || e.codigo() == 1213;
}

Bitacora::Bitacora(Conexion& conexion, Operacion operacion, const Parametros& parametros)
    : conexion_(conexion) {
    const QString tablasUsadas = EsquemaBitacora::tablas(operacion).join(QStringLiteral(", "));
    try {
        const EsquemaBitacora::Preparacion p = EsquemaBitacora::prepara(conexion_, operacion);
        aviso_ = p.aviso;
        if (!aviso_.isEmpty())
            return;
        largoMensaje_ = p.largoMensaje;
        bytesMensaje_ = p.bytesMensaje;
        resumenClientes_ = p.resumenClientes;
        const QByteArray alta = conexion_.prepara(
            QStringLiteral(
                "INSERT INTO %1 (Operacion, Inicio, UsuarioSistema, Equipo, "
                "UsuarioBdD, Desde, Hasta, Serie, PrimerFolio, Archivo, Destino, "
                "Desenlace, Nodo, Sesion, ArranqueNodo, Deshacible, Deshace) VALUES (?, NOW(), "
                "?, ?, CURRENT_USER(), ?, ?, ?, ?, ?, ?, ?, %2, CONNECTION_ID(), %3, ?, ?)")
                .arg(EsquemaBitacora::tablaCorridas(), EsquemaBitacora::nodo(),
                     EsquemaBitacora::arranqueNodo()),
            {codigo(operacion), usuarioSistema(), QSysInfo::machineHostName(),
             opcional(parametros.desde), opcional(parametros.hasta),
             parametros.serie ? QVariant(*parametros.serie) : QVariant(),
             parametros.primerFolio ? QVariant(*parametros.primerFolio) : QVariant(),
             parametros.archivo.left(largoRuta), parametros.destino.left(largoRuta),
             codigo(EstadoCorrida::EnCurso),
             // Its orders' rows carry what undoing it needs.
             operacion == Operacion::Acumulacion || operacion == Operacion::Importacion ? 1 : 0,
             parametros.deshace ? QVariant(*parametros.deshace) : QVariant()});
        // The rights are tried in the same round trip, first: the first refused ends it.
        conexion_.ejecutaJuntas(p.pruebas + QList<QByteArray>{alta});
        corrida_ = qint64(conexion_.ultimoId());
    } catch (const ErrorBdD& e) {
        if (detieneOperacion(e))
            throw;
        // The server's own words, without the statement that follows them.
        if (esPermiso(e))
            aviso_ = QStringLiteral("No se lleva bitácora de esta operación en la base de datos "
                                    "\"%1\": el usuario \"%2\" no tiene permiso para crear o "
                                    "escribir sus tablas (%3). La operación se hace de todos "
                                    "modos. Para llevarla, un administrador puede dar a ese "
                                    "usuario los permisos CREATE, SELECT, INSERT y UPDATE en esa "
                                    "base de datos.\n%4")
                         .arg(conexion_.baseEnUso(), conexion_.parametros().usuario, tablasUsadas,
                              primeraLinea(e.mensaje()));
        else
            aviso_ = QStringLiteral("No se lleva bitácora de esta operación en la base de datos "
                                    "\"%1\": sus tablas (%2) no se pudieron usar. La operación se "
                                    "hace de todos modos.\n%3")
                         .arg(conexion_.baseEnUso(), tablasUsadas, primeraLinea(e.mensaje()));
    }
}

Bitacora::~Bitacora() {
    if (activa() && !cerrada_)
        cierra(EstadoCorrida::Fallido,
               QStringLiteral("La operación terminó sin informar su resultado."), {});
}

namespace {

// The literals of an order's row, written straight into the statement: a generation writes
// thousands of rows, and boxing each value first cost more than the server's work on it.
void agregaTexto(const Conexion& conexion, QByteArray& sql, const QByteArray& utf8) {
    sql += '\'';
    sql += conexion.escapa(utf8);
    sql += '\'';
}
// An empty fingerprint or digest is none: NULL.
void agregaTextoONulo(const Conexion& conexion, QByteArray& sql, const QString& texto) {
    if (texto.isEmpty())
        sql += "NULL";
    else
        agregaTexto(conexion, sql, texto.toUtf8());
}
// 0 stands for "none" in these columns, stored as NULL.
void agregaId(QByteArray& sql, qint64 n) {
    if (n)
        sql += QByteArray::number(n);
    else
        sql += "NULL";
}

} // namespace

void Bitacora::anota(Conexion& conexion, const QVector<PedidoAnotado>& pedidos) const {
    if (!activa() || pedidos.isEmpty())
        return;
    const QByteArray inicio =
        QStringLiteral("INSERT INTO %1 (%2, Resumen, Movidos) VALUES ")
            .arg(EsquemaBitacora::tablaPedidos(), EsquemaBitacora::columnasPedido())
            .toUtf8();
    const QByteArray corrida = QByteArray::number(corrida_);
    QByteArray sql = inicio;
    // The orders of a group share their source database.
    QString base;
    QByteArray baseLiteral;
    bool hayFilas = false;
    for (const PedidoAnotado& p : pedidos) {
        if (baseLiteral.isEmpty() || p.baseOrigen != base) {
            base = p.baseOrigen;
            baseLiteral.clear();
            agregaTexto(conexion, baseLiteral, base.toUtf8());
        }
        sql += hayFilas ? ",(" : "(";
        sql += corrida;
        sql += ',';
        sql += baseLiteral;
        sql += ',';
        agregaId(sql, p.idOrigen);
        sql += ',';
        agregaTexto(conexion, sql, p.pedidoOrigen.toUtf8());
        sql += ',';
        agregaTexto(conexion, sql, p.archivo.left(largoRuta).toUtf8());
        sql += ',';
        agregaId(sql, p.linea);
        sql += ',';
        agregaTextoONulo(conexion, sql, p.huella);
        sql += ',';
        agregaId(sql, p.idNuevo);
        sql += ',';
        agregaTexto(conexion, sql, p.pedidoNuevo.toUtf8());
        sql += ',';
        agregaTextoONulo(conexion, sql, p.resumen);
        sql += ',';
        if (p.movidos.isEmpty())
            sql += "NULL";
        else
            agregaTexto(conexion, sql, movidosUtf8(p.movidos));
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

namespace {

// A value of the text of moved lines: \N for NULL; backslash, tab and line end escaped. They
// are ASCII, so escaping the UTF-8 bytes escapes the characters.
void agregaValor(QByteArray& salida, const QVariant& valor) {
    if (valor.isNull()) {
        salida += "\\N";
        return;
    }
    if (valor.typeId() == QMetaType::Int || valor.typeId() == QMetaType::LongLong) {
        // A whole number has nothing to escape.
        salida += QByteArray::number(valor.toLongLong());
        return;
    }
    for (const char c : valor.toString().toUtf8()) {
        if (c == '\\')
            salida += "\\\\";
        else if (c == '\t')
            salida += "\\t";
        else if (c == '\n')
            salida += "\\n";
        else
            salida += c;
    }
}

QVariant leeValor(QStringView texto) {
    if (texto == QLatin1String("\\N"))
        return {};
    QString salida;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        if (texto[i] == QLatin1Char('\\') && i + 1 < texto.size()) {
            const QChar c = texto[++i];
            salida += c == QLatin1Char('t')   ? QChar(u'\t')
                      : c == QLatin1Char('n') ? QChar(u'\n')
                                              : c;
        } else {
            salida += texto[i];
        }
    }
    return salida;
}

} // namespace

QByteArray Bitacora::movidosUtf8(const QVector<RenglonMovido>& movidos) {
    // One line each: Partida, product and quantity (the exact decimal text), by tabs.
    QByteArray texto;
    texto.reserve(movidos.size() * 24);
    for (const RenglonMovido& m : movidos) {
        if (!texto.isEmpty())
            texto += '\n';
        agregaValor(texto, m.partida);
        texto += '\t';
        agregaValor(texto, m.producto);
        texto += '\t';
        texto += m.cantidad;
    }
    return texto;
}

QString Bitacora::textoMovidos(const QVector<RenglonMovido>& movidos) {
    return QString::fromUtf8(movidosUtf8(movidos));
}

QVector<RenglonMovido> Bitacora::leeMovidos(const QString& texto) {
    QVector<RenglonMovido> salida;
    for (const QStringView linea : QStringView(texto).split(QLatin1Char('\n'))) {
        const QList<QStringView> campos = linea.split(QLatin1Char('\t'));
        if (campos.size() != 3)
            continue;
        salida.push_back({leeValor(campos[0]), leeValor(campos[1]), campos[2].toLatin1()});
    }
    return salida;
}

int Bitacora::guardadaSegunOtraConexion(qint64 pedidos) const {
    if (!activa() || pedidos == 0)
        return -1;
    // The user is told what the server did, whatever the user asks meanwhile.
    const host::Vigia::SinInterrumpir sinInterrumpir;
    try {
        auto otra = Conexion::abrir(conexion_.parametros());
        // The old session may still hold the transaction open (its COMMIT never reached the
        // server): ending it settles the matter. A COMMIT still in flight holds the locks of
        // the rows it wrote, so a locking read waits for it instead of seeing nothing yet.
        try {
            otra->ejecuta(
                QStringLiteral("KILL CONNECTION %1").arg(mysql_thread_id(conexion_.manejador())));
        } catch (const ErrorBdD&) {
            // Already gone (1094), or not ours to end: the locking read still waits for it.
        }
        auto rs = otra->consulta(
            QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Corrida=? LOCK IN SHARE MODE")
                .arg(EsquemaBitacora::tablaPedidos()),
            {corrida_});
        const qint64 anotados = rs->entero(0);
        return anotados == pedidos ? 1 : anotados == 0 ? 0 : -1;
    } catch (const ErrorBdD&) {
        return -1;
    }
}

QString Bitacora::mensajeQueCabe(const QString& mensaje) const {
    if (mensaje.size() <= largoMensaje_ && mensaje.toUtf8().size() <= bytesMensaje_)
        return mensaje;
    const QString marca =
        QStringLiteral("\n… (mensaje recortado para la bitácora: tenía %1 caracteres)")
            .arg(mensaje.size());
    // As many whole characters as fit, counted as the column counts them, in UTF-8.
    const qint64 largo = largoMensaje_ - marca.size();
    const qint64 bytes = bytesMensaje_ - marca.toUtf8().size();
    qint64 usados = 0;
    qsizetype i = 0;
    while (i < mensaje.size()) {
        const QChar c = mensaje[i];
        const bool par =
            c.isHighSurrogate() && i + 1 < mensaje.size() && mensaje[i + 1].isLowSurrogate();
        const int n = par ? 4 : c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 ? 2 : 3;
        if (usados + n > bytes || i + (par ? 2 : 1) > largo)
            break;
        usados += n;
        i += par ? 2 : 1;
    }
    return mensaje.left(i) + marca;
}

QString Bitacora::cierra(EstadoCorrida desenlace, const QString& mensaje, const Cuentas& cuentas) {
    if (!activa() || cerrada_)
        return {};
    cerrada_ = true;
    const QString sql = QStringLiteral("UPDATE %1 SET Fin=NOW(), Desenlace=?, Mensaje=?, "
                                       "Pedidos=?, Renglones=?, Clientes=? WHERE Id=?")
                            .arg(EsquemaBitacora::tablaCorridas());
    QVariantList valores{codigo(desenlace), mensajeQueCabe(mensaje), cuentas.pedidos,
                         cuentas.renglones, cuentas.clientes,        corrida_};
    bool reintenta = false;
    QString fallo;
    try {
        conexion_.ejecuta(sql, valores);
        return {};
    } catch (const ErrorBdD& e) {
        fallo = primeraLinea(e.mensaje());
        reintenta = !detieneOperacion(e);
        if (e.conexionPerdida()) {
            // The run ended because the server went away: its outcome is told on a new
            // connection when the server is back.
            try {
                Conexion::abrir(conexion_.parametros())->ejecuta(sql, valores);
                return {};
            } catch (const ErrorBdD& otro) {
                fallo = primeraLinea(otro.mensaje());
            }
        }
    }
    if (fallo.endsWith(QLatin1Char('.')))
        fallo.chop(1);
    const QString encabezado =
        QStringLiteral("No se pudo anotar en la bitácora de la base de datos \"%1\" cómo "
                       "terminó esta operación (corrida %2): %3.")
            .arg(conexion_.base(), QString::number(corrida_), fallo);
    if (reintenta) {
        // Something of the message or of the table refused it: what is known goes in with a
        // message that says why the user's is missing.
        valores[1] = mensajeQueCabe(QStringLiteral("No se pudo guardar el mensaje de la "
                                                   "operación: %1.")
                                        .arg(fallo));
        try {
            conexion_.ejecuta(sql, valores);
            return encabezado + QStringLiteral(" Quedaron anotados su resultado y sus cuentas, "
                                               "sin el mensaje.");
        } catch (const ErrorBdD&) {
        }
    }
    return encabezado + QStringLiteral(" La bitácora la mostrará como interrumpida.");
}

} // namespace bitacora
