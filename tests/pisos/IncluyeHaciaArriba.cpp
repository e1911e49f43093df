// A file of the domain floor that leans on the command table above it: the floors' check
// must refuse it.
#include "app/Comandos.h"
#include "data/FormatoTransferencia.h"
