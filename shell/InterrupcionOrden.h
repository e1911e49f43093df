#pragma once

#include "shell/host/Vigia.h"

#include <csignal>

// While a command runs, SIGINT and SIGTERM ask it to stop as "Cancelar" does in the windows:
// the order under way is finished or undone whole, a statement that waits for another
// session is stopped at once, and the command ends with its message of a cancel and status
// 1. A second signal ends the program at once, as without this (the server then undoes the
// transaction under way). What a statement waits for is said on standard error.
class InterrupcionOrden {
public:
    InterrupcionOrden();
    ~InterrupcionOrden(); // the signals end the program again
    InterrupcionOrden(const InterrupcionOrden&) = delete;
    InterrupcionOrden& operator=(const InterrupcionOrden&) = delete;

    // True once a signal asked the command to stop: for the core's cancel callbacks.
    static bool pedida();

private:
    host::Vigia vigia_;
    struct sigaction anteriores_[2]; // SIGINT's and SIGTERM's actions before
};
