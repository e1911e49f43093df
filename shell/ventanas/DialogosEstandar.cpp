#include "shell/ventanas/DialogosEstandar.h"

#include "shell/ventanas/CajaMensaje.h"

#include <QDir>
#include <QFileDialog>
#include <QMutex>
#include <QPrintDialog>
#include <QPrinter>
#include <QQueue>
#include <optional>

namespace {

QMutex candado;
QQueue<QString> archivos;
QQueue<QString> carpetas;
QQueue<QString> impresiones;

// The queued answer, or none when the real dialog is to be shown; in test mode an empty
// queue cancels.
std::optional<QString> respuesta(QQueue<QString>& cola) {
    QMutexLocker l(&candado);
    if (!cola.isEmpty())
        return cola.dequeue();
    if (CajaMensaje::enPruebas())
        return QString();
    return std::nullopt;
}

} // namespace

QString DialogosEstandar::archivoParaGuardar(QWidget* padre, const QString& titulo,
                                             const QString& propuesto) {
    if (const std::optional<QString> r = respuesta(archivos))
        return *r;
    return QFileDialog::getSaveFileName(padre, titulo, QDir::home().filePath(propuesto),
                                        QStringLiteral("Texto (*.txt);;Todos los archivos (*)"));
}

QString DialogosEstandar::carpeta(QWidget* padre, const QString& titulo, const QString& inicial) {
    if (const std::optional<QString> r = respuesta(carpetas))
        return *r;
    return QFileDialog::getExistingDirectory(padre, titulo, inicial);
}

bool DialogosEstandar::eligeImpresora(QPrinter& impresora, QWidget* padre) {
    if (const std::optional<QString> r = respuesta(impresiones)) {
        if (r->isEmpty())
            return false;
        impresora.setOutputFormat(QPrinter::PdfFormat);
        impresora.setOutputFileName(*r);
        return true;
    }
    QPrintDialog dialogo(&impresora, padre);
    return dialogo.exec() == QDialog::Accepted;
}

void DialogosEstandar::siguienteArchivo(const QString& ruta) {
    QMutexLocker l(&candado);
    archivos.enqueue(ruta);
}

void DialogosEstandar::siguienteCarpeta(const QString& ruta) {
    QMutexLocker l(&candado);
    carpetas.enqueue(ruta);
}

void DialogosEstandar::siguienteImpresion(const QString& rutaPdf) {
    QMutexLocker l(&candado);
    impresiones.enqueue(rutaPdf);
}
