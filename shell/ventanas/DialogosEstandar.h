#pragma once

#include <QString>

class QPrinter;
class QWidget;

// The system's standard dialogs that the windows ask things through: the file to save into,
// a folder and the printer. In test mode (CajaMensaje::modoPruebas) none is shown: each takes the
// answer queued for it, or cancels when there is none.
class DialogosEstandar {
public:
    // The file chosen to save into (the dialog asks before replacing one); empty when
    // cancelled. propuesto: the file name offered, in the user's home folder.
    static QString archivoParaGuardar(QWidget* padre, const QString& titulo,
                                      const QString& propuesto);
    // The folder chosen; empty when cancelled. inicial: the folder shown first.
    static QString carpeta(QWidget* padre, const QString& titulo, const QString& inicial);
    // The printer chosen and set up in the print dialog; false when cancelled.
    static bool eligeImpresora(QPrinter& impresora, QWidget* padre);

    // Test seam: the answer to the next save dialog or folder dialog (empty: cancel), and
    // the PDF file the next print goes to (empty: cancel).
    static void siguienteArchivo(const QString& ruta);
    static void siguienteCarpeta(const QString& ruta);
    static void siguienteImpresion(const QString& rutaPdf);
};
