#include "shell/ventanas/HiloTrabajo.h"
#include "shell/host/ErrorBdD.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QVector>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

bool enHiloPrincipal() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

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
    constexpr qint64 total = 200000;
    ASSERT_TRUE(hilo.inicia(
        [](Trabajador& t) {
            for (qint64 i = 1; i <= total; ++i)
                t.informa(QStringLiteral("Pedido"), i, total);
            t.informa(QStringLiteral("Listo"));
            return true;
        },
        [&](FinTrabajo<bool>) { fin = true; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fin; }, 30000));
    ASSERT_GE(pasos.size(), 3);
    EXPECT_LT(pasos.size(), 1000);
    EXPECT_EQ(pasos.first(), 1);
    EXPECT_EQ(pasos[pasos.size() - 2], total);
    EXPECT_EQ(textos.last(), QStringLiteral("Listo"));
}

// The body's value, its pieces handed over meanwhile and its progress all reach the window's
// thread, pieces before the end; one run at a time, and the end may start the next one (a
// search goes on to a generation that way).
TEST(HiloTrabajo, ResultAndPiecesArriveTypedOnTheWindowThreadAndTheEndMayStartAnotherRun) {
    HiloTrabajo hilo;
    QStringList sucesos;
    bool avanceEnVentana = true;
    QObject::connect(&hilo, &HiloTrabajo::avance, &hilo,
                     [&](const QString&, qint64, qint64) { avanceEnVentana &= enHiloPrincipal(); });
    QObject::connect(&hilo, &HiloTrabajo::terminado, &hilo, [&] { sucesos << "terminado"; });
    std::atomic<bool> sigue{false};
    bool finSegunda = false;
    auto cuerpo = [&sigue, &sucesos](Trabajador& t) {
        t.informa(QStringLiteral("Trabajando"));
        for (int i = 0; i < 3; ++i)
            t.enVentana([&sucesos, i] {
                sucesos << (enHiloPrincipal() ? QStringLiteral("pieza %1").arg(i)
                                              : QStringLiteral("pieza fuera"));
            });
        // Busy until the test lets it go, as a long operation is; a cancel (the test gave
        // up) ends it too.
        while (!sigue && !t.cancelado())
            QThread::msleep(1);
        return QVector<int>{4, 5, 6};
    };
    ASSERT_TRUE(hilo.inicia(cuerpo, [&](FinTrabajo<QVector<int>> d) {
        sucesos << (enHiloPrincipal() ? QStringLiteral("fin") : QStringLiteral("fin fuera"));
        EXPECT_TRUE(d.ok());
        EXPECT_TRUE(d.fallo().isEmpty());
        EXPECT_EQ(d.valor(), (QVector<int>{4, 5, 6}));
        EXPECT_FALSE(hilo.ocupado());
        EXPECT_TRUE(hilo.inicia([](Trabajador&) { return QStringLiteral("otra"); },
                                [&](FinTrabajo<QString> otra) {
                                    EXPECT_EQ(otra.valor(), QStringLiteral("otra"));
                                    finSegunda = true;
                                }));
    }));
    EXPECT_TRUE(hilo.ocupado());
    EXPECT_FALSE(hilo.inicia(
        [](Trabajador&) { return 0; },
        [](FinTrabajo<int>) { ADD_FAILURE() << "a second run started while one was running"; }));
    sigue = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return finSegunda; }, 10000));
    EXPECT_EQ(sucesos,
              (QStringList{"pieza 0", "pieza 1", "pieza 2", "terminado", "fin", "terminado"}));
    EXPECT_TRUE(avanceEnVentana);
}

// Whatever escapes the body reaches the window as a failure with a message to show, never
// as a value and never as an empty message.
TEST(HiloTrabajo, AnExceptionEscapingTheBodyArrivesAsAFailureWithItsMessage) {
    HiloTrabajo hilo;
    const QString inesperado = QStringLiteral("Error inesperado en la operación.");
    const std::vector<std::pair<std::function<int(Trabajador&)>, QString>> casos = {
        {[](Trabajador&) -> int { throw host::ErrorBdD(QStringLiteral("Sin conexión.")); },
         QStringLiteral("Sin conexión.")},
        {[](Trabajador&) -> int { throw std::runtime_error("sin memoria"); },
         QStringLiteral("Error inesperado: sin memoria")},
        {[](Trabajador&) -> int { throw host::ErrorBdD(QString()); }, inesperado},
        {[](Trabajador&) -> int { throw 7; }, inesperado},
    };
    for (const auto& [cuerpo, esperado] : casos) {
        bool fin = false;
        ASSERT_TRUE(hilo.inicia(cuerpo, [&, esperado = esperado](FinTrabajo<int> d) {
            EXPECT_FALSE(d.ok());
            EXPECT_EQ(d.fallo(), esperado);
            fin = true;
        }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return fin; }, 10000));
    }
}

// "Cancelar" reaches the body, which ends with what it has; a window closed under a running
// body stops it and waits for it, and nothing of it reaches the window afterwards.
TEST(HiloTrabajo, CancelReachesTheBodyAndDestroyingTheOwnerWaitsForIt) {
    HiloTrabajo hilo;
    std::atomic<bool> empezo{false};
    auto hastaCancelar = [&empezo](Trabajador& t) {
        empezo = true;
        int vueltas = 0;
        while (!t.cancelado()) { // ends with the cancel the test sends
            QThread::msleep(1);
            ++vueltas;
        }
        return vueltas;
    };
    bool fin = false;
    ASSERT_TRUE(hilo.inicia(hastaCancelar, [&](FinTrabajo<int> d) {
        EXPECT_TRUE(d.ok());
        fin = true;
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return empezo.load(); }, 10000));
    hilo.cancela();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fin; }, 10000));

    auto propio = std::make_unique<HiloTrabajo>();
    std::atomic<bool> acabo{false};
    bool llego = false;
    empezo = false;
    ASSERT_TRUE(propio->inicia(
        [&](Trabajador& t) {
            const int n = hastaCancelar(t);
            t.enVentana([&llego] { llego = true; });
            QThread::msleep(50); // on purpose: a body still busy when its owner goes
            acabo = true;
            return n;
        },
        [&](FinTrabajo<int>) { llego = true; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return empezo.load(); }, 10000));
    propio.reset();
    EXPECT_TRUE(acabo);
    QTest::qWait(50); // on purpose: time for a delivery that must not happen
    EXPECT_FALSE(llego);
}
