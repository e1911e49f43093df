// A send of a generated company's orders through a relay that delays every byte 0, 10 and
// 50 ms each way, against its baseline measured in the same run: an export to a folder
// followed by an import of that file, straight to the server. Prints the time, the
// statements, the round trips and the connections the send made on the destination's link for
// each delay: for a fresh destination, and for the same orders sent there again.
//
//   bench_envio [--puerto P] [--carpeta DIR] [--pedidos N] [--renglones R]
#include "ReleLento.h"

#include "db/GeneradorDemo.h"
#include "export/Exportacion.h"
#include "import/Importacion.h"
#include "send/Envio.h"
#include "shell/host/BasesDD.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>
#include <cstdio>

namespace {

QTextStream out(stdout);

QString opcion(const QStringList& args, const QString& nombre, const QString& omision) {
    const int i = args.indexOf(nombre);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : omision;
}

void nuevaEmpresa(host::Conexion& admin, const QString& base) {
    demo::creaBaseEmpresa(admin, base);
    demo::Parametros vacia;
    vacia.pedidos = 0;
    demo::llenaEmpresa(admin, base, vacia, 2);
}

QVector<qint64> todos(host::Conexion& c) {
    QVector<qint64> ids;
    auto rs = c.consulta(QStringLiteral("SELECT Id FROM pedidos ORDER BY Fecha, Id"));
    for (; !rs->eof(); rs->MoveNext())
        ids << rs->entero(0);
    return ids;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    host::BasesDD bases;
    bases.cRuta = QStringLiteral("127.0.0.1");
    bases.cPuerto = opcion(args, QStringLiteral("--puerto"), QStringLiteral("3425")).toUInt();
    bases.cUsuario = QStringLiteral("root");
    const QString carpeta = opcion(args, QStringLiteral("--carpeta"),
                                   QDir::temp().filePath(QStringLiteral("banco-envio")));
    QDir().mkpath(carpeta);
    demo::Parametros p;
    p.pedidos = opcion(args, QStringLiteral("--pedidos"), QStringLiteral("1000")).toInt();
    p.renglones = opcion(args, QStringLiteral("--renglones"), QStringLiteral("5")).toInt();
    try {
        auto admin = bases.abre({});
        const QString origen = QStringLiteral("banco_envio_origen");
        demo::creaBaseEmpresa(*admin, origen);
        demo::llenaEmpresa(*admin, origen, p, 1);
        auto conexion = bases.abre(origen);
        const QVector<qint64> ids = todos(*conexion);
        out << "Envío de " << ids.size() << " pedidos de " << p.renglones << " renglones"
            << Qt::endl;

        // The baseline: the USB way, with no delay.
        const QString destino = QStringLiteral("banco_envio_destino");
        nuevaEmpresa(*admin, destino);
        QElapsedTimer t;
        t.start();
        const auto e =
            exportacion::ExportaPedidos(*conexion, ids, QStringLiteral("base"), carpeta, carpeta);
        const auto i = importacion::SubePedidos(bases, destino, e.archivo, carpeta);
        const double base = double(t.nsecsElapsed()) / 1e6;
        if (!e.ok || !i.ok) {
            QTextStream(stderr) << e.mensaje << '\n' << i.mensaje << Qt::endl;
            return 1;
        }
        out << QStringLiteral("  exportar + importar (sin retraso): %1 ms").arg(base, 0, 'f', 0)
            << Qt::endl;

        for (const int retraso : {0, 10, 50}) {
            nuevaEmpresa(*admin, destino);
            envio::Destino d;
            d.nombre = QStringLiteral("banco");
            d.servidor = QStringLiteral("127.0.0.1");
            d.base = destino;
            d.usuario = QStringLiteral("root");
            d.cifrado = false;
            // The first send to a fresh destination (which creates its journal), then the
            // same orders again, the common case: a destination that has received before.
            for (const bool segundo : {false, true}) {
                ReleLento rele(bases.cPuerto, retraso);
                d.puerto = rele.puerto();
                envio::OpcionesEnvio opciones;
                if (segundo)
                    opciones.importados = importacion::Importados::Repetir;
                t.restart();
                const auto r = envio::Envia(*conexion, ids, d, carpeta, {}, {}, opciones);
                const double ms = double(t.nsecsElapsed()) / 1e6;
                if (!r.ok) {
                    QTextStream(stderr) << r.mensaje << Qt::endl;
                    return 1;
                }
                QString meta;
                if (segundo)
                    meta = QStringLiteral("  (otra vez al mismo destino)");
                else if (retraso == 0)
                    meta = QStringLiteral("  %1× exportar + importar (meta ≤ 1.5×)")
                               .arg(ms / base, 0, 'f', 2);
                else if (retraso == 50)
                    meta = QStringLiteral("  (meta ≤ 5000 ms)");
                out << QStringLiteral("  enviar, %1 ms de retraso por sentido: %2 ms, %3 "
                                      "sentencias, %4 idas y vueltas, %5%6")
                           .arg(retraso)
                           .arg(ms, 0, 'f', 0)
                           .arg(rele.sentencias())
                           .arg(rele.rondas())
                           .arg(rele.conexiones() == 1
                                    ? QStringLiteral("1 conexión")
                                    : QStringLiteral("%1 conexiones").arg(rele.conexiones()))
                           .arg(meta)
                    << Qt::endl;
            }
        }
        for (const QString& b : {origen, destino})
            admin->ejecuta(
                QStringLiteral("DROP DATABASE %1").arg(host::Conexion::identificador(b)));
    } catch (const host::Error& e) {
        QTextStream(stderr) << e.mensaje() << Qt::endl;
        return 1;
    }
    return 0;
}
