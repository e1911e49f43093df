#pragma once

#include "import/SentenciaEnBloque.h"

#include <QByteArray>

namespace host {
class Conexion;
}

namespace importacion {

class FilasEnBloque;

// Inserts many rows of one table at once: in bulk where the server can, else with one
// multi-row INSERT whose values the client library escapes.
class InsercionEnBloque {
public:
    // inicio: "INSERT INTO tabla (a,b,...) VALUES "; fin: what follows the values.
    // enBloque false always takes the multi-row INSERT, as with a server without bulk.
    InsercionEnBloque(QByteArray inicio, int columnas, QByteArray fin = {}, bool enBloque = true);

    // Throws ErrorBdD.
    void inserta(host::Conexion& conexion, const FilasEnBloque& filas);

private:
    QByteArray inicio_, fin_;
    SentenciaEnBloque enBloque_;
    bool usaBloque_;
};

} // namespace importacion
