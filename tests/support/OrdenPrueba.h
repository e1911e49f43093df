#pragma once

#include "shell/Programa.h"

#include <QStringList>
#include <QTextStream>

namespace pruebas {

// What a command printed and the status it ended with.
struct Salida {
    int estado = 0;
    QString salida, errores;
};

using Orden = int (*)(Programa&, const QStringList&, QTextStream&, QTextStream&);

// Runs a command in this process, as the executable would with those arguments.
inline Salida corre(Orden orden, Programa& programa, const QStringList& argumentos) {
    Salida s;
    QTextStream salida(&s.salida), errores(&s.errores);
    s.estado = orden(programa, argumentos, salida, errores);
    return s;
}

} // namespace pruebas
