// Export and import of a generated company against the server's own bulk path
// (SELECT ... INTO OUTFILE and LOAD DATA of the same rows). Each export and import runs in
// a child process of its own, so its peak memory is its own. What the journal costs the
// import is told apart: the same import by a user who may not create the journal's tables
// (so none is kept), and the reading of the file with and without the orders' fingerprints.
// The import and its preview run as the command does, their output written to a file, so
// the preview's peak memory includes its whole report.
//
//   bench_transfer [--puerto P] [--carpeta DIR] [--repeticiones R] [--pedidos N]...
//                  [--memoria N]...   (only the peak memory of the import and its preview)
//                  [--deshacer N]...  (only the import and its undo, each round printed)
//                  [--bitacora N]...  (only the journal's cost to the import, each round printed)
#include "data/FormatoTransferencia.h"
#include "data/LectorTransferencia.h"
#include "db/GeneradorDemo.h"
#include "export/Exportacion.h"
#include "import/ComandoImportar.h"
#include "import/Importacion.h"
#include "journal/EsquemaBitacora.h"
#include "shell/Programa.h"
#include "shell/host/BasesDD.h"
#include "undo/ComandoDeshacer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

QTextStream out(stdout);

host::BasesDD servidor(unsigned puerto) {
    host::BasesDD b;
    b.cRuta = QStringLiteral("127.0.0.1");
    b.cPuerto = puerto;
    b.cUsuario = QStringLiteral("root");
    return b;
}

long memoriaPicoKb() {
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss;
}

QString opcion(const QStringList& args, const QString& nombre, const QString& omision = {}) {
    const int i = args.indexOf(nombre);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : omision;
}

