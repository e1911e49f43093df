// Drives the program's own windows (offscreen) against a server with demo data and times
// how long their event loop goes without turning while they work: an export from the
// export window, an import of that file in the import window, and a search and a
// generation in the accumulation tab, and the export window listing a large database (its
// search, marking and unmarking all, and scrolling to the end). Also times a start-up to the
// main window's first paint, in a process of its own, and the search's first result line.
//
//   bench_ventanas [--puerto P] [--exportar N] [--listar N] [--generar N] [--arranques R]
//   bench_ventanas --arranque CARPETA   (the start-up run, started by the benchmark)
#include "Latido.h"
#include "accumulation/ventanas/TabAcumular.h"
#include "app/ventanas/frmInicial.h"
#include "db/GeneradorDemo.h"
#include "export/ventanas/BajarPedidos.h"
#include "import/ventanas/Subir.h"
#include "shell/Programa.h"
#include "shell/host/BasesDD.h"
#include "shell/host/Recordset.h"
#include "shell/host/Utilerias.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/CampoTexto.h"
#include "shell/ventanas/MarcoVentana.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

using host::Conexion;

namespace {

QTextStream out(stdout);

constexpr double kMetaHueco = 100;    // ms
constexpr double kMetaP99 = 30;       // ms
constexpr double kMetaArranque = 500; // ms

const QString kActual = QStringLiteral("ventanas1");
const QString kExportar = QStringLiteral("ventanas_exportar");
const QString kImportar = QStringLiteral("ventanas_importar");
const QString kListar = QStringLiteral("ventanas_listar");

int opcion(const QStringList& args, const char* nombre, int omision) {
    const qsizetype i = args.indexOf(QStringLiteral("--") + QLatin1String(nombre));
    return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : omision;
}

// Turns the event loop until listo() holds, looking every 5 ms; never sleeps, so the
// heartbeat's gaps are the windows' own.
void espera(const std::function<bool()>& listo, const char* que) {
    const QDeadlineTimer limite(std::chrono::minutes(15));
    QEventLoop bucle;
    QTimer sondeo;
    QObject::connect(&sondeo, &QTimer::timeout, &bucle, [&] {
        if (listo() || limite.hasExpired())
            bucle.quit();
    });
    sondeo.start(5);
    if (!listo())
        bucle.exec();
    if (!listo())
        throw std::runtime_error(std::string("no terminó a tiempo: ") + que);
}

template <typename T = QWidget> T* hijo(QObject& padre, const char* nombre) {
    T* h = padre.findChild<T*>(QString::fromUtf8(nombre));
    if (!h)
        throw std::runtime_error(std::string("no existe ") + nombre);
    return h;
}

void escribe(const QString& ruta, const QByteArray& bytes) {
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("no se pudo escribir " + ruta.toStdString());
}

qint64 cuenta(Conexion& c, const QString& base) {
    return c
        .consulta(
            QStringLiteral("SELECT COUNT(*) FROM %1.pedidos").arg(Conexion::identificador(base)))
        ->entero(0);
}

// The last message box shown, which says how the operation ended.
QString ultimoMensaje() {
    const auto registro = CajaMensaje::registro();
    return registro.isEmpty() ? QString() : registro.last().mensaje;
}

void exige(bool condicion, const QString& que) {
    if (!condicion)
        throw std::runtime_error(que.toStdString() +
                                 " (último mensaje: " + ultimoMensaje().toStdString() + ")");
}

// The program installed in a scratch folder, set up for the benchmark's databases.
struct Instalacion {
    explicit Instalacion(unsigned puerto) {
        QDir(dir.path()).mkpath(QStringLiteral("korvan"));
        escribe(dir.filePath(QStringLiteral("korvan/korvan.krx")),
                "[Instalacion]\nMySQLServer=127.0.0.1\nMySQLPuerto=" + QByteArray::number(puerto) +
                    "\nMySQLUsuario=" + host::Utilerias::Encripta(QStringLiteral("root")).toUtf8() +
                    "\n");
        escribe(dir.filePath(QStringLiteral("acumulapedidos.ini")),
                "[Configuración]\nRuta de Korvan Maestro=" +
                    dir.filePath(QStringLiteral("korvan")).toUtf8() +
                    "\nBase de datos principal=" + kActual.toUtf8() +
                    "\n[Otras bases de datos]\nPara exportar pedidos=" + kExportar.toUtf8() +
                    "\nPara importar pedidos=" + kImportar.toUtf8() + "\n");
    }
    QString ejecutable() const { return dir.filePath(QStringLiteral("acumulapedidos")); }

