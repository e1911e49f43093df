#include "support/HastaQue.h"

#include <QElapsedTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

// The tests' one wait: it sees a condition another thread makes true, and a condition that
// never holds fails at its deadline, saying what it waited for, instead of hanging.
TEST(HastaQue, SeesAnotherThreadsChangeAndFailsAtItsDeadline) {
    std::atomic<bool> listo = false;
    std::thread otro([&] {
        std::this_thread::sleep_for(50ms); // on purpose: the change comes later
        listo = true;
    });
    EXPECT_TRUE(pruebas::hastaQue([&] { return listo.load(); }, 10s));
    otro.join();

    QElapsedTimer reloj;
    reloj.start();
    const ::testing::AssertionResult nunca =
        pruebas::hastaQue([] { return false; }, 200ms, QStringLiteral("lo imposible"));
    const qint64 tardo = reloj.elapsed();
    EXPECT_FALSE(nunca);
    EXPECT_NE(std::string(nunca.message()).find("lo imposible"), std::string::npos);
    EXPECT_GE(tardo, 200);
    EXPECT_LT(tardo, 5000);
}
