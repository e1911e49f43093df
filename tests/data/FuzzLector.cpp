#include "data/ErrorTransferencia.h"
#include "data/LectorTransferencia.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

// Reads any bytes as a transfer file: it may refuse them, but must not crash or hang.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    QBuffer buf;
    buf.setData(reinterpret_cast<const char*>(datos), qsizetype(largo));
    buf.open(QIODevice::ReadOnly);
    transferencia::LectorTransferencia lector(buf);
    lector.guardaCrudo(true); // the bytes of orders' fingerprints
    transferencia::Registro r;
    try {
        while (lector.siguiente(r)) {
            if (r.campos.size() != (r.encabezado ? 40 : 21) || !lector.crudo().endsWith('\n'))
                __builtin_trap();
        }
    } catch (const transferencia::ErrorTransferencia&) {
    }
    return 0;
}
