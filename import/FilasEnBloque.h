#pragma once

#include <QStringEncoder>
#include <QVariant>
#include <span>
#include <vector>

namespace importacion {

// Rows for one multi-row insert, kept column by column as the texts the server takes for
// each value: the arrays a bulk execution binds as they are. Each value is encoded as it
// comes, so nothing of the row that gave it needs to be kept; vacia() keeps the memory for
// the next statement.
class FilasEnBloque {
public:
    explicit FilasEnBloque(int columnas);

    // One value per column, in column order.
    void agregaFila(std::span<const QVariant> fila);
    // Column k's values, one per row, replaced by these whole numbers.
    void reemplazaEnteros(int k, std::span<const qint64> valores);
    // Keeps, in order, only the rows whose flag is not 0 (one flag per row).
    void conserva(std::span<const char> quedan);
    void vacia();

    int columnas() const { return int(columnas_.size()); }
    qsizetype filas() const { return filas_; }
    bool isEmpty() const { return filas_ == 0; }
    // At most what the rows take as the values of an INSERT, every byte escaped.
    qsizetype bytes() const { return bytes_; }

    // Column k: its values' texts one after another, the length of each, and whether each
    // is NULL (1) or not (0). A NULL has no text.
    const char* datos(int k) const { return columnas_[std::size_t(k)].datos.data(); }
    const std::vector<unsigned long>& largos(int k) const {
        return columnas_[std::size_t(k)].largos;
    }
    const std::vector<char>& nulos(int k) const { return columnas_[std::size_t(k)].nulos; }

private:
    struct Columna {
        std::vector<char> datos; // its first `usados` bytes hold the texts
        std::size_t usados = 0;
        std::vector<unsigned long> largos;
        std::vector<char> nulos;
        // Room for n more bytes; where they go.
        char* espacio(std::size_t n);
        // Writes the number's digits; how many.
        template <typename Entero> std::size_t agregaNumero(Entero n);
    };
    void agregaTexto(Columna& columna, const QVariant& valor);

    std::vector<Columna> columnas_;
    qsizetype filas_ = 0;
    qsizetype bytes_ = 0;
    QStringEncoder utf8_;
};

} // namespace importacion
