#pragma once

#include "shell/Colocacion.h"

#include <QString>
#include <functional>

class QAbstractButton;
class QWidget;

// The window helpers on real windows: placement kept in the INI file, and the main window
// shrunk to a bar holding only its restore button and expanded back.
class AyudaVentana {
public:
    // The window's own bounds: position of its frame, size of its client area, as move()
    // and resize() take them back.
    static Geometria geometria(const QWidget& ventana);
    static void aplica(QWidget& ventana, const Geometria& g);

    // The screens as they are now, the primary first.
    static Pantallas pantallas();

    // The INI section: the window's "Tag" property when not empty, else its objectName.
    static QString seccion(const QWidget& ventana);
    // Writes the window's placement (and size with conTamano); a window shrunk to a bar is
    // saved with the bounds it will expand to.
    static bool guardaColocacion(const QWidget& ventana, const QString& archivoIni, bool conTamano);
    // A window never placed is centred; one that would be out of reach is brought back
    // onto the primary screen.
    static void restauraColocacion(QWidget& ventana, const QString& archivoIni, bool conTamano);

    // Shrinks the window to a bar showing only the restore button, with its caption; the
    // former bounds are kept in the button's "Tag" property.
    static void encoge(QWidget& ventana, QAbstractButton& restaurar);
    // Hides the button and gives the window back the bounds kept in its tag.
    static void expande(QWidget& ventana, QAbstractButton& restaurar);
    // True while the window is shrunk to its bar.
    static bool encogida(const QAbstractButton& restaurar);
};
