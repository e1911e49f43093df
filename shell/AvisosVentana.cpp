#include "shell/AvisosVentana.h"

#include "shell/CajaMensaje.h"

Avisos::Respuesta AvisosVentana::muestra(const QString& prompt, Estilo estilo,
                                         const QString& titulo) {
    return CajaMensaje::muestra(ventana_, prompt, estilo, titulo);
}
