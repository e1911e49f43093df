// A journal of years against its two readers: the command `bitacora` (run as the program
// runs it, in a process of its own, so its time includes the start-up and its peak memory is
// its own) and the window "Bitácora" (offscreen, up to its first rows and to the next page).
// The journal is filled on the server in a few statements: runs of five years, a share of
// them failed, cancelled or left in course by a program that stopped, each with its orders.
//
//   bench_bitacora [--puerto P] [--carpeta DIR] [--corridas N] [--repeticiones R]
//   bench_bitacora --orden --ini FILE [bitacora options...]   (the command, started by it)
#include "app/Comandos.h"
#include "db/GeneradorDemo.h"
#include "journal/Bitacora.h"
#include "journal/ventanas/frmBitacora.h"
#include "shell/Arranque.h"
#include "shell/AvisosConsola.h"
#include "shell/Programa.h"
#include "shell/host/BasesDD.h"
#include "shell/host/Utilerias.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTableView>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <sys/resource.h>

using host::Conexion;

namespace {

QTextStream out(stdout);

constexpr double kMetaOrden = 1000;  // ms: `bitacora` with its default
constexpr double kMetaVentana = 500; // ms: the window's first rows
const QString kBase = QStringLiteral("banco_bitacora");

QString opcion(const QStringList& args, const QString& nombre, const QString& omision = {}) {
    const qsizetype i = args.indexOf(nombre);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : omision;
}

void escribe(const QString& ruta, const QByteArray& bytes) {
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("no se pudo escribir " + ruta.toStdString());
}

// The program installed in carpeta for the benchmark's database (current, export and import
// at once): its INI, and the sales system's installation file it names.
QString instala(const QString& carpeta, unsigned puerto) {
    QDir(carpeta).mkpath(QStringLiteral("korvan"));
    escribe(QDir(carpeta).filePath(QStringLiteral("korvan/korvan.krx")),
            "[Instalacion]\nMySQLServer=127.0.0.1\nMySQLPuerto=" + QByteArray::number(puerto) +
                "\nMySQLUsuario=" + host::Utilerias::Encripta(QStringLiteral("root")).toUtf8() +
                "\n");
    const QString ini = QDir(carpeta).filePath(QStringLiteral("acumulapedidos.ini"));
    const QByteArray base = kBase.toUtf8();
    escribe(ini, "[Configuración]\nRuta de Korvan Maestro=" +
                     QDir(carpeta).filePath(QStringLiteral("korvan")).toUtf8() +
                     "\nBase de datos principal=" + base +
                     "\n\n[Otras bases de datos]\nPara exportar pedidos=" + base +
                     "\nPara importar pedidos=" + base + "\n");
    return ini;
}

// Child: the command as the program runs it, its output to a file; prints its peak memory.
int hijoOrden(const QStringList& args) {
    QFile archivo(opcion(args, QStringLiteral("--salida")));
    if (!archivo.open(QIODevice::WriteOnly))
        return 1;
    QTextStream salida(&archivo), errores(stderr);
    Programa programa;
    programa.avisos = std::make_unique<AvisosConsola>(errores);
    if (!arranque::arranca(programa, QCoreApplication::applicationFilePath(),
                           opcion(args, QStringLiteral("--ini"))) ||
        !arranque::compruebaConexion(programa))
        return 1;
    QStringList argumentos = args.mid(args.indexOf(QStringLiteral("--")) + 1);
    const int estado = comandos::leeBitacora(programa, argumentos, salida, errores);
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    out << "kb=" << uso.ru_maxrss << Qt::endl;
    return estado;
}

struct Medida {
    double ms = 1e18;
    long kb = 0;
    qint64 bytes = 0;
};

// The command with those options in a process of its own: its whole time, start to end.
Medida orden(const QString& ini, const QString& carpeta, const QStringList& opciones) {
    const QString salida = QDir(carpeta).filePath(QStringLiteral("salida.txt"));
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QCoreApplication::applicationFilePath(),
            QStringList{QStringLiteral("--orden"), QStringLiteral("--ini"), ini,
                        QStringLiteral("--salida"), salida, QStringLiteral("--")} +
                opciones);
    // Its standard error (the line that says which days it shows) is told only on failure.
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        throw std::runtime_error("falló bitacora " + opciones.join(' ').toStdString() + ": " +
                                 p.readAllStandardError().toStdString());
    Medida m;
    m.ms = double(t.nsecsElapsed()) / 1e6;
    m.kb = QString::fromLatin1(p.readAllStandardOutput()).trimmed().mid(3).toLong();
    m.bytes = QFileInfo(salida).size();
    QFile::remove(salida);
    return m;
}