double cronometra(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

// What a child tells its parent: time, peak memory and counts, or the failure.
template <typename Resultado> int informa(qint64 ms, const Resultado& r) {
    if (!r.ok) {
        QTextStream(stderr) << r.mensaje << Qt::endl;
        return 1;
    }
    out << "ms=" << ms << " kb=" << memoriaPicoKb() << " pedidos=" << r.pedidos
        << " renglones=" << r.renglones << Qt::endl;
    return 0;
}

// Child: export every order of the database to the file, as the window and the command do
// (with the journal; the copy goes to the file's own folder, so it copies nothing), or only
// write the file (sinBitacora), with the lines read as the writer chooses or by the plan
// given.
int hijoExporta(host::BasesDD& bases, const QString& base, const QString& archivo, bool sinBitacora,
                exportacion::PlanLectura plan = exportacion::PlanLectura::Automatico) {
    auto c = bases.abre(base);
    QVector<qint64> ids;
    {
        auto rs = c->consulta(QStringLiteral("SELECT Id FROM pedidos ORDER BY Fecha, Id"));
        for (; !rs->eof(); rs->MoveNext())
            ids << rs->entero(0);
    }
    const QString nombre = QFileInfo(archivo).fileName();
    const QString carpeta = QFileInfo(archivo).absolutePath();
    QElapsedTimer t;
    t.start();
    const auto r = sinBitacora
                       ? exportacion::EscribeArchivo(*c, ids, nombre, carpeta, {}, {}, {}, plan)
                       : exportacion::ExportaPedidos(*c, ids, nombre, carpeta, carpeta);
    return informa(t.elapsed(), r);
}

// Child: the command "importar" (with --revisar for the preview), its output to a file.
int hijoImporta(host::BasesDD& bases, const QString& base, const QString& archivo, bool revisar) {
    Programa programa;
    *programa.bases = bases;
    programa.baseImportar = base;
    programa.carpetaPrograma = QFileInfo(archivo).absolutePath();
    QFile destino(archivo + QStringLiteral(".salida"));
    if (!destino.open(QIODevice::WriteOnly))
        throw std::runtime_error("no se pudo escribir la salida de la importación");
    QTextStream salida(&destino);
    QString avisos;
    QTextStream errores(&avisos);
    QStringList argumentos{QStringLiteral("--archivo"), archivo};
    if (revisar)
        argumentos << QStringLiteral("--revisar");
    QElapsedTimer t;
    t.start();
    const int codigo = comandos::importar(programa, argumentos, salida, errores);
    salida.flush();
    const qint64 ms = t.elapsed();
    destino.close();
    destino.remove();
    if (codigo != 0) {
        QTextStream(stderr) << avisos << Qt::endl;
        return 1;
    }
    out << "ms=" << ms << " kb=" << memoriaPicoKb() << Qt::endl;
    return 0;
}

// Child: the command "deshacer" of run corrida of base's journal, its report kept in memory.
int hijoDeshace(host::BasesDD& bases, const QString& base, const QString& corrida) {
    Programa programa;
    *programa.bases = bases;
    programa.baseImportar = base;
    QString informe, avisos;
    QTextStream salida(&informe), errores(&avisos);
    QElapsedTimer t;
    t.start();
    const int codigo = comandos::deshacer(
        programa, {QStringLiteral("--corrida"), corrida, QStringLiteral("--base"), base}, salida,
        errores);
    salida.flush();
    const qint64 ms = t.elapsed();
    if (codigo != 0) {
        QTextStream(stderr) << avisos << Qt::endl;
        return 1;
    }
    out << "ms=" << ms << " kb=" << memoriaPicoKb() << Qt::endl;
    return 0;
}

// A user of the benchmark's own that may write the orders of base but not create tables.
const QString usuarioSinBitacora = QStringLiteral("banco_sin_bitacora");

// An empty company database base, with the products of origen, as the current database.
void vaciaConProductos(host::Conexion& c, const QString& base, const QString& origen) {
    demo::creaBaseEmpresa(c, base);
    c.ejecuta(QStringLiteral("INSERT INTO %1.productos SELECT * FROM %2.productos")
                  .arg(host::Conexion::identificador(base), host::Conexion::identificador(origen)));
    c.ejecuta(QStringLiteral("USE %1").arg(host::Conexion::identificador(base)));
}

// The user of usuarioSinBitacora, allowed to write the orders of base.
void permiteSinBitacora(host::Conexion& c, const QString& base) {
    c.ejecuta(QStringLiteral("CREATE USER IF NOT EXISTS ?@'%' IDENTIFIED BY 'banco'"),
              {usuarioSinBitacora});
    c.ejecuta(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON %1.* TO ?@'%'")
                  .arg(host::Conexion::identificador(base)),
              {usuarioSinBitacora});
}
void quitaSinBitacora(host::Conexion& c) {
    c.ejecuta(QStringLiteral("DROP USER IF EXISTS ?@'%'"), {usuarioSinBitacora});
}

// Reads the whole file, with each order's fingerprint or without.
double leeArchivo(const QString& ruta, bool conHuellas) {
    return cronometra([&] {
        QFile f(ruta);
        if (!f.open(QIODevice::ReadOnly))
            throw std::runtime_error("no se pudo abrir el archivo");
        transferencia::LectorTransferencia lector(f);
        lector.guardaCrudo(conHuellas);
        transferencia::Sha256 huella;
        transferencia::Registro r;
        bool hayPedido = false;
        while (lector.siguiente(r)) {
            if (!conHuellas)
                continue;
            if (r.encabezado && hayPedido)
                huella.reinicia();
            hayPedido = hayPedido || r.encabezado;
            huella.agrega(lector.crudo());
        }
    });
}

struct Medida {
    double ms = 0;
    long kb = 0;
};

Medida enHijo(unsigned puerto, const QString& accion, const QString& base, const QString& archivo,
              const QString& usuario = {}, const QStringList& mas = {}) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList argumentos{accion,
                           QStringLiteral("--puerto"),
                           QString::number(puerto),
                           QStringLiteral("--base"),
                           base,
                           QStringLiteral("--archivo"),
                           archivo};
    if (!usuario.isEmpty())
        argumentos << QStringLiteral("--usuario") << usuario;
    argumentos << mas;
    p.start(QCoreApplication::applicationFilePath(), argumentos);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        throw std::runtime_error(("falló: " + accion + " " + base).toStdString());
    const QString linea = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    Medida m;
    for (const QString& parte : linea.split(QLatin1Char(' '))) {
        if (parte.startsWith(QLatin1String("ms=")))
            m.ms = parte.mid(3).toDouble();
        if (parte.startsWith(QLatin1String("kb=")))
            m.kb = parte.mid(3).toLong();
    }
    return m;
}

QString lista(const QString& alias, const QStringList& columnas) {
    QStringList s;
    for (const QString& c : columnas)
        s << alias + c;
    return s.join(QLatin1Char(','));
}

