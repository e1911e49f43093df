#include "shell/ventanas/AvisosVentana.h"

#include "shell/ventanas/CajaMensaje.h"

Avisos::Respuesta AvisosVentana::muestra(const QString& prompt, Estilo estilo,
                                         const QString& titulo) {
    return CajaMensaje::muestra(ventana_, prompt, estilo, titulo);
}
