#include "shell/Arranque.h"
#include "shell/AvisosConsola.h"
#include "shell/ComandoVerificar.h"
#include "shell/Comandos.h"
#include "shell/LineaOrdenes.h"
#include "shell/Programa.h"

#include <QCoreApplication>
#include <QMap>

namespace {

using Orden = int (*)(Programa&, const QStringList&, QTextStream&, QTextStream&);

const QMap<QString, Orden>& ordenes() {
    static const QMap<QString, Orden> tabla{
        {QStringLiteral("verificar"), comandos::verificar},
        {QStringLiteral("buscar"), comandos::buscar},
        {QStringLiteral("acumular"), comandos::acumular},
        {QStringLiteral("exportar"), comandos::exportar},
        {QStringLiteral("importar"), comandos::importar},
    };
    return tabla;
}

// The run without a command. The windows are not built yet: until they are, it says so and
// shows what the program would work on.
int abreVentanas(Programa& programa, QTextStream& salida, QTextStream& errores) {
    salida << QStringLiteral("Las ventanas del programa todavía no están disponibles; se "
                             "comprueban las bases de datos configuradas.")
           << Qt::endl;
    comandos::verificar(programa, {}, salida, errores);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream salida(stdout);
    QTextStream errores(stderr);

    const LineaOrdenes linea = LineaOrdenes::interpreta(app.arguments().mid(1));
    QString error = linea.error;
    if (error.isEmpty() && !linea.orden.isEmpty() && !ordenes().contains(linea.orden))
        error = QStringLiteral("Orden desconocida: %1").arg(linea.orden);
    if (!error.isEmpty()) {
        errores << error << Qt::endl << LineaOrdenes::uso() << Qt::endl;
        return 1;
    }

    Programa programa;
    programa.avisos = std::make_unique<AvisosConsola>(errores);
    if (!arranque::arranca(programa, QCoreApplication::applicationFilePath(), linea.archivoIni))
        return 1;
    if (linea.orden.isEmpty())
        return abreVentanas(programa, salida, errores);
    // verificar reports each database itself; the other commands need the server.
    if (linea.orden != QStringLiteral("verificar") && !arranque::compruebaConexion(programa))
        return 1;
    return ordenes().value(linea.orden)(programa, linea.argumentos, salida, errores);
}
