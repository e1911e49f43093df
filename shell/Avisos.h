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
    // The standard message-box codes, typed. A box's code is its buttons plus its icon, plus
    // 256 when the second button is the default; the values are the standard ones.
    enum class Botones : int {
        Aceptar = 0,
        AceptarCancelar = 1,
        AbortarReintentarIgnorar = 2,
        SiNoCancelar = 3,
        SiNo = 4,
        ReintentarCancelar = 5,
    };
    enum class Icono : int {
        Ninguno = 0,
        Critico = 16,
        Pregunta = 32,
        Exclamacion = 48,
        Informacion = 64,
    };
    enum class Predeterminado : int {
        Primero = 0,
        Segundo = 256,
    };
    // The answer codes; Ninguna when the box could not be shown.
    enum class Respuesta : int {
        Ninguna = 0,
        Aceptar = 1,
        Cancelar = 2,
        Abortar = 3,
        Reintentar = 4,
        Ignorar = 5,
        Si = 6,
        No = 7,
    };

    // What a box shows: its icon, its buttons and which of them is the default. A bare icon
    // is a message with only Aceptar.
    struct Estilo {
        Icono icono = Icono::Ninguno;
        Botones botones = Botones::Aceptar;
        Predeterminado predeterminado = Predeterminado::Primero;

        constexpr Estilo() = default;
        constexpr Estilo(Icono i, Botones b = Botones::Aceptar,
                         Predeterminado p = Predeterminado::Primero)
            : icono(i), botones(b), predeterminado(p) {}
        // The Yes/No question with the question icon.
        static constexpr Estilo siNo(bool noPorOmision) {
            return {Icono::Pregunta, Botones::SiNo,
                    noPorOmision ? Predeterminado::Segundo : Predeterminado::Primero};
        }
        friend constexpr bool operator==(const Estilo&, const Estilo&) = default;
    };

    virtual ~Avisos() = default;

    // Shows the message and gives the answer code. When showing it fails, tells the failure
    // once ("Error " + number + ", " + description, critical, "Error") and gives
    // Respuesta::Ninguna, so a failing box never calls itself without end.
    Respuesta MsgBox(const QString& prompt, Estilo estilo, const QString& titulo);
    // Yes/No question with the question icon, No as default when defectoNo; true on Yes.
    bool Confirma(const QString& prompt, const QString& titulo, bool defectoNo);
    // Opens a file with its associated program; tells the user when it cannot.
    bool AbreDocumento(host::DeArchivos& archivos, const QString& ruta);

    // The answer that risks nothing: No, Cancel, Abort, or Accept for a plain message.
    static Respuesta respuestaSegura(Botones botones);

protected:
    // Shows the message; may throw (the windows' dialog can fail).
    virtual Respuesta muestra(const QString& prompt, Estilo estilo, const QString& titulo) = 0;

private:
    bool mostrandoError_ = false;
};
