#pragma once

#include <QString>

namespace host {
class DeArchivos;
}

// The message box and confirmation every part uses. The core never shows a window: it
// talks to the user through this interface, which the windows implement with a dialog and
// headless runs with the console (AvisosConsola).
class Avisos {
public:
    // Standard message-box codes: buttons and icon are added together.
    enum Boton : int {
        Aceptar = 0,
        AceptarCancelar = 1,
        AbortarReintentarIgnorar = 2,
        SiNoCancelar = 3,
        SiNo = 4,
        ReintentarCancelar = 5,
        Critico = 16,
        Pregunta = 32,
        Exclamacion = 48,
        Informacion = 64,
        SegundoBotonPredeterminado = 256,
        SiNoPregunta = SiNo + Pregunta, // 36
    };
    // Answer codes.
    enum Respuesta : int {
        SinRespuesta = 0,
        RespuestaAceptar = 1,
        RespuestaCancelar = 2,
        RespuestaAbortar = 3,
        RespuestaReintentar = 4,
        RespuestaIgnorar = 5,
        RespuestaSi = 6,
        RespuestaNo = 7,
    };

    virtual ~Avisos() = default;

    // Shows the message and gives the answer code. When showing it fails, tells the failure
    // once ("Error " + number + ", " + description, critical, "Error") and gives
    // SinRespuesta, so a failing box never calls itself without end.
    int MsgBox(const QString& prompt, int botones, const QString& titulo);
    // Yes/No question with the question icon, No as default when defectoNo; true on Yes.
    bool Confirma(const QString& prompt, const QString& titulo, bool defectoNo);
    // Opens a file with its associated program; tells the user when it cannot.
    bool AbreDocumento(host::DeArchivos& archivos, const QString& ruta);

    // The buttons' group (the low nibble) and the answer that risks nothing: No, Cancel,
    // Abort, or Accept for a plain message.
    static int botonesDe(int botones) { return botones & 0x0F; }
    static int respuestaSegura(int botones);

protected:
    // Shows the message; may throw (the windows' dialog can fail).
    virtual int muestra(const QString& prompt, int botones, const QString& titulo) = 0;

private:
    bool mostrandoError_ = false;
};
