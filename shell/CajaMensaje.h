#pragma once

#include "shell/Avisos.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The program's message box: the standard codes (16 critical, 32 question, 48 exclamation,
// 64 information; 0 OK only, 4 Yes/No; +256 second button is the default) shown as a Qt
// message box with Spanish buttons, answering the standard codes (1 OK, 6 Yes, 7 No).
//
// Tests answer the next boxes in advance (siguienteRespuesta) and read what was asked
// (registro); in test mode a box with no answer queued takes its default button instead of
// waiting for a person.
class CajaMensaje {
public:
    // The codes are the ones every part uses (Avisos); named here for the windows' callers.
    enum Codigo {
        Aceptar = Avisos::Aceptar,
        SiNo = Avisos::SiNo,
        Critico = Avisos::Critico,
        Pregunta = Avisos::Pregunta,
        Exclamacion = Avisos::Exclamacion,
        Informacion = Avisos::Informacion,
        SegundoBoton = Avisos::SegundoBotonPredeterminado,
        RespuestaAceptar = Avisos::RespuestaAceptar,
        RespuestaSi = Avisos::RespuestaSi,
        RespuestaNo = Avisos::RespuestaNo,
        // Tests only: the extra button of a box with an action was pressed.
        RespuestaAccion = 100,
    };

    struct Registro {
        QString mensaje;
        int botones;
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

    static int muestra(QWidget* padre, const QString& mensaje, int botones, const QString& titulo);
    // The same box with an extra button; the answer is that of the box's own buttons.
    static int muestra(QWidget* padre, const QString& mensaje, int botones, const QString& titulo,
                       const Accion& accion);
    // A choice among named buttons, left to right (simbolo: one of the icon codes). Answers
    // the index of the button pressed; predeterminada is the default one. The last button
    // must be the way out: Esc takes it. Tests queue the index with siguienteRespuesta.
    static int elige(QWidget* padre, const QString& mensaje, int simbolo, const QString& titulo,
                     const QStringList& opciones, int predeterminada);
    // Yes/No question with the question icon; true only when the answer is Yes.
    static bool confirma(QWidget* padre, const QString& mensaje, const QString& titulo,
                         bool noPorOmision);

    // Test seam. In test mode no dialog of the program waits for a person: the other
    // dialogs (InformeVentana, DialogosEstandar) follow this switch too.
    static void modoPruebas(bool activo);
    static bool enPruebas();
    static void siguienteRespuesta(int respuesta);
    static QList<Registro> registro();
    static void limpiaRegistro();
};
