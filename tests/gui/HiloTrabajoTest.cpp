#include "shell/ventanas/HiloTrabajo.h"

#include <QTest>
#include <QVector>
#include <gtest/gtest.h>

// A run that reports every one of many steps reaches the window with a few of them, from the
// first, and always with its last step and the texts without count: a signal per step kept
// the window busy repainting its progress.
TEST(HiloTrabajo, ProgressOfAFastRunArrivesThinnedButKeepsItsLastStep) {
    HiloTrabajo hilo;
    QVector<qint64> pasos;
    QStringList textos;
    bool fin = false;
    QObject::connect(&hilo, &HiloTrabajo::avance, &hilo,
                     [&](const QString& texto, qint64 n, qint64) {
                         pasos << n;
                         textos << texto;
                     });
    QObject::connect(&hilo, &HiloTrabajo::terminado, &hilo, [&] { fin = true; });
    constexpr qint64 total = 200000;
    ASSERT_TRUE(hilo.inicia([](Trabajador& t) {
        for (qint64 i = 1; i <= total; ++i)
            t.informa(QStringLiteral("Pedido"), i, total);
        t.informa(QStringLiteral("Listo"));
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fin; }, 30000));
    ASSERT_GE(pasos.size(), 3);
    EXPECT_LT(pasos.size(), 1000);
    EXPECT_EQ(pasos.first(), 1);
    EXPECT_EQ(pasos[pasos.size() - 2], total);
    EXPECT_EQ(textos.last(), QStringLiteral("Listo"));
}
