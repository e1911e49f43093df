// Takes the pictures of the program's windows for the documentation (scripts/screenshots):
//   acumulapedidos-capturas --ini FILE [--principal NAME] DIR
// It opens the main window as the program does, with the program's configuration, drives
// it and saves the pictures into DIR. It ends with 1 when a picture is missing.
#include "app/capturas/Capturas.h"
#include "app/ventanas/frmInicial.h"
#include "shell/Programa.h"
#include "shell/TraduccionQt.h"
#include "shell/ventanas/EstiloFoco.h"
#include "shell/ventanas/MarcoVentana.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser linea;
    linea.setApplicationDescription(
        QStringLiteral("Guarda en CARPETA las imágenes de las ventanas del programa."));
    linea.addHelpOption();
    const QCommandLineOption ini(QStringLiteral("ini"),
                                 QStringLiteral("Archivo de configuración del programa."),
                                 QStringLiteral("ARCHIVO"));
    linea.addOption(ini);
    const QCommandLineOption solo(
        QStringLiteral("principal"),
        QStringLiteral("Sólo la ventana principal, guardada como NOMBRE."),
        QStringLiteral("NOMBRE"));
    linea.addOption(solo);
    linea.addPositionalArgument(QStringLiteral("CARPETA"),
                                QStringLiteral("Dónde se guardan las imágenes."));
    linea.process(app);
    if (linea.positionalArguments().size() != 1)
        linea.showHelp(1);

    traduccionQt::instala();
    EstiloFoco::instala();
    QApplication::setWindowIcon(MarcoVentana::icono());
    Programa programa;
    // As the program beside this tool would start: its name gives its files' names.
    const QString ejecutable =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("acumulapedidos"));
    std::unique_ptr<frmInicial> ventana = frmInicial::carga(programa, ejecutable, linea.value(ini));
    if (!ventana)
        return 1;
    ventana->show();
    Capturas capturas(*ventana, linea.positionalArguments().constFirst());
    if (linea.isSet(solo))
        return capturas.tomaPrincipal(linea.value(solo)) ? 0 : 1;
    return capturas.toma() ? 0 : 1;
}