    QTemporaryDir dir;
};

// The demo companies (all their lines pending, so every order is found and moved), a
// company to export from and an empty one to import into.
demo::Parametros preparaDatos(Conexion& c, int exportar, int listar, int generar) {
    demo::Parametros p;
    p.prefijo = QStringLiteral("ventanas");
    p.empresas = 4;
    p.pedidos = generar / p.empresas;
    p.renglones = 4;
    p.pendientes = 1.0;
    demo::generaDemo(c, p);
    demo::Parametros e = p;
    e.pedidos = exportar;
    demo::creaBaseEmpresa(c, kExportar);
    demo::llenaEmpresa(c, kExportar, e, 9);
    demo::creaBaseEmpresa(c, kImportar);
    c.ejecuta(QStringLiteral("INSERT INTO %1.productos SELECT * FROM %2.productos")
                  .arg(Conexion::identificador(kImportar), Conexion::identificador(kExportar)));
    // The list only: one line per order is enough.
    demo::Parametros l = e;
    l.pedidos = listar;
    l.renglones = 1;
    demo::creaBaseEmpresa(c, kListar);
    demo::llenaEmpresa(c, kListar, l, 11);
    return p;
}

struct Medida {
    QString que;
    double mayor = 0, p99 = 0, segundos = 0;
    qsizetype latidos = 0;
};

// Runs trabajo with the heartbeat on; trabajo returns once the window is done.
Medida mide(const QString& que, const std::function<void()>& trabajo) {
    Latido latido;
    QElapsedTimer reloj;
    reloj.start();
    latido.empieza();
    trabajo();
    latido.para();
    return {que, latido.mayorMs(), latido.percentil99Ms(), double(reloj.elapsed()) / 1000,
            latido.latidos()};
}

template <typename T> T* abreVentana(frmInicial& v, const char* boton) {
    hijo<QPushButton>(v, boton)->click();
    // A window closed outside any event loop is deleted only later: the one shown is the one.
    T* ventana = nullptr;
    espera(
        [&] {
            for (T* w : v.findChildren<T*>())
                if (w->isVisible())
                    ventana = w;
            return ventana != nullptr;
        },
        boton);
    return ventana;
}

// The export window with no dates, so that its search lists every order of its database.
BajarPedidos* abreExportar(frmInicial& v) {
    auto* b = abreVentana<BajarPedidos>(v, "Command2");
    hijo<QLineEdit>(*b, "mkeFecha(0)")->clear();
    hijo<QLineEdit>(*b, "mkeFecha(1)")->clear();
    return b;
}

// The export window's search, which must list every order.
void busca(BajarPedidos& b, int pedidos) {
    hijo<QPushButton>(b, "cmdAceptar")->click();
    espera([&] { return !b.ocupado(); }, "la búsqueda de la exportación");
    exige(hijo<QTableView>(b, "mhgReja")->model()->rowCount() == pedidos,
          QStringLiteral("la búsqueda no halló todo"));
}

// Every order of the export database, searched and written to the file in the export
// window; gives the file's name.
Medida exporta(frmInicial& v, int pedidos, const QString& destino, const QString& archivo) {
    auto* b = abreExportar(v);
    const Medida m = mide(QStringLiteral("Exportación de %1 pedidos").arg(pedidos), [&] {
        busca(*b, pedidos);
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        hijo<QPushButton>(*b, "cmdProceder")->click();
        auto* unidad = hijo<QComboBox>(*b, "Drive1");
        unidad->addItem(destino, destino);
        unidad->setCurrentIndex(unidad->count() - 1);
        hijo<QLineEdit>(*b, "txtArchivo")->setText(archivo);
        hijo<QPushButton>(*b, "cmdProceder")->click();
        espera([&] { return !b->ocupado(); }, "la exportación");
    });
    exige(QFile::exists(QDir(destino).filePath(archivo)),
          QStringLiteral("la exportación no escribió el archivo"));
    b->close();
    return m;
}

// The export window over a database of many orders: every order listed, all marked and
// unmarked again (the count line sums them each time), the grid scrolled to its end.
Medida lista(frmInicial& v, Programa& programa, int pedidos) {
    const QString antes = std::exchange(programa.baseExportar, kListar);
    auto* b = abreExportar(v);
    auto* reja = hijo<QTableView>(*b, "mhgReja");
    const Medida m = mide(QStringLiteral("Lista de %1 pedidos").arg(pedidos), [&] {
        busca(*b, pedidos);
        hijo<QPushButton>(*b, "cmdMarcarTodos")->click();
        QCoreApplication::processEvents();
        hijo<QPushButton>(*b, "cmdDesmarcarTodos")->click();
        QCoreApplication::processEvents();
        reja->scrollToBottom();
        QCoreApplication::processEvents();
    });
    b->close();
    programa.baseExportar = antes;
    return m;
}

Medida importa(frmInicial& v, Conexion& c, int pedidos, const QString& archivo) {
    auto* s = abreVentana<Subir>(v, "Command3");
    hijo<QLineEdit>(*s, "txtArchivo")->setText(archivo);
    const Medida m = mide(QStringLiteral("Importación de %1 pedidos").arg(pedidos), [&] {
        // The question after the preview.
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        hijo<QPushButton>(*s, "cmdAceptar")->click();
        espera([&] { return v.findChild<Subir*>() == nullptr; }, "la importación");
    });
    exige(cuenta(c, kImportar) == pedidos, QStringLiteral("la importación no subió todo"));
    return m;
}

struct Acumulacion {
    Medida busqueda, generacion;
    double primerRenglonMs = -1;
};

Acumulacion acumula(frmInicial& v, Conexion& c, const demo::Parametros& p, int pedidos) {
    hijo<QPushButton>(v, "Command1")->click();
    auto* tab = hijo<TabAcumular>(v, "TabAcumular");
    espera([&] { return !tab->leyendo(); }, "la serie y el folio");
    CampoTexto::ponFecha(*hijo<QLineEdit>(*tab, "mskFecha(0)"), p.desde);
    CampoTexto::ponFecha(*hijo<QLineEdit>(*tab, "mskFecha(1)"), p.hasta);
    auto* resultado = hijo<QPlainTextEdit>(*tab, "txtResultado");
    Acumulacion a;
    QElapsedTimer reloj;
    QMetaObject::Connection primera =
        QObject::connect(resultado, &QPlainTextEdit::textChanged, resultado, [&] {
            if (resultado->document()->isEmpty())
                return;
            a.primerRenglonMs = double(reloj.nsecsElapsed()) / 1e6;
            QObject::disconnect(primera);
        });
    a.busqueda = mide(QStringLiteral("Búsqueda de %1 pedidos").arg(pedidos), [&] {
        reloj.start();
        hijo<QPushButton>(*tab, "Command4")->click();
        espera([&] { return !tab->ocupado(); }, "la búsqueda");
    });
    QObject::disconnect(primera);
    const qint64 antes = cuenta(c, kActual);
    a.generacion = mide(QStringLiteral("Generación de %1 pedidos").arg(pedidos), [&] {
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        hijo<QPushButton>(*tab, "Command5")->click();
        espera([&] { return !tab->ocupado(); }, "la generación");
    });
    exige(cuenta(c, kActual) - antes == pedidos, QStringLiteral("la generación no movió todo"));
    return a;
}

// The start-up run: the program's own start on the installation, until the main window's
// first paint, which it reports on standard output.
class PrimeraPintura : public QObject {
public:
    bool eventFilter(QObject*, QEvent* evento) override {
        if (evento->type() == QEvent::Paint && !visto_) {
            visto_ = true;
            out << "pintada" << Qt::endl;
            // Not quit(): that closes the windows, and the main window asks first.
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return false;
    }

private:
    bool visto_ = false;
};

int arranca(int argc, char** argv, const QString& carpeta) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(MarcoVentana::icono());
    Programa programa;
    std::unique_ptr<frmInicial> ventana =
        frmInicial::carga(programa, QDir(carpeta).filePath(QStringLiteral("acumulapedidos")));
    if (!ventana)
        return 1;
    PrimeraPintura pintura;
    ventana->installEventFilter(&pintura);
    ventana->show();
    return app.exec();
}

// Milliseconds from each start of the process to the first paint, sorted.
std::vector<double> arranques(const Instalacion& instalacion, int veces) {
    std::vector<double> tiempos;
    for (int i = 0; i < veces; ++i) {
        QProcess proceso;
        proceso.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer reloj;
        reloj.start();
        proceso.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--arranque"), instalacion.dir.path()});
        if (!proceso.waitForReadyRead(30000))
            throw std::runtime_error("el arranque no pintó la ventana");
        tiempos.push_back(double(reloj.nsecsElapsed()) / 1e6);
        proceso.waitForFinished(30000);
    }
    std::sort(tiempos.begin(), tiempos.end());
    return tiempos;
}

QString veredicto(bool cumple) {
    return cumple ? QStringLiteral("cumple") : QStringLiteral("NO CUMPLE");
}

bool informa(const Medida& m, bool conMeta = true) {
    const bool cumple = m.mayor <= kMetaHueco && m.p99 <= kMetaP99;
    out << QStringLiteral("%1: hueco mayor %2 ms, percentil 99 %3 ms (%4 latidos en %5 s): %6")
               .arg(m.que.leftJustified(30))
               .arg(m.mayor, 6, 'f', 1)
               .arg(m.p99, 5, 'f', 1)
               .arg(m.latidos)
               .arg(m.segundos, 0, 'f', 1)
               .arg(conMeta ? veredicto(cumple) : QStringLiteral("sin meta"))
        << Qt::endl;
    return cumple;
}

QString cargaDelSistema() {
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(' ', 0, 2)
                                       : QStringLiteral("?");
}

int banco(int argc, char** argv) {
    QApplication app(argc, argv);
    CajaMensaje::modoPruebas(true);
    CajaMensaje::anota(true);
    const QStringList args = app.arguments();
    const unsigned puerto = unsigned(opcion(args, "puerto", 3445));
    const int exportar = opcion(args, "exportar", 20000);
    const int listar = opcion(args, "listar", 100000);
    const int generar = opcion(args, "generar", 10000) / 4 * 4;

    host::BasesDD servidor;
    servidor.cRuta = QStringLiteral("127.0.0.1");
    servidor.cPuerto = puerto;
    servidor.cUsuario = QStringLiteral("root");
    auto c = servidor.abre(QString());
    out << "Datos: " << generar << " pedidos pendientes en 4 empresas, " << exportar
        << " pedidos para exportar, " << listar << " para listar…" << Qt::endl;
    const demo::Parametros p = preparaDatos(*c, exportar, listar, generar);

    Instalacion instalacion(puerto);
    const std::vector<double> inicio = arranques(instalacion, opcion(args, "arranques", 5));

    Programa programa;
    std::unique_ptr<frmInicial> v = frmInicial::carga(programa, instalacion.ejecutable());
    if (!v)
        throw std::runtime_error("la ventana principal no cargó");
    v->show();
    espera([&] { return !v->primeraActivacionPendiente(); }, "la ventana principal");

    // The same heartbeat with the window idle: what the machine's load alone costs it.
    const Medida reposo = mide(QStringLiteral("Reposo (referencia)"), [] {
        QEventLoop bucle;
        QTimer::singleShot(3000, &bucle, &QEventLoop::quit);
        bucle.exec();
    });

    QTemporaryDir destino;
    const QString archivo = QStringLiteral("ventanas.txt");
    std::vector<Medida> medidas;
    medidas.push_back(exporta(*v, exportar, destino.path(), archivo));
    medidas.push_back(importa(*v, *c, exportar, archivo));
    medidas.push_back(lista(*v, programa, listar));
    const Acumulacion a = acumula(*v, *c, p, generar);
    medidas.push_back(a.busqueda);
    medidas.push_back(a.generacion);

    out << QStringLiteral("\nLatido de %1 ms; metas: hueco mayor <= %2 ms, percentil 99 <= %3 "
                          "ms, arranque <= %4 s. Carga del sistema: %5")
               .arg(Latido::kIntervalo)
               .arg(kMetaHueco)
               .arg(kMetaP99)
               .arg(kMetaArranque / 1000)
               .arg(cargaDelSistema())
        << Qt::endl;
    informa(reposo, false);
    bool todo = true;
    for (const Medida& m : medidas)
        todo = informa(m) && todo;
    const bool arranqueCumple = inicio.front() <= kMetaArranque;
    todo = todo && arranqueCumple;
    out << QStringLiteral("Arranque hasta la primera pintura: mejor %1 ms, mediana %2 ms (%3 "
                          "arranques): %4")
               .arg(inicio.front(), 0, 'f', 0)
               .arg(inicio[inicio.size() / 2], 0, 'f', 0)
               .arg(inicio.size())
               .arg(veredicto(arranqueCumple))
        << Qt::endl;
    out << QStringLiteral("\"Buscar pedidos\" hasta el primer renglón: %1 ms")
               .arg(a.primerRenglonMs, 0, 'f', 0)
        << Qt::endl;
    // The close question answered, so the window goes as the user would close it.
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    v->close();
    return todo ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && QByteArray(argv[1]) == "--arranque")
        return arranca(argc, argv, QString::fromLocal8Bit(argv[2]));
    try {
        return banco(argc, argv);
    } catch (const host::ErrorBdD& e) {
        QTextStream(stderr) << e.mensaje() << Qt::endl;
    } catch (const std::exception& e) {
        QTextStream(stderr) << QString::fromStdString(e.what()) << Qt::endl;
    }
    return 1;
}