// Turns the event loop until listo() holds.
double hasta(const std::function<bool()>& listo, const char* que) {
    QElapsedTimer t;
    t.start();
    const QDeadlineTimer limite(std::chrono::minutes(5));
    while (!listo() && !limite.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (!listo())
        throw std::runtime_error(std::string("no terminó a tiempo: ") + que);
    return double(t.nsecsElapsed()) / 1e6;
}

// The window opened over the journal: until its first rows, then until the next page after a
// scroll to the end of the list.
std::pair<double, double> ventana(unsigned puerto) {
    Programa programa;
    programa.bases->cRuta = QStringLiteral("127.0.0.1");
    programa.bases->cPuerto = puerto;
    programa.bases->cUsuario = QStringLiteral("root");
    programa.bases->cMiBase = kBase;
    programa.baseExportar = kBase;
    programa.baseImportar = kBase;
    QWidget padre;
    QElapsedTimer t;
    t.start();
    frmBitacora* v = frmBitacora::muestra(programa, &padre);
    auto* lista = v->findChild<QTableView*>(QStringLiteral("mhgCorridas"));
    hasta([&] { return lista->model()->rowCount() > 0; }, "primeras filas");
    const double primeras = double(t.nsecsElapsed()) / 1e6;
    hasta([&] { return !v->ocupado(); }, "pedidos de la primera corrida");
    const int antes = lista->model()->rowCount();
    lista->scrollToBottom();
    const double siguientes =
        hasta([&] { return lista->model()->rowCount() > antes; }, "la página siguiente");
    hasta([&] { return !v->ocupado(); }, "fin de la lectura");
    v->close();
    return {primeras, siguientes};
}

// The journal of n runs over five years, newest first by Id, and their orders.
void llena(Conexion& c, int n) {
    demo::creaBaseEmpresa(c, kBase);
    c.ejecuta(QStringLiteral("USE %1").arg(Conexion::identificador(kBase)));
    bitacora::EsquemaBitacora::creaTablas(c);
    const qint64 segundos = qint64(5) * 365 * 86400 / n;
    // 2 % left in course by a program that stopped (their session is gone), 2 % failed,
    // 2 % cancelled; 0 to 10 orders each (5 on average).
    c.ejecuta(
        QStringLiteral(
            "INSERT INTO acumulapedidos_corridas (Operacion, Inicio, Fin, UsuarioSistema, Equipo, "
            "UsuarioBdD, Desde, Hasta, Serie, PrimerFolio, Archivo, Destino, Desenlace, Mensaje, "
            "Pedidos, Renglones, Clientes, Nodo, Sesion) "
            "SELECT ELT(1 + MOD(seq, 3), 'acumulacion', 'exportacion', 'importacion'), "
            "NOW() - INTERVAL seq * %1 SECOND, "
            "IF(MOD(seq, 50) = 0, NULL, NOW() - INTERVAL seq * %1 SECOND + INTERVAL 40 SECOND), "
            "'usuario', 'caja1', 'root@localhost', CURDATE() - INTERVAL seq * %1 + 604800 SECOND, "
            "CURDATE() - INTERVAL seq * %1 SECOND, IF(MOD(seq, 3) = 0, 'A', NULL), "
            "IF(MOD(seq, 3) = 0, seq, NULL), IF(MOD(seq, 3) = 0, '', CONCAT('/home/usuario/"
            "pedidos_', seq, '.txt')), IF(MOD(seq, 3) = 1, '/media/usuario/USB', ''), "
            "ELT(1 + LEAST(MOD(seq, 50), 3), 'encurso', 'fallida', 'cancelada', 'hecha'), "
            "IF(MOD(seq, 50) = 0, NULL, CONCAT('Se generaron ', MOD(seq, 11), ' pedidos en "
            "empresa1.')), MOD(seq, 11), 4 * MOD(seq, 11), MOD(seq, 2), "
            "CONCAT(@@hostname, ':', @@port), 999999999 FROM seq_1_to_%2")
            .arg(segundos)
            .arg(n));
    c.ejecuta(QStringLiteral(
        "INSERT INTO acumulapedidos_pedidos (Corrida, BaseOrigen, IdOrigen, PedidoOrigen, "
        "IdNuevo, PedidoNuevo) SELECT c.Id, 'empresa2', c.Id * 10 + s.seq, "
        "CONCAT('B-', c.Id * 10 + s.seq), c.Id * 10 + s.seq, CONCAT('A-', c.Id * 10 + s.seq) "
        "FROM acumulapedidos_corridas c JOIN seq_1_to_10 s ON s.seq <= c.Pedidos"));
}

void linea(const char* que, double ms, double meta, const QString& extra = {}) {
    out << QStringLiteral("  %1 %2 ms   (meta <= %3 ms)%4")
               .arg(QString::fromUtf8(que), -34)
               .arg(ms, 8, 'f', 0)
               .arg(meta, 0, 'f', 0)
               .arg(extra)
        << Qt::endl;
}

void informa(const char* que, const Medida& m) {
    out << QStringLiteral("  %1 %2 ms   %3 MB impresos, memoria pico %4 MB")
               .arg(QString::fromUtf8(que), -34)
               .arg(m.ms, 8, 'f', 0)
               .arg(m.bytes / 1048576.0, 0, 'f', 1)
               .arg(m.kb / 1024.0, 0, 'f', 1)
        << Qt::endl;
}

} // namespace

