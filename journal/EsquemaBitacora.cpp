#include "journal/EsquemaBitacora.h"

#include "shell/Cantidad.h"

#include "shell/host/Conexion.h"
#include "shell/host/ErrorBdD.h"
#include "shell/host/MotorTablas.h"
#include "shell/host/Recordset.h"

#include <QHash>
#include <QVector>

namespace bitacora {

using host::Conexion;
using host::ErrorBdD;

QString EsquemaBitacora::tablaCorridas() {
    return QStringLiteral("acumulapedidos_corridas");
}
QString EsquemaBitacora::tablaPedidos() {
    return QStringLiteral("acumulapedidos_pedidos");
}
QString EsquemaBitacora::tablaHuellas() {
    return QStringLiteral("acumulapedidos_huellas");
}
QString EsquemaBitacora::tablaVersion() {
    return QStringLiteral("acumulapedidos_version");
}
QString EsquemaBitacora::tablaClientes() {
    return QStringLiteral("acumulapedidos_clientes");
}

QString EsquemaBitacora::columnasPedido() {
    return QStringLiteral("Corrida, BaseOrigen, IdOrigen, PedidoOrigen, Archivo, Linea, Huella, "
                          "IdNuevo, PedidoNuevo");
}

// Named locks are neither shared by the nodes of a cluster nor always allowed there, so a
// run is told interrupted from the server, session and start of the server instead.
QString EsquemaBitacora::nodo() {
    return QStringLiteral("CONCAT(@@hostname, ':', @@port)");
}

QString EsquemaBitacora::arranqueNodo() {
    return QStringLiteral("(NOW() - INTERVAL (SELECT VARIABLE_VALUE FROM "
                          "information_schema.GLOBAL_STATUS WHERE VARIABLE_NAME='UPTIME') SECOND)");
}

namespace {

// A column of a journal table as the server describes it.
struct ColumnaLeida {
    QString nombre;
    QString tipo;     // DATA_TYPE, in lower case
    qint64 largo = 0; // characters a text holds
    qint64 bytes = 0;
    bool admiteNulo = false;
    bool conValor = false; // has a default, is numbered or computed by the server
    bool clave = false;    // part of the primary key or of a unique one
};
// A journal table that exists (as far as the user may see it): its engine, whether that
// engine keeps transactions, and its columns by name in lower case.
struct TablaLeida {
    QString motor;
    bool transaccional = true;
    QHash<QString, ColumnaLeida> columnas;
};

// The four tables the journal keeps, for the catalogue's "TABLE_NAME IN (?, ?, ?, ?)".
QVariantList tablasGuardadas() {
    return {EsquemaBitacora::tablaCorridas(), EsquemaBitacora::tablaPedidos(),
            EsquemaBitacora::tablaHuellas(), EsquemaBitacora::tablaClientes()};
}

// The journal's tables, by name in lower case. Two queries, each restricted by constants:
// joining COLUMNS with TABLES makes the server open every table of every database, which
// costs tens of milliseconds per run on a server with many company databases.
QHash<QString, TablaLeida> leeTablas(Conexion& conexion) {
    const QVariantList nombres = tablasGuardadas();
    QHash<QString, TablaLeida> tablas;
    auto motores = conexion.consulta(
        QStringLiteral("SELECT t.TABLE_NAME, t.ENGINE, t.ENGINE IS NULL OR e.TRANSACTIONS='YES' "
                       "FROM information_schema.TABLES t LEFT JOIN information_schema.ENGINES e "
                       "ON e.ENGINE=t.ENGINE WHERE t.TABLE_SCHEMA=DATABASE() AND "
                       "t.TABLE_NAME IN (?, ?, ?, ?)"),
        nombres);
    for (; !motores->eof(); motores->MoveNext()) {
        TablaLeida& t = tablas[motores->texto(0).toLower()];
        t.motor = motores->texto(1);
        t.transaccional = motores->entero(2) != 0;
    }
    auto rs = conexion.consulta(
        QStringLiteral("SELECT TABLE_NAME, COLUMN_NAME, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, "
                       "CHARACTER_OCTET_LENGTH, IS_NULLABLE='YES', "
                       "COLUMN_DEFAULT IS NOT NULL OR EXTRA<>'', COLUMN_KEY IN ('PRI', 'UNI') "
                       "FROM information_schema.COLUMNS WHERE TABLE_SCHEMA=DATABASE() AND "
                       "TABLE_NAME IN (?, ?, ?, ?)"),
        nombres);
    for (; !rs->eof(); rs->MoveNext()) {
        // A table made between the two queries is left out: its engine is not known.
        auto t = tablas.find(rs->texto(0).toLower());
        if (t == tablas.end())
            continue;
        t->columnas[rs->texto(1).toLower()] = {
            rs->texto(1),       rs->texto(2).toLower(), rs->entero(3),     rs->entero(4),
            rs->entero(5) != 0, rs->entero(6) != 0,     rs->entero(7) != 0};
    }
    // A table dropped between the two queries, or none of whose columns the user may see, is
    // not seen, as the join did not see it.
    tablas.removeIf([](const auto& t) { return t.value().columnas.isEmpty(); });
    return tablas;
}

// What the program writes to each column of its tables. A table whose columns no longer take
// it (renamed, retyped, shortened, or made mandatory) would make the operation itself fail.
enum class Clase { Entero, Texto, Fecha, Decimal };
enum Uso : unsigned {
    Nulo = 1,     // may be written NULL
    Omitida = 2,  // left out of some insert: needs a default
    Clave = 4,    // the key that lets two imports of one order collide
    Numerada = 8, // numbered by the server
};
struct ColumnaEsperada {
    const char* nombre;
    Clase clase;
    int largo; // characters written, for a text
    unsigned uso;
};
struct TablaEsperada {
    QString nombre;
    QVector<ColumnaEsperada> columnas;
};

const QVector<TablaEsperada>& esperadas() {
    static const QVector<TablaEsperada> tablas = {
        {EsquemaBitacora::tablaCorridas(),
         {{"Id", Clase::Entero, 0, Numerada},
          {"Operacion", Clase::Texto, 16, 0},
          {"Inicio", Clase::Fecha, 0, 0},
          {"Fin", Clase::Fecha, 0, Omitida},
          {"UsuarioSistema", Clase::Texto, 128, 0},
          {"Equipo", Clase::Texto, 255, 0},
          {"UsuarioBdD", Clase::Texto, 255, 0},
          {"Desde", Clase::Fecha, 0, Nulo},
          {"Hasta", Clase::Fecha, 0, Nulo},
          {"Serie", Clase::Texto, 64, Nulo},
          {"PrimerFolio", Clase::Entero, 0, Nulo},
          {"Archivo", Clase::Texto, int(EsquemaBitacora::largoRuta), 0},
          {"Destino", Clase::Texto, int(EsquemaBitacora::largoRuta), 0},
          {"Desenlace", Clase::Texto, 16, 0},
          {"Mensaje", Clase::Texto, 0, Omitida}, // cut to what the column holds
          {"Pedidos", Clase::Entero, 0, Omitida},
          {"Renglones", Clase::Entero, 0, Omitida},
          {"Clientes", Clase::Entero, 0, Omitida},
          {"Nodo", Clase::Texto, 320, 0},
          {"Sesion", Clase::Entero, 0, 0},
          {"ArranqueNodo", Clase::Fecha, 0, Nulo},
          {"Deshacible", Clase::Entero, 0, Omitida},
          {"Deshace", Clase::Entero, 0, Nulo | Omitida},
          {"DeshechaPor", Clase::Entero, 0, Nulo | Omitida},
          {"Deshechos", Clase::Entero, 0, Omitida}}},
        {EsquemaBitacora::tablaPedidos(),
         {{"Id", Clase::Entero, 0, Numerada},
          {"Corrida", Clase::Entero, 0, 0},
          {"BaseOrigen", Clase::Texto, 64, Omitida},
          {"IdOrigen", Clase::Entero, 0, Nulo | Omitida},
          {"PedidoOrigen", Clase::Texto, 64, Omitida},
          {"Archivo", Clase::Texto, int(EsquemaBitacora::largoRuta), 0},
          {"Linea", Clase::Entero, 0, Nulo},
          {"Huella", Clase::Texto, 64, Nulo},
          {"IdNuevo", Clase::Entero, 0, Nulo},
          {"PedidoNuevo", Clase::Texto, 64, 0},
          {"Resumen", Clase::Texto, 64, Nulo | Omitida},
          {"DeshechoPor", Clase::Entero, 0, Nulo | Omitida},
          {"Movidos", Clase::Texto, 0, Nulo | Omitida}}},
        {EsquemaBitacora::tablaHuellas(),
         {{"Huella", Clase::Texto, 64, Clave},
          {"PrimeraCorrida", Clase::Entero, 0, 0},
          {"UltimaCorrida", Clase::Entero, 0, 0},
          {"Veces", Clase::Entero, 0, 0}}},
        {EsquemaBitacora::tablaClientes(),
         {{"Id", Clase::Entero, 0, Numerada},
          {"Corrida", Clase::Entero, 0, 0},
          {"Clave", Clase::Texto, 64, 0}}}};
    return tablas;
}

Clase claseDe(const QString& tipo) {
    static const QStringList enteros = {QStringLiteral("tinyint"), QStringLiteral("smallint"),
                                        QStringLiteral("mediumint"), QStringLiteral("int"),
                                        QStringLiteral("bigint")};
    static const QStringList fechas = {QStringLiteral("date"), QStringLiteral("datetime"),
                                       QStringLiteral("timestamp")};
    if (enteros.contains(tipo))
        return Clase::Entero;
    if (fechas.contains(tipo))
        return Clase::Fecha;
    if (tipo == QLatin1String("decimal"))
        return Clase::Decimal;
    return tipo.contains(QLatin1String("char")) || tipo.contains(QLatin1String("text"))
               ? Clase::Texto
               : Clase(-1);
}

// What is wrong with the table for the program (empty when nothing), in Spanish.
QString revisaTabla(const TablaEsperada& t, const QHash<QString, ColumnaLeida>& leidas) {
    QSet<QString> propias;
    for (const ColumnaEsperada& e : t.columnas) {
        const QString nombre = QLatin1String(e.nombre);
        propias.insert(nombre.toLower());
        const auto c = leidas.constFind(nombre.toLower());
        if (c == leidas.cend())
            return QStringLiteral("le falta la columna %1").arg(nombre);
        if (claseDe(c->tipo) != e.clase)
            return QStringLiteral("su columna %1 es de tipo %2").arg(nombre, c->tipo);
        if (e.clase == Clase::Texto && c->largo < e.largo)
            return QStringLiteral("su columna %1 guarda sólo %2, y el programa escribe hasta %3")
                .arg(nombre,
                     cantidad(c->largo, QStringLiteral("carácter"), QStringLiteral("caracteres")))
                .arg(e.largo);
        if ((e.uso & Nulo) && !c->admiteNulo)
            return QStringLiteral("su columna %1 no admite valores nulos").arg(nombre);
        if ((e.uso & (Omitida | Numerada)) && !c->admiteNulo && !c->conValor)
            return QStringLiteral("su columna %1 no tiene valor por omisión").arg(nombre);
        if ((e.uso & Clave) && !c->clave)
            return QStringLiteral("su columna %1 no es su clave").arg(nombre);
    }
    for (auto c = leidas.cbegin(); c != leidas.cend(); ++c)
        if (!propias.contains(c.key()) && !c->admiteNulo && !c->conValor)
            return QStringLiteral("tiene una columna %1 que exige un valor").arg(c->nombre);
    return {};
}

// The statements of the journal, run over no row: the server checks the user's rights to
// each column they name before it looks for rows.
QStringList pruebasDePermisos(Operacion operacion) {
    QStringList pruebas = {
        QStringLiteral("UPDATE %1 SET Fin=NOW(), Desenlace='', Mensaje='', Pedidos=0, "
                       "Renglones=0, Clientes=0 WHERE Id=0 AND 0")
            .arg(EsquemaBitacora::tablaCorridas()),
        QStringLiteral("INSERT INTO %1 (%2) SELECT 0, '', 0, '', '', 0, '', 0, '' FROM DUAL "
                       "WHERE 0")
            .arg(EsquemaBitacora::tablaPedidos(), EsquemaBitacora::columnasPedido()),
        QStringLiteral("UPDATE %1 SET Deshacible=1 WHERE Id=0 AND 0")
            .arg(EsquemaBitacora::tablaCorridas())};
    if (operacion == Operacion::Importacion)
        pruebas << QStringLiteral("INSERT INTO %1 (Corrida, Clave) SELECT 0, '' FROM DUAL "
                                  "WHERE 0")
                       .arg(EsquemaBitacora::tablaClientes());
    if (operacion == Operacion::Deshacer)
        pruebas << QStringLiteral("UPDATE %1 SET DeshechoPor=0 WHERE Id=0 AND 0")
                       .arg(EsquemaBitacora::tablaPedidos())
                << QStringLiteral("UPDATE %1 SET DeshechaPor=0, Deshechos=0 WHERE Id=0 AND 0")
                       .arg(EsquemaBitacora::tablaCorridas())
                << QStringLiteral("SELECT Id, Clave FROM %1 WHERE 0")
                       .arg(EsquemaBitacora::tablaClientes())
                << QStringLiteral("DELETE FROM %1 WHERE 0").arg(EsquemaBitacora::tablaHuellas());
    if (operacion == Operacion::Importacion)
        pruebas << QStringLiteral("INSERT INTO %1 (Huella, PrimeraCorrida, UltimaCorrida, Veces) "
                                  "SELECT '', 0, 0, 1 FROM DUAL WHERE 0 ON DUPLICATE KEY UPDATE "
                                  "Veces=Veces+1, UltimaCorrida=0")
                       .arg(EsquemaBitacora::tablaHuellas())
                << QStringLiteral("SELECT c.Id, c.Inicio, p.Corrida, p.Huella, p.IdNuevo, "
                                  "p.PedidoNuevo, h.Huella, h.PrimeraCorrida, h.UltimaCorrida, "
                                  "h.Veces FROM %1 c, %2 p, %3 h WHERE 0")
                       .arg(EsquemaBitacora::tablaCorridas(), EsquemaBitacora::tablaPedidos(),
                            EsquemaBitacora::tablaHuellas());
    return pruebas;
}

} // namespace

QStringList EsquemaBitacora::tablas(Operacion operacion) {
    QStringList t = {tablaCorridas(), tablaPedidos()};
    if (operacion == Operacion::Importacion)
        t << tablaHuellas() << tablaClientes();
    if (operacion == Operacion::Deshacer)
        t << tablaHuellas() << tablaClientes();
    return t;
}

namespace {

struct VersionLeida {
    int version = 0; // the layout
    int minima = 0;  // the oldest layout a copy must know to write it; 0 when any may
};

VersionLeida leeVersion(Conexion& conexion) {
    try {
        auto rs = conexion.consulta(
            QStringLiteral("SELECT MAX(Version), MAX(IF(Id=2, Version, NULL)) FROM %1")
                .arg(EsquemaBitacora::tablaVersion()));
        if (rs->eof())
            return {};
        return {rs->esNulo(0) ? 0 : int(rs->entero(0)), rs->esNulo(1) ? 0 : int(rs->entero(1))};
    } catch (const ErrorBdD& e) {
        // No such table (no journal, or one of before the version row), or no right to read
        // it: the layout is then asked of the server's catalogue, as before the row.
        if (e.conexionPerdida() || e.codigo() == 1205 || e.codigo() == 1213)
            throw;
        return {};
    }
}

void exigeVersion(Conexion& conexion, const VersionLeida& leida) {
    if (leida.minima <= EsquemaBitacora::version)
        return;
    throw ErrorBdD(
        QStringLiteral(
            "La bitácora de la base de datos \"%1\" es de una versión más nueva de este "
            "programa, que esta copia no sabe escribir sin dañarla (la bitácora pide la versión "
            "%2 de su formato o una posterior; esta copia conoce hasta la %3). Instale en este "
            "equipo la versión del programa que usan los demás equipos.")
            .arg(conexion.baseEnUso())
            .arg(leida.minima)
            .arg(EsquemaBitacora::version));
}

} // namespace

int EsquemaBitacora::versionGuardada(Conexion& conexion) {
    return leeVersion(conexion).version;
}

void EsquemaBitacora::exigeVersionConocida(Conexion& conexion) {
    exigeVersion(conexion, leeVersion(conexion));
}

void EsquemaBitacora::creaTablas(Conexion& conexion) {
    // Asked first: creating a table commits whatever is open and, on a cluster, pauses
    // every node, so it is done only when a table is missing. The version row tells which
    // upgrades a journal still needs without reading the catalogue's columns.
    const VersionLeida leida = leeVersion(conexion);
    exigeVersion(conexion, leida);
    const int guardada = leida.version;
    auto rs = conexion.consulta(
        QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES "
                       "WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN (?, ?, ?, ?)"),
        tablasGuardadas());
    QStringList hay;
    for (; !rs->eof(); rs->MoveNext())
        hay << rs->texto(0).toLower();
    rs.reset();
    const QString motor = QStringLiteral(") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4");
    const QString columnasDueno = QStringLiteral("Nodo VARCHAR(320) NOT NULL DEFAULT '', "
                                                 "Sesion BIGINT NOT NULL DEFAULT 0, "
                                                 "ArranqueNodo DATETIME NULL");
    // What an undo reads and writes: whether the run kept what undoing it needs, the run an
    // undo undid, and of an undone run the last undo and how many of its orders it took.
    const QString columnasDeshacerCorrida =
        QStringLiteral("Deshacible TINYINT NOT NULL DEFAULT 0, Deshace BIGINT NULL, "
                       "DeshechaPor BIGINT NULL, Deshechos BIGINT NOT NULL DEFAULT 0");
    // Of an accumulation's order, the lines it took and how much of each (Movidos).
    const QString columnasDeshacerPedido =
        QStringLiteral("Resumen CHAR(64) CHARACTER SET ascii COLLATE ascii_bin NULL, "
                       "DeshechoPor BIGINT NULL, Movidos MEDIUMTEXT NULL");
    // The tables missing are made together in one round trip, after the others' upgrades.
    QList<QByteArray> nuevas;
    const auto creaEnUnaSolaVez = [&nuevas](const QString& sql) { nuevas << sql.toUtf8(); };
    if (!hay.contains(tablaCorridas()))
        creaEnUnaSolaVez(
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
                "Clientes BIGINT NOT NULL DEFAULT 0, %2, %3, KEY idx_inicio (Inicio)")
                .arg(tablaCorridas(), columnasDueno, columnasDeshacerCorrida) +
            motor);
    else if (guardada < 2 &&
             conexion.consulta(
                         QStringLiteral("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE "
                                        "TABLE_SCHEMA=DATABASE() AND TABLE_NAME=? AND "
                                        "COLUMN_NAME='Sesion'"),
                         {tablaCorridas()})
                     ->entero(0) == 0)
        // A journal of the first layout, kept before runs had owners. Only a journal without
        // its version row is asked this.
        conexion.ejecuta(
            QStringLiteral("ALTER TABLE %1 ADD COLUMN (%2)").arg(tablaCorridas(), columnasDueno));
    if (!hay.contains(tablaPedidos()))
        creaEnUnaSolaVez(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 ("
                                        "Id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY, "
                                        "Corrida BIGINT NOT NULL, "
                                        "BaseOrigen VARCHAR(64) NOT NULL DEFAULT '', "
                                        "IdOrigen BIGINT NULL, "
                                        "PedidoOrigen VARCHAR(64) NOT NULL DEFAULT '', "
                                        "Archivo VARCHAR(1024) NOT NULL DEFAULT '', "
                                        "Linea INT NULL, Huella CHAR(64) CHARACTER SET ascii "
                                        "COLLATE ascii_bin NULL, IdNuevo BIGINT NULL, "
                                        "PedidoNuevo VARCHAR(64) NOT NULL DEFAULT '', %2, "
                                        "KEY idx_corrida (Corrida)")
                             .arg(tablaPedidos(), columnasDeshacerPedido) +
                         motor);
    const auto falta = [&conexion](const QString& tabla, const char* columna) {
        return conexion
                   .consulta(QStringLiteral("SELECT COUNT(*) FROM information_schema.COLUMNS "
                                            "WHERE TABLE_SCHEMA=DATABASE() AND "
                                            "TABLE_NAME=? AND COLUMN_NAME=?"),
                             {tabla, QLatin1String(columna)})
                   ->entero(0) == 0;
    };
    // A journal of an earlier layout gets the undo's columns; its runs keep Deshacible 0. A
    // table made now has them.
    if (guardada < 3) {
        if (hay.contains(tablaCorridas()) && falta(tablaCorridas(), "Deshacible"))
            conexion.ejecuta(QStringLiteral("ALTER TABLE %1 ADD COLUMN (%2)")
                                 .arg(tablaCorridas(), columnasDeshacerCorrida));
        if (hay.contains(tablaPedidos()) && falta(tablaPedidos(), "Resumen"))
            conexion.ejecuta(QStringLiteral("ALTER TABLE %1 ADD COLUMN (%2)")
                                 .arg(tablaPedidos(), columnasDeshacerPedido));
    }
    const QString columnaResumenCliente =
        QStringLiteral("Resumen CHAR(64) CHARACTER SET ascii COLLATE ascii_bin NULL");
    // Optional: a user who may not alter the table keeps the journal without it (the undo
    // then cannot tell a changed customer, as with runs of earlier layouts), and the version
    // stays so that the next run tries again. So does a run that finds the table in use by
    // another copy's transaction: it does not wait for it.
    bool alDia = true;
    if (!hay.contains(tablaClientes())) {
        creaEnUnaSolaVez(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 ("
                                        "Id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY, "
                                        "Corrida BIGINT NOT NULL, Clave VARCHAR(255) NOT NULL, "
                                        "%2, KEY idx_corrida (Corrida)")
                             .arg(tablaClientes(), columnaResumenCliente) +
                         motor);
    } else if (guardada < 4 && falta(tablaClientes(), "Resumen")) {
        try {
            conexion.ejecuta(QStringLiteral("SET STATEMENT lock_wait_timeout=2 FOR ALTER TABLE %1 "
                                            "ADD COLUMN %2")
                                 .arg(tablaClientes(), columnaResumenCliente));
        } catch (const ErrorBdD& e) {
            if (e.conexionPerdida())
                throw;
            alDia = false;
        }
    }
    if (!hay.contains(tablaHuellas()))
        creaEnUnaSolaVez(
            QStringLiteral(
                "CREATE TABLE IF NOT EXISTS %1 ("
                "Huella CHAR(64) CHARACTER SET ascii COLLATE ascii_bin NOT NULL PRIMARY KEY, "
                "PrimeraCorrida BIGINT NOT NULL, "
                "UltimaCorrida BIGINT NOT NULL, "
                "Veces INT NOT NULL DEFAULT 1")
                .arg(tablaHuellas()) +
            motor);
    conexion.ejecutaJuntas(nuevas);
    // The version row last, once every table is in the layout it names. A user who may use
    // the tables but not create one goes on without it: the next run asks again.
    if (guardada >= version || !alDia)
        return;
    try {
        conexion.ejecutaJuntas(
            {(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (Id INT NOT NULL PRIMARY KEY, "
                             "Version INT NOT NULL")
                  .arg(tablaVersion()) +
              motor)
                 .toUtf8(),
             conexion.prepara(QStringLiteral("INSERT INTO %1 (Id, Version) VALUES (1, ?) ON "
                                             "DUPLICATE KEY UPDATE Version=GREATEST(Version, "
                                             "VALUES(Version))")
                                  .arg(tablaVersion()),
                              {version})});
    } catch (const ErrorBdD& e) {
        if (e.conexionPerdida())
            throw;
    }
}