void memoriaRevision(long importaKb, long revisionKb) {
    out << QStringLiteral("  memoria pico    revisión %1 MB, importación %2 MB: razón %3   "
                          "(meta <= 1.5)")
               .arg(revisionKb / 1024.0, 0, 'f', 1)
               .arg(importaKb / 1024.0, 0, 'f', 1)
               .arg(double(revisionKb) / double(importaKb), 0, 'f', 2)
        << Qt::endl;
}

// The generated company of every measurement: pedidos orders of 5 lines.
demo::Parametros talla(int pedidos) {
    demo::Parametros p;
    p.pedidos = pedidos;
    p.renglones = 5;
    p.clientes = 5000;
    p.productos = 2000;
    return p;
}

// A company of pedidos generated orders exported without the journal to its file, and the
// name of the database each round imports it into; quita() drops both and the file.
struct Empresa {
    QString origen, destino, archivo;
    void quita(host::Conexion& c) const {
        for (const QString& base : {origen, destino})
            c.ejecuta(QStringLiteral("DROP DATABASE IF EXISTS %1")
                          .arg(host::Conexion::identificador(base)));
        QFile::remove(archivo);
    }
};
Empresa exportada(host::Conexion& c, unsigned puerto, const QString& carpeta, const char* nombre,
                  int pedidos) {
    const QString n = QString::fromLatin1(nombre);
    Empresa e{QStringLiteral("banco_%1_origen_%2").arg(n).arg(pedidos),
              QStringLiteral("banco_%1_destino_%2").arg(n).arg(pedidos),
              QDir(carpeta).filePath(QStringLiteral("%1_%2.txt").arg(n).arg(pedidos))};
    demo::creaBaseEmpresa(c, e.origen);
    demo::llenaEmpresa(c, e.origen, talla(pedidos), 1);
    enHijo(puerto, QStringLiteral("exportar-sin-bitacora"), e.origen, e.archivo);
    return e;
}

// Only the peak memory of the import and of its preview, each as its command runs.
void soloMemoria(host::BasesDD& bases, unsigned puerto, const QString& carpeta, int pedidos) {
    auto c = bases.abre(QString());
    const Empresa e = exportada(*c, puerto, carpeta, "memoria", pedidos);
    const QString &origen = e.origen, &destino = e.destino, &archivo = e.archivo;
    const auto vacia = [&] { vaciaConProductos(*c, destino, origen); };
    vacia();
    const Medida revision = enHijo(puerto, QStringLiteral("revisar"), destino, archivo);
    vacia();
    const Medida importa = enHijo(puerto, QStringLiteral("importar"), destino, archivo);
    out << QStringLiteral("\n%1 pedidos x %2 renglones (archivo %3 MB)")
               .arg(pedidos)
               .arg(talla(pedidos).renglones)
               .arg(QFileInfo(archivo).size() / 1048576.0, 0, 'f', 1)
        << Qt::endl;
    memoriaRevision(importa.kb, revision.kb);
    e.quita(*c);
}

// Only the import with the journal's tables in place and its undo, each round printed, so
// the undo's figure can be followed without the rest of the benchmark.
void soloDeshacer(host::BasesDD& bases, unsigned puerto, const QString& carpeta, int pedidos,
                  int repeticiones) {
    auto c = bases.abre(QString());
    const Empresa e = exportada(*c, puerto, carpeta, "deshacer", pedidos);
    const QString &origen = e.origen, &destino = e.destino, &archivo = e.archivo;
    out << QStringLiteral("\n%1 pedidos x 5 renglones").arg(pedidos) << Qt::endl;
    for (int r = 0; r < repeticiones; ++r) {
        vaciaConProductos(*c, destino, origen);
        bitacora::EsquemaBitacora::creaTablas(*c);
        const Medida i = enHijo(puerto, QStringLiteral("importar"), destino, archivo);
        const QString corrida = c->consulta(QStringLiteral("SELECT MAX(Id) FROM %1")
                                                .arg(bitacora::EsquemaBitacora::tablaCorridas()))
                                    ->texto(0);
        const Medida d = enHijo(puerto, QStringLiteral("deshacer"), destino, archivo, {},
                                {QStringLiteral("--corrida"), corrida});
        out << QStringLiteral("  deshacer        %1 ms, importación %2 ms: razón %3   (meta <= 1)")
                   .arg(d.ms, 0, 'f', 0)
                   .arg(i.ms, 0, 'f', 0)
                   .arg(d.ms / i.ms, 0, 'f', 2)
            << Qt::endl;
    }
    e.quita(*c);
}

