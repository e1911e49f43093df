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
    // Name, help, the value's name, default.
    const char* const tabla[][4] = {
        {"servidor", "Servidor.", "S", "127.0.0.1"},
        {"puerto", "Puerto.", "N", "3306"},
        {"usuario", "Usuario.", "U", "root"},
        {"password", "Contraseña.", "P", ""},
        {"empresas", "Otras empresas.", "N", "3"},
        {"pedidos", "Pedidos por empresa.", "N", "40"},
        {"renglones", "Renglones por pedido.", "N", "4"},
        {"pendientes", "Proporción de renglones pendientes.", "F", "0.5"},
        {"prefijo", "Prefijo de las bases.", "TEXTO", "empresa"},
        {"semilla", "Semilla.", "N", "7"},
    };
    for (const auto& o : tabla)
        opciones.addOption({QString::fromUtf8(o[0]), QString::fromUtf8(o[1]),
                            QString::fromUtf8(o[2]), QString::fromUtf8(o[3])});
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
