#pragma once

#include "shell/Avisos.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The program's message box: the typed icon, buttons and default of the message interface
// (Avisos) shown as a Qt message box with Spanish buttons, answering the standard answers.
// Only the main text of a message shows at first; the driver's text and the statement
// (host::TextoConDetalle) wait behind a "Detalles" button.
//
// Tests answer the next boxes in advance (siguienteRespuesta), and while they ask for it
// (anota) read what was asked (registro); in test mode a box with no answer queued takes its
// default button instead of waiting for a person.
class CajaMensaje {
public:
    using Icono = Avisos::Icono;
    using Botones = Avisos::Botones;
    using Predeterminado = Avisos::Predeterminado;
    using Respuesta = Avisos::Respuesta;
    using Estilo = Avisos::Estilo;

    struct Registro {
        QString mensaje;   // as asked for, with its technical part
        QString principal; // what the box shows at first
        QString detalle;   // what "Detalles" shows; empty when the box had no such button
        Estilo estilo;
        QString titulo;
        QString accion;       // the extra button's caption; empty when the box had none
        QStringList opciones; // the buttons of a choice (elige); empty for the other boxes
    };

    // One more button of a box ("Ver informe"): pressing it runs hacer, and the box shows
    // again until one of its own buttons is pressed.
    struct Accion {
        QString texto;
        std::function<void()> hacer;
    };

    static Respuesta muestra(QWidget* padre, const QString& mensaje, Estilo estilo,
                             const QString& titulo);
    // The same box with an extra button; the answer is that of the box's own buttons.
    static Respuesta muestra(QWidget* padre, const QString& mensaje, Estilo estilo,
                             const QString& titulo, const Accion& accion);
    // A choice among named buttons, left to right. Answers the index of the button pressed;
    // predeterminada is the default one. The last button must be the way out: Esc takes it.
    static int elige(QWidget* padre, const QString& mensaje, Icono icono, const QString& titulo,
                     const QStringList& opciones, int predeterminada);
    // Yes/No question with the question icon; true only when the answer is Yes.
    static bool confirma(QWidget* padre, const QString& mensaje, const QString& titulo,
                         bool noPorOmision);

    // Test seam. In test mode no dialog of the program waits for a person: the other
    // dialogs (InformeVentana, DialogosEstandar) follow this switch too.
    static void modoPruebas(bool activo);
    static bool enPruebas();
    // The next box asked for gives this answer; siguienteAccion presses its extra button
    // (the box then asks again), siguienteOpcion answers a choice.
    static void siguienteRespuesta(Respuesta respuesta);
    static void siguienteAccion();
    static void siguienteOpcion(int indice);
    // What the boxes asked is kept only while this is on, so that a long run of the program
    // does not pile up its messages.
    static void anota(bool activo);
    static QList<Registro> registro();
    static void limpiaRegistro();
};
