#include "import/ColaTandas.h"
#include "import/LecturaPedidos.h"

#include <gtest/gtest.h>
#include <stdexcept>

using importacion::ColaTandas;
using importacion::TandaPedidos;

namespace {

std::unique_ptr<TandaPedidos> nueva() {
    return std::make_unique<TandaPedidos>(2, 1, 1);
}

// Hands `tandas` rounds, each with its number as omitted lines, then throws.
ColaTandas::Lectura lectura(int tandas) {
    return [tandas](ColaTandas& cola) {
        for (int i = 1; i <= tandas; ++i) {
            auto t = cola.tomaVacia();
            t->renglonesOmitidos = i;
            cola.entrega(std::move(t));
        }
        throw std::runtime_error("falla la lectura");
    };
}

} // namespace

// The reader's failure reaches the writer after every round read before it, and a writer
// that stops early, with the reader waiting for an empty round, is not left hanging.
TEST(ColaTandas, DeliversRoundsInOrderThenTheReadersFailureAndStopsAWaitingReader) {
    {
        ColaTandas cola(2, nueva, lectura(7));
        for (int i = 1; i <= 7; ++i) {
            auto t = cola.siguiente();
            EXPECT_EQ(t->renglonesOmitidos, i);
            cola.devuelve(std::move(t));
        }
        EXPECT_THROW(cola.siguiente(), std::runtime_error);
    }
    {
        ColaTandas cola(2, nueva, lectura(1000));
        auto t = cola.siguiente();
        EXPECT_EQ(t->renglonesOmitidos, 1);
        // Gone without handing it back or reading further: the destructor stops the reader.
    }
}
