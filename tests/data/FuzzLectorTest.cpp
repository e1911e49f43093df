#include <QByteArray>
#include <gtest/gtest.h>
#include <random>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo);

// The fuzz target's entry point on a fixed random corpus, so every compiler runs it.
TEST(FuzzLector, RandomAndMutatedFilesNeitherCrashNorHang) {
    const QByteArray semilla =
        "\"M\",1,\"A\",\"C0001\",\"05/ene/2026\",\"04/feb/2026\",\"Peña, S.A.\",#NULL#,"
        "#TRUE#,12.50\r\n\"D\",1,\"P0001\",\"Tornillo\",3.0000,#2026-01-05#\r\n";
    const char alfabeto[] = "\"M D,\r\n \t#0123456789.-\xF1\xBF";
    std::mt19937 azar(20260105);
    for (int caso = 0; caso < 20000; ++caso) {
        QByteArray datos;
        if (caso % 2 == 0) {
            const int largo = int(azar() % 300);
            for (int i = 0; i < largo; ++i)
                datos += alfabeto[azar() % (sizeof(alfabeto) - 1)];
        } else {
            datos = semilla.repeated(int(azar() % 4) + 1);
            for (int m = int(azar() % 6); m >= 0 && !datos.isEmpty(); --m) {
                const int pos = int(azar() % datos.size());
                switch (azar() % 3) {
                case 0:
                    datos[pos] = char(azar() % 256);
                    break;
                case 1:
                    datos.remove(pos, int(azar() % 8) + 1);
                    break;
                default:
                    datos.insert(pos, alfabeto[azar() % (sizeof(alfabeto) - 1)]);
                }
            }
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(datos.constData()),
                               size_t(datos.size()));
    }
    SUCCEED();
}
