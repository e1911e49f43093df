#include "app/Comandos.h"
#include "app/LineaOrdenes.h"
#include "app/ventanas/frmInicial.h"
#include "shell/Arranque.h"
#include "shell/AvisosConsola.h"
#include "shell/Programa.h"
#include "shell/TraduccionQt.h"
#include "shell/ventanas/AjustePantalla.h"
#include "shell/ventanas/EstiloFoco.h"
#include "shell/ventanas/MarcoVentana.h"

#include <QApplication>

namespace {

QStringList argumentos(int argc, char** argv) {
    QStringList lista;
    for (int i = 1; i < argc; ++i)
        lista << QString::fromLocal8Bit(argv[i]);
    return lista;
}

// The run without a command: the main window, until the user closes it.
int abreVentanas(int argc, char** argv, const LineaOrdenes& linea) {
    QApplication app(argc, argv);
    traduccionQt::instala();
    AjustePantalla::instala();
    EstiloFoco::instala();
    QApplication::setWindowIcon(MarcoVentana::icono());
    Programa programa;
    std::unique_ptr<frmInicial> ventana =
        frmInicial::carga(programa, QCoreApplication::applicationFilePath(), linea.archivoIni);
    if (!ventana)
        return 1;
    ventana->show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    QTextStream errores(stderr);
    QTextStream salida(stdout);
    const LineaOrdenes linea = LineaOrdenes::interpreta(argumentos(argc, argv));
    if (!linea.error.isEmpty()) {
        errores << linea.error << Qt::endl << linea.uso() << Qt::endl;
        return 1;
    }
    if (linea.ayuda || linea.version) {
        salida << (linea.ayuda ? linea.textoAyuda() : LineaOrdenes::textoVersion() + u'\n');
        return 0;
    }
    if (linea.orden.isEmpty())
        return abreVentanas(argc, argv, linea);

    QCoreApplication app(argc, argv);
    Programa programa;
    programa.avisos = std::make_unique<AvisosConsola>(errores);
    if (!arranque::arranca(programa, QCoreApplication::applicationFilePath(), linea.archivoIni))
        return 1;
    // verificar reports each database itself; the other commands need the server.
    if (linea.orden != QStringLiteral("verificar") && !arranque::compruebaConexion(programa))
        return 1;
    return comandos::orden(linea.orden)->ejecuta(programa, linea.argumentos, salida, errores);
}