// Only what the journal costs an import with its tables in place, each round printed. Both
// imports of a round start from the same state: a fresh database, and the server done purging
// what the round before deleted (which it would otherwise do during the next import). Their
// order alternates from round to round, so neither is always the one after the other.
void soloBitacora(host::BasesDD& bases, unsigned puerto, const QString& carpeta, int pedidos,
                  int repeticiones) {
    auto c = bases.abre(QString());
    const Empresa e = exportada(*c, puerto, carpeta, "bitacora", pedidos);
    const QString &origen = e.origen, &destino = e.destino, &archivo = e.archivo;
    permiteSinBitacora(*c, destino);
    const auto importa = [&](bool conBitacora) {
        vaciaConProductos(*c, destino, origen);
        if (conBitacora)
            bitacora::EsquemaBitacora::creaTablas(*c);
        c->ejecuta(QStringLiteral("SET GLOBAL innodb_max_purge_lag_wait=0"));
        return enHijo(puerto, QStringLiteral("importar"), destino, archivo,
                      conBitacora ? QString() : usuarioSinBitacora)
            .ms;
    };
    out << QStringLiteral("\n%1 pedidos: la bitácora en la importación, con sus tablas ya creadas")
               .arg(pedidos)
        << Qt::endl;
    double mejorCon = 1e18, mejorSin = 1e18;
    QList<double> costos;
    for (int r = 0; r < repeticiones; ++r) {
        double con = 0, sin = 0;
        if (r % 2 == 0) {
            con = importa(true);
            sin = importa(false);
        } else {
            sin = importa(false);
            con = importa(true);
        }
        mejorCon = std::min(mejorCon, con);
        mejorSin = std::min(mejorSin, sin);
        costos << 100 * (con - sin) / con;
        out << QStringLiteral("  ronda %1: con ella %2 ms, sin ella %3 ms: %4 %")
                   .arg(r + 1)
                   .arg(con, 0, 'f', 0)
                   .arg(sin, 0, 'f', 0)
                   .arg(costos.last(), 0, 'f', 1)
            << Qt::endl;
    }
    std::sort(costos.begin(), costos.end());
    const qsizetype m = costos.size() / 2;
    const double mediana = costos.size() % 2 ? costos[m] : (costos[m - 1] + costos[m]) / 2;
    out << QStringLiteral("  bitácora imp.   lo mejor de cada lado: %1 ms de %2 ms = %3 %; "
                          "mediana de las rondas %4 %   (meta <= 10 %)")
               .arg(mejorCon - mejorSin, 0, 'f', 0)
               .arg(mejorCon, 0, 'f', 0)
               .arg(100 * (mejorCon - mejorSin) / mejorCon, 0, 'f', 1)
               .arg(mediana, 0, 'f', 1)
        << Qt::endl;
    e.quita(*c);
    quitaSinBitacora(*c);
}

