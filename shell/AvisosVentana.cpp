#include "shell/AvisosVentana.h"

#include "shell/CajaMensaje.h"

int AvisosVentana::muestra(const QString& prompt, int botones, const QString& titulo) {
    return CajaMensaje::muestra(ventana_, prompt, botones, titulo);
}