int main(int argc, char** argv) {
    // The command's process starts as the program's does, without windows.
    if (argc > 1 && QByteArray(argv[1]) == "--orden") {
        QCoreApplication app(argc, argv);
        return hijoOrden(app.arguments().mid(1));
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        const unsigned puerto =
            opcion(args, QStringLiteral("--puerto"), QStringLiteral("3455")).toUInt();
        const int n = opcion(args, QStringLiteral("--corridas"), QStringLiteral("200000")).toInt();
        const int repeticiones = std::max(
            1, opcion(args, QStringLiteral("--repeticiones"), QStringLiteral("3")).toInt());
        const QString carpeta =
            QDir(opcion(args, QStringLiteral("--carpeta"), QDir::tempPath())).absolutePath();
        QDir().mkpath(carpeta);
        host::BasesDD bases;
        bases.cRuta = QStringLiteral("127.0.0.1");
        bases.cPuerto = puerto;
        auto c = bases.abre(QString());
        QElapsedTimer t;
        t.start();
        llena(*c, n);
        const qint64 pedidos =
            c->consulta(QStringLiteral("SELECT COUNT(*) FROM acumulapedidos_pedidos"))->entero(0);
        const qint64 recientes =
            c->consulta(QStringLiteral("SELECT COUNT(*) FROM acumulapedidos_corridas WHERE "
                                       "Inicio >= CURDATE() - INTERVAL 30 DAY"))
                ->entero(0);
        out << QStringLiteral("Bitácora de %1 corridas con %2 pedidos (%3 en los últimos 31 días), "
                              "llenada en %4 s; mejor de %5")
                   .arg(n)
                   .arg(pedidos)
                   .arg(recientes)
                   .arg(t.elapsed() / 1000.0, 0, 'f', 1)
                   .arg(repeticiones)
            << Qt::endl;
        const QString ini = instala(carpeta, puerto);

        // Best of several runs: the machine is shared, and the best run is the one least
        // disturbed by others.
        Medida omision, todas, una;
        double primeras = 1e18, siguientes = 1e18;
        const auto mejor = [](Medida& m, const Medida& nueva) {
            if (nueva.ms < m.ms)
                m = nueva;
        };
        for (int r = 0; r < repeticiones; ++r) {
            mejor(omision, orden(ini, carpeta, {}));
            mejor(una, orden(ini, carpeta, {QStringLiteral("--corrida"), QStringLiteral("10")}));
            const auto [p, s] = ventana(puerto);
            primeras = std::min(primeras, p);
            siguientes = std::min(siguientes, s);
        }
        todas = orden(ini, carpeta, {QStringLiteral("--todas")});
        linea("bitacora (últimos 31 días)", omision.ms, kMetaOrden,
              QStringLiteral("   %1 MB impresos, memoria pico %2 MB")
                  .arg(omision.bytes / 1048576.0, 0, 'f', 1)
                  .arg(omision.kb / 1024.0, 0, 'f', 1));
        linea("ventana: primeras filas", primeras, kMetaVentana);
        out << QStringLiteral("  %1 %2 ms")
                   .arg(QStringLiteral("ventana: página siguiente"), -34)
                   .arg(siguientes, 8, 'f', 0)
            << Qt::endl;
        informa("bitacora --corrida 10", una);
        informa("bitacora --todas (una vez)", todas);
        c->ejecuta(QStringLiteral("DROP DATABASE %1").arg(Conexion::identificador(kBase)));
        return 0;
    } catch (const std::exception& e) {
        QTextStream(stderr) << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
}
