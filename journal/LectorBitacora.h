#pragma once

#include "journal/LecturaBitacora.h"
#include "shell/host/BasesDD.h"

#include <memory>
#include <vector>

namespace bitacora {

// Reads the journals of several databases as one list, newest first, a page at a time: each
// journal over one connection kept for the whole reading (opened at its first page), and of
// each no more rows at once than a page. The filter's own page and limit are not used. The list and
// the memory it takes do not grow with the journals. A database that cannot be read is told once
// and then left out.
class LectorBitacora {
public:
    LectorBitacora(const host::BasesDD& bases, const QStringList& nombres, const Seleccion& filtro);
    ~LectorBitacora();
    LectorBitacora(const LectorBitacora&) = delete;
    LectorBitacora& operator=(const LectorBitacora&) = delete;

    // The next runs of the list, at most n, with the databases that could not be read since
    // the last call; hayMas tells whether any run is left.
    Lectura siguientes(int n);
    bool terminado() const;
    // The orders of a run of the list, over the connection its journal was read with.
    QVector<PedidoAnotado> pedidos(const Corrida& corrida);

private:
    struct Fuente;
    // Reads the next rows of f when it has none left in hand.
    void llena(Fuente& f, int n, QStringList& fallos);

    host::BasesDD bases_;
    Seleccion filtro_;
    std::vector<std::unique_ptr<Fuente>> fuentes_;
    bool nombresLeidos_ = false;
};

} // namespace bitacora
