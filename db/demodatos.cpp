// Loads the demo databases into a server:
//   acumulapedidos-demodatos [--servidor S] [--puerto N] [--usuario U] [--password P]
//                            [--empresas N] [--pedidos N] [--renglones N] [--pendientes F]
//                            [--prefijo TEXTO] [--semilla N]
#include "db/GeneradorDemo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser opciones;
    opciones.setApplicationDescription(QStringLiteral("Carga las bases de datos de demostración."));
    opciones.addHelpOption();
    const QList<QCommandLineOption> lista = {
        {QStringLiteral("servidor"), QStringLiteral("Servidor."), QStringLiteral("S"),
         QStringLiteral("127.0.0.1")},
        {QStringLiteral("puerto"), QStringLiteral("Puerto."), QStringLiteral("N"),
         QStringLiteral("3306")},
        {QStringLiteral("usuario"), QStringLiteral("Usuario."), QStringLiteral("U"),
         QStringLiteral("root")},
        {QStringLiteral("password"), QStringLiteral("Contraseña."), QStringLiteral("P"), QString()},
        {QStringLiteral("empresas"), QStringLiteral("Otras empresas."), QStringLiteral("N"),
         QStringLiteral("3")},
        {QStringLiteral("pedidos"), QStringLiteral("Pedidos por empresa."), QStringLiteral("N"),
         QStringLiteral("40")},
        {QStringLiteral("renglones"), QStringLiteral("Renglones por pedido."), QStringLiteral("N"),
         QStringLiteral("4")},
        {QStringLiteral("pendientes"), QStringLiteral("Proporción de renglones pendientes."),
         QStringLiteral("F"), QStringLiteral("0.5")},
        {QStringLiteral("prefijo"), QStringLiteral("Prefijo de las bases."),
         QStringLiteral("TEXTO"), QStringLiteral("empresa")},
        {QStringLiteral("semilla"), QStringLiteral("Semilla."), QStringLiteral("N"),
         QStringLiteral("7")},
    };
    opciones.addOptions(lista);
    opciones.process(app);

    host::ParametrosConexion c;
    c.servidor = opciones.value(QStringLiteral("servidor"));
    c.puerto = opciones.value(QStringLiteral("puerto")).toUInt();
    c.usuario = opciones.value(QStringLiteral("usuario"));
    c.password = opciones.value(QStringLiteral("password"));
    demo::Parametros p;
    p.empresas = opciones.value(QStringLiteral("empresas")).toInt();
    p.pedidos = opciones.value(QStringLiteral("pedidos")).toInt();
    p.renglones = opciones.value(QStringLiteral("renglones")).toInt();
    p.pendientes = opciones.value(QStringLiteral("pendientes")).toDouble();
    p.prefijo = opciones.value(QStringLiteral("prefijo"));
    p.semilla = opciones.value(QStringLiteral("semilla")).toUInt();
    try {
        auto conexion = host::Conexion::abrir(c);
        const QStringList bases = demo::generaDemo(*conexion, p);
        std::printf("Bases de demostración: generalkorvan, %s\n",
                    qPrintable(bases.join(QStringLiteral(", "))));
        return 0;
    } catch (const host::ErrorBdD& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.mensaje()));
        return 1;
    }
}
