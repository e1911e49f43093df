#pragma once

#include <QByteArray>
#include <vector>

namespace host {
class Conexion;
}

namespace importacion {

class FilasEnBloque;

// One statement with a "?" per value, prepared and run over many rows of values in a single
// round trip: MariaDB's bulk execution of arrays, close to the speed of a bulk load. Values
// are bound, never pasted into the text.
class SentenciaEnBloque {
public:
    SentenciaEnBloque(QByteArray sql, int columnas);
    ~SentenciaEnBloque();
    SentenciaEnBloque(const SentenciaEnBloque&) = delete;
    SentenciaEnBloque& operator=(const SentenciaEnBloque&) = delete;

    // Runs the statement once per row (each row one value per "?"). False, with nothing
    // run, when the server has no bulk execution; throws ErrorBdD when it fails.
    bool ejecuta(host::Conexion& conexion, const FilasEnBloque& filas);

private:
    QByteArray sql_;
    int columnas_;
    bool probada_ = false;
    bool enBloque_ = false;                    // the server runs arrays of values
    std::vector<std::vector<char*>> punteros_; // where each value starts, per column
};

} // namespace importacion