void unaTalla(host::BasesDD& bases, unsigned puerto, const QString& carpeta, int pedidos,
              int repeticiones) {
    auto c = bases.abre(QString());
    const QString origen = QStringLiteral("banco_origen_%1").arg(pedidos);
    const QString destino = QStringLiteral("banco_destino_%1").arg(pedidos);
    const QString carga = QStringLiteral("banco_carga_%1").arg(pedidos);

    const demo::Parametros p = talla(pedidos);
    const double generacion = cronometra([&] {
        demo::creaBaseEmpresa(*c, origen);
        demo::llenaEmpresa(*c, origen, p, 1);
    });
    out << QStringLiteral("\n%1 pedidos x %2 renglones (generados en %3 s)")
               .arg(pedidos)
               .arg(p.renglones)
               .arg(generacion / 1000, 0, 'f', 1)
        << Qt::endl;

    const QString archivo = QDir(carpeta).filePath(QStringLiteral("pedidos_%1.txt").arg(pedidos));
    const QString salidaEnc = QDir(carpeta).filePath(QStringLiteral("enc_%1.tsv").arg(pedidos));
    const QString salidaRen = QDir(carpeta).filePath(QStringLiteral("ren_%1.tsv").arg(pedidos));
    const QString colEnc =
        QStringLiteral("p.Id,") + lista(QStringLiteral("p."), transferencia::columnasEncabezado()) +
        QLatin1Char(',') + lista(QStringLiteral("c."), transferencia::columnasCliente());
    const QString colRen = QStringLiteral("Id,") + transferencia::columnasRenglon().join(',');
    const auto vacia = [&](const QString& base) { vaciaConProductos(*c, base, origen); };
    permiteSinBitacora(*c, destino);

    // Best of several runs on both sides: the machine is shared, and the best run is the
    // one least disturbed by others.
    Medida exporta{1e18, 0}, importa{1e18, 0}, sinBitacora{1e18, 0}, revision{1e18, 0};
    Medida porTandas{1e18, 0}, porPasadas{1e18, 0};
    Medida importaSinBitacora{1e18, 0}, importaConTablas{1e18, 0}, deshace{1e18, 0};
    double outfile = 1e18, loadData = 1e18, conHuellas = 1e18, sinHuellas = 1e18;
    for (int r = 0; r < repeticiones; ++r) {
        // Each export in turn, the first of them another one each round: the export that
        // follows the round before's bulk load finds the server still busy with it. Both plans
        // of reading are measured, whichever the export takes.
        const std::pair<const char*, Medida*> exportaciones[] = {
            {"exportar", &exporta},
            {"exportar-sin-bitacora", &sinBitacora},
            {"exportar-por-tandas", &porTandas},
            {"exportar-por-pasadas", &porPasadas}};
        for (int k = 0; k < 4; ++k) {
            const auto& [accion, medida] = exportaciones[(r + k) % 4];
            const Medida m = enHijo(puerto, QString::fromLatin1(accion), origen, archivo);
            *medida = {std::min(medida->ms, m.ms), std::max(medida->kb, m.kb)};
        }

        // The server's own path for the same columns.
        QFile::remove(salidaEnc);
        QFile::remove(salidaRen);
        c->ejecuta(QStringLiteral("USE %1").arg(host::Conexion::identificador(origen)));
        outfile = std::min(
            outfile, cronometra([&] {
                c->ejecuta(QStringLiteral("SELECT %1 FROM pedidos p LEFT JOIN clientes c ON "
                                          "c.Clave=p.Cliente ORDER BY p.Fecha, p.Id INTO OUTFILE ?")
                               .arg(colEnc),
                           {salidaEnc});
                c->ejecuta(
                    QStringLiteral("SELECT %1 FROM pedidosdetalle INTO OUTFILE ?").arg(colRen),
                    {salidaRen});
            }));

        vacia(destino);
        const Medida i = enHijo(puerto, QStringLiteral("importar"), destino, archivo);
        importa = {std::min(importa.ms, i.ms), std::max(importa.kb, i.kb)};

        // After the first import the journal's tables are there: the cost of every later one.
        vacia(destino);
        bitacora::EsquemaBitacora::creaTablas(*c);
        const Medida ct = enHijo(puerto, QStringLiteral("importar"), destino, archivo);
        importaConTablas = {std::min(importaConTablas.ms, ct.ms),
                            std::max(importaConTablas.kb, ct.kb)};
        // That import taken back whole, as the command does it.
        const QString corrida = c->consulta(QStringLiteral("SELECT MAX(Id) FROM %1.%2")
                                                .arg(host::Conexion::identificador(destino),
                                                     bitacora::EsquemaBitacora::tablaCorridas()))
                                    ->texto(0);
        const Medida d = enHijo(puerto, QStringLiteral("deshacer"), destino, archivo, {},
                                {QStringLiteral("--corrida"), corrida});
        deshace = {std::min(deshace.ms, d.ms), std::max(deshace.kb, d.kb)};

        vacia(destino);
        const Medida si =
            enHijo(puerto, QStringLiteral("importar"), destino, archivo, usuarioSinBitacora);
        importaSinBitacora = {std::min(importaSinBitacora.ms, si.ms),
                              std::max(importaSinBitacora.kb, si.kb)};
        if (r == 0) {
            vacia(destino);
            revision = enHijo(puerto, QStringLiteral("revisar"), destino, archivo);
        }
        sinHuellas = std::min(sinHuellas, leeArchivo(archivo, false));
        conHuellas = std::min(conHuellas, leeArchivo(archivo, true));

        vacia(carga);
        loadData = std::min(
            loadData, cronometra([&] {
                c->ejecuta(
                    QStringLiteral("LOAD DATA INFILE ? INTO TABLE pedidos (Id,%1,@a,@b,@c,@d,@e)")
                        .arg(transferencia::columnasEncabezado().join(',')),
                    {salidaEnc});
                c->ejecuta(
                    QStringLiteral("LOAD DATA INFILE ? INTO TABLE pedidosdetalle (%1)").arg(colRen),
                    {salidaRen});
            }));
    }

    const auto razon = [](const char* que, double ms, const char* base, double msBase, int meta) {
        out << QStringLiteral("  %1 %2 ms   (%3 %4 ms)   razón %5   (meta <= %6)")
                   .arg(QString::fromUtf8(que), -14)
                   .arg(ms, 8, 'f', 0)
                   .arg(QLatin1String(base))
                   .arg(msBase, 0, 'f', 0)
                   .arg(ms / msBase, 0, 'f', 2)
                   .arg(meta)
            << Qt::endl;
    };
    razon("exportación", exporta.ms, "SELECT ... INTO OUTFILE", outfile, 2);
    c->ejecuta(QStringLiteral("USE %1").arg(host::Conexion::identificador(origen)));
    const bool pasadas =
        exportacion::EligePlanLectura(*c, pedidos) == exportacion::PlanLectura::PorPasadas;
    out << QStringLiteral("  lectura         sin bitácora: por tandas %1 ms (razón %2, %3 MB), por "
                          "pasadas %4 ms (razón %5, %6 MB); la exportación va %7")
               .arg(porTandas.ms, 0, 'f', 0)
               .arg(porTandas.ms / outfile, 0, 'f', 2)
               .arg(porTandas.kb / 1024.0, 0, 'f', 1)
               .arg(porPasadas.ms, 0, 'f', 0)
               .arg(porPasadas.ms / outfile, 0, 'f', 2)
               .arg(porPasadas.kb / 1024.0, 0, 'f', 1)
               .arg(pasadas ? QStringLiteral("por pasadas") : QStringLiteral("por tandas"))
        << Qt::endl;
    razon("importación", importa.ms, "LOAD DATA", loadData, 3);
    out << QStringLiteral("  bitácora exp.   la exportación sin ella %1 ms: la bitácora cuesta "
                          "%2 ms (%3%)")
               .arg(sinBitacora.ms, 0, 'f', 0)
               .arg(exporta.ms - sinBitacora.ms, 0, 'f', 0)
               .arg(100.0 * (exporta.ms - sinBitacora.ms) / sinBitacora.ms, 0, 'f', 1)
        << Qt::endl;
    out << QStringLiteral(
               "  bitácora imp.   %1 ms de la importación (%2 %) = %3 ms con ella - %4 ms "
               "sin ella (razón sin ella %5; creando sus tablas)")
               .arg(importa.ms - importaSinBitacora.ms, 0, 'f', 0)
               .arg(100 * (importa.ms - importaSinBitacora.ms) / importa.ms, 0, 'f', 1)
               .arg(importa.ms, 0, 'f', 0)
               .arg(importaSinBitacora.ms, 0, 'f', 0)
               .arg(importaSinBitacora.ms / loadData, 0, 'f', 2)
        << Qt::endl;
    out << QStringLiteral("  bitácora imp.   con sus tablas ya creadas (toda importación tras la "
                          "primera): %1 ms de %2 ms = %3 %   (meta <= 10 %)")
               .arg(importaConTablas.ms - importaSinBitacora.ms, 0, 'f', 0)
               .arg(importaConTablas.ms, 0, 'f', 0)
               .arg(100 * (importaConTablas.ms - importaSinBitacora.ms) / importaConTablas.ms, 0,
                    'f', 1)
        << Qt::endl;
    out << QStringLiteral("  deshacer        %1 ms la importación de %2 pedidos, que tomó %3 ms: "
                          "razón %4   (meta <= 1)")
               .arg(deshace.ms, 0, 'f', 0)
               .arg(pedidos)
               .arg(importaConTablas.ms, 0, 'f', 0)
               .arg(deshace.ms / importaConTablas.ms, 0, 'f', 2)
        << Qt::endl;
    out << QStringLiteral("  huellas         %1 ms de lectura con ellas, %2 ms sin ellas (+%3 ms)")
               .arg(conHuellas, 0, 'f', 0)
               .arg(sinHuellas, 0, 'f', 0)
               .arg(conHuellas - sinHuellas, 0, 'f', 0)
        << Qt::endl;
    out << QStringLiteral("  revisión        %1 ms (la importación entera, deshecha al final)")
               .arg(revision.ms, 0, 'f', 0)
        << Qt::endl;
    out << QStringLiteral("  memoria pico     exportación %1 MB, importación %2 MB (archivo %3 MB)")
               .arg(exporta.kb / 1024.0, 0, 'f', 1)
               .arg(importa.kb / 1024.0, 0, 'f', 1)
               .arg(QFileInfo(archivo).size() / 1048576.0, 0, 'f', 1)
        << Qt::endl;
    memoriaRevision(importa.kb, revision.kb);

    for (const QString& base : {origen, destino, carga})
        c->ejecuta(QStringLiteral("DROP DATABASE %1").arg(host::Conexion::identificador(base)));
    quitaSinBitacora(*c);
    for (const QString& f : {archivo, salidaEnc, salidaRen})
        QFile::remove(f);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const unsigned puerto =
        opcion(args, QStringLiteral("--puerto"), QStringLiteral("3425")).toUInt();
    host::BasesDD bases = servidor(puerto);
    try {
        if (!args.isEmpty() && args[0].startsWith(QLatin1String("exportar")))
            return hijoExporta(bases, opcion(args, QStringLiteral("--base")),
                               opcion(args, QStringLiteral("--archivo")),
                               args[0] != QLatin1String("exportar"),
                               args[0] == QLatin1String("exportar-por-tandas")
                                   ? exportacion::PlanLectura::PorTandas
                               : args[0] == QLatin1String("exportar-por-pasadas")
                                   ? exportacion::PlanLectura::PorPasadas
                                   : exportacion::PlanLectura::Automatico);
        if (!args.isEmpty() &&
            (args[0] == QLatin1String("importar") || args[0] == QLatin1String("revisar"))) {
            if (args.contains(QStringLiteral("--usuario"))) {
                bases.cUsuario = opcion(args, QStringLiteral("--usuario"));
                bases.cPassword = QStringLiteral("banco");
            }
            return hijoImporta(bases, opcion(args, QStringLiteral("--base")),
                               opcion(args, QStringLiteral("--archivo")),
                               args[0] == QLatin1String("revisar"));
        }
        if (!args.isEmpty() && args[0] == QLatin1String("deshacer"))
            return hijoDeshace(bases, opcion(args, QStringLiteral("--base")),
                               opcion(args, QStringLiteral("--corrida")));

        QList<int> tallas, memoria, soloDeshaceres, soloBitacoras;
        for (int i = 0; i < args.size(); ++i) {
            if (args[i] == QLatin1String("--pedidos") && i + 1 < args.size())
                tallas << args[++i].toInt();
            else if (args[i] == QLatin1String("--memoria") && i + 1 < args.size())
                memoria << args[++i].toInt();
            else if (args[i] == QLatin1String("--deshacer") && i + 1 < args.size())
                soloDeshaceres << args[++i].toInt();
            else if (args[i] == QLatin1String("--bitacora") && i + 1 < args.size())
                soloBitacoras << args[++i].toInt();
        }
        if (tallas.isEmpty() && memoria.isEmpty() && soloDeshaceres.isEmpty() &&
            soloBitacoras.isEmpty())
            tallas = {20000, 100000};
        const QString carpeta =
            QDir(opcion(args, QStringLiteral("--carpeta"), QDir::tempPath())).absolutePath();
        QDir().mkpath(carpeta);
        const int repeticiones = std::max(
            1, opcion(args, QStringLiteral("--repeticiones"), QStringLiteral("3")).toInt());
        for (int n : tallas)
            unaTalla(bases, puerto, carpeta, n, repeticiones);
        for (int n : memoria)
            soloMemoria(bases, puerto, carpeta, n);
        for (int n : soloDeshaceres)
            soloDeshacer(bases, puerto, carpeta, n, repeticiones);
        for (int n : soloBitacoras)
            soloBitacora(bases, puerto, carpeta, n, repeticiones);
        return 0;
    } catch (const std::exception& e) {
        QTextStream(stderr) << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
}