EsquemaBitacora::Preparacion EsquemaBitacora::prepara(Conexion& conexion, Operacion operacion) {
    Preparacion p;
    creaTablas(conexion);
    const QHash<QString, TablaLeida> leidas = leeTablas(conexion);
    const QStringList usadas = tablas(operacion);
    // The caller refused tables found in another engine before anything was written; a
    // server that cannot make InnoDB tables may just have made these in its own.
    QVector<host::TablaSinTransacciones> sinTransacciones;
    for (const QString& t : usadas)
        if (leidas.contains(t) && !leidas[t].transaccional)
            sinTransacciones.push_back({conexion.baseEnUso(), t, leidas[t].motor});
    if (!sinTransacciones.isEmpty())
        throw ErrorBdD(host::MotivoSinTransacciones(sinTransacciones));
    for (const TablaEsperada& t : esperadas()) {
        const auto leida = leidas.constFind(t.nombre);
        // Not seen: the user has no right on it, which the statements below tell.
        if (!usadas.contains(t.nombre) || leida == leidas.cend())
            continue;
        if (const QString falla = revisaTabla(t, leida->columnas); !falla.isEmpty()) {
            p.aviso =
                QStringLiteral(
                    "No se lleva bitácora de esta operación en la base de datos \"%1\": la "
                    "tabla %2 ya no tiene la forma que el programa le dio (%3). La operación "
                    "se hace de todos modos. Para llevarla, un administrador puede devolverle "
                    "esa forma, o cambiar el nombre de las tablas de la bitácora (%4) para "
                    "que el programa cree otras.")
                    .arg(conexion.baseEnUso(), t.nombre, falla, usadas.join(QStringLiteral(", ")));
            return p;
        }
    }
    const ColumnaLeida mensaje =
        leidas.value(tablaCorridas()).columnas.value(QStringLiteral("mensaje"));
    if (mensaje.largo > 0) {
        p.largoMensaje = mensaje.largo;
        p.bytesMensaje = mensaje.bytes > 0 ? mensaje.bytes : mensaje.largo;
    }
    for (const QString& prueba : pruebasDePermisos(operacion))
        p.pruebas << prueba.toUtf8();
    p.resumenClientes = leidas.value(tablaClientes()).columnas.contains(QStringLiteral("resumen"));
    return p;
}

} // namespace bitacora
