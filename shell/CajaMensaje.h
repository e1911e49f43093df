#pragma once

#include "shell/Avisos.h"

#include <QList>
#include <QString>

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
    };

    struct Registro {
        QString mensaje;
        int botones;
        QString titulo;
    };

    static int muestra(QWidget* padre, const QString& mensaje, int botones, const QString& titulo);
    // Yes/No question with the question icon; true only when the answer is Yes.
    static bool confirma(QWidget* padre, const QString& mensaje, const QString& titulo,
                         bool noPorOmision);

    // Test seam.
    static void modoPruebas(bool activo);
    static void siguienteRespuesta(int respuesta);
    static QList<Registro> registro();
    static void limpiaRegistro();
};
