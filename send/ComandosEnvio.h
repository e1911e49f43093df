#pragma once

#include "shell/OpcionesOrden.h"

namespace comandos {

// "enviar": writes the transfer file of the orders, keeps it in enviados/ and imports it into
// a destination's database on another server.
Ejecucion enviar;
Opciones opcionesEnviar;

// "conciliar": compares an export with its destination's register of imported orders; 0
// when every order arrived exactly once.
Ejecucion conciliar;
Opciones opcionesConciliar;

// "verificar" with the destinations: the three databases, then each [Destino] of the INI.
Ejecucion verificarConDestinos;

} // namespace comandos
