#pragma once

#include <QList>
#include <QString>
#include <optional>

// A window's bounds in pixels.
struct Geometria {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Geometria&) const = default;
};

// The screens a window can be placed on: the area each leaves for windows, in pixels, the
// primary screen first, and the logical dots per inch that turn pixels into twips.
struct Pantallas {
    QList<Geometria> areas;
    double puntosPorPulgada = 96;
};

// Saving and restoring a window's placement in the INI file, and shrinking the main window
// to a bar and back, as functions over plain bounds so they work without a window.
namespace colocacion {

// The windows' designed distances were fixed in twips; a twip is 1/15 of a pixel on a screen of
// 96 dots per inch.
constexpr int kTwipsPorPixel = 15;
constexpr int pixeles(int twips) {
    return (twips + kTwipsPorPixel / 2) / kTwipsPorPixel;
}

// The INI section of a window: its tag when not empty, else its trimmed name. Empty means
// the window's placement is not kept.
QString seccion(const QString& tag, const QString& nombre);

// Placements are kept in twips (1/1440 inch), as older installations wrote them, so that
// their files open windows at the right size on any screen.
int aTwips(int pixeles, double puntosPorPulgada);
int aPixeles(int twips, double puntosPorPulgada);

// What guarda did: ok once the placement is stored (or there was nothing to store);
// otherwise mensaje says why, in Spanish.
struct Resultado {
    bool ok = false;
    QString mensaje;
};

// Writes "Ventana" (caption), "Linea" (top), "Columna" (left) and, with conTamano, "Ancho"
// and "Alto", in twips. Nothing is written for an empty section, nor when the file cannot be
// read.
Resultado guarda(const QString& archivoIni, const QString& seccion, const QString& titulo,
                 const Geometria& ventana, bool conTamano, double puntosPorPulgada);

// The window's bounds after restoring: left and top from the file, and with conTamano width
// and height when both stored values are above 0. A window never placed (neither "Linea" nor
// "Columna" holds a value) is centred on the primary screen; one placed where the user could
// not reach it is moved onto the primary screen (see enPantalla). An empty section leaves
// the bounds as they are.
Geometria restaura(const QString& archivoIni, const QString& seccion, Geometria ventana,
                   bool conTamano, const Pantallas& pantallas);

// The bounds made to fit the area: a window larger than it is reduced to its size, and one
// that reaches past an edge is moved in. Designed or saved sizes are never minimums.
Geometria ajustada(Geometria ventana, const Geometria& area);
// The bounds centred on the area.
Geometria centrada(Geometria ventana, const Geometria& area);
// The bounds as they are when some screen shows the window's top edge and enough of its
// width to take hold of it; otherwise moved (and made smaller when it is larger than the
// screen) onto the primary screen. Never larger than the screen it ends up on.
Geometria enPantalla(Geometria ventana, const Pantallas& pantallas);

// The main window shrunk to a bar holding only its restore button.
struct Encogida {
    Geometria ventana;
    int anchoBoton = 0;
    QString textoBoton; // the window's caption and three blanks
    QString tag;        // the former bounds, "W\tH\tL\tT"; Expande reads it back
};
QString textoBoton(const QString& titulo);
// anchoTexto: width of textoBoton(titulo) in the window's font at the button's font size.
Encogida encoge(const Geometria& ventana, const QString& titulo, int altoBoton, int anchoTexto,
                int altoPantalla);
// The bounds kept in the tag; nothing when the tag does not hold four numbers, so a
// damaged tag never collapses the window.
std::optional<Geometria> expande(const QString& tag);

} // namespace colocacion
