#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>

// The tests write their deadlines as 60s, 500ms.
using namespace std::chrono_literals;

namespace pruebas {

// Waits until condicion holds, for plazo at the most. On the thread of an application, the
// windows keep working meanwhile (and other threads hand their results in); elsewhere it
// looks again every few milliseconds. Fails at its deadline, saying what it waited for, so a
// test that would hang fails instead: ASSERT_TRUE(hastaQue(...)). cada: the pause between
// two looks, for a condition that must not be asked too often.
inline ::testing::AssertionResult hastaQue(const std::function<bool()>& condicion,
                                           std::chrono::milliseconds plazo,
                                           const QString& que = QStringLiteral("la condición"),
                                           std::chrono::milliseconds cada = 2ms) {
    const QDeadlineTimer limite(plazo);
    const bool conEventos = QCoreApplication::instance() &&
                            QThread::currentThread() == QCoreApplication::instance()->thread();
    while (!condicion()) {
        if (limite.hasExpired())
            return ::testing::AssertionFailure()
                   << "no se cumplió " << que.toStdString() << " en " << plazo.count() << " ms";
        if (conEventos)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(std::max<qint64>(cada.count(), conEventos ? 5 : 2));
    }
    return ::testing::AssertionSuccess();
}

} // namespace pruebas
