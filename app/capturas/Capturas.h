#pragma once

#include <QDir>
#include <QString>

class QPixmap;
class QWidget;
class frmBitacora;
class frmInicial;

// Saves pictures of the program's windows for the documentation: the main window, the
// accumulation tab after a search, the report of the accumulation that follows, the export
// window after a search, the import window with its file dialog and a text box's context
// menu (Qt's own texts, in Spanish), the operations journal with a past run's report, and the
// preview of an undo.
// It drives the windows as a user would, by their controls' names, and answers every
// message box with its default button so that nothing waits for a person.
class Capturas {
public:
    Capturas(frmInicial& ventana, const QString& carpeta);
    // True when every picture was saved; says on the error output what it could not do.
    bool toma();
    // Only the main window, as it first opens (under another screen or scaling).
    bool tomaPrincipal(const QString& nombre);

private:
    bool guarda(QWidget& ventana, const QString& nombre);
    bool guarda(const QPixmap& imagen, const QString& nombre);
    // The file dialog of "Examinar" and a text box's context menu, in the import window.
    void tomaTextosDeQt(QWidget& importar);
    // Clicks the button; false (and says so) when the window has no such button enabled.
    bool pulsa(QWidget& donde, const QString& boton);
    void escribe(QWidget& donde, const QString& campo, const QString& texto);
    // "Deshacer…" on the journal's newest run that can be undone, and its preview.
    void deshacer(frmBitacora& bitacora);

    frmInicial& ventana_;
    QDir carpeta_;
    bool todoBien_ = true;
};
