#include "shell/Wait.h"
#include "shell/TickClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <ctime>

namespace {
int argc = 1;
char arg0[] = "WaitTest";
char *argv[] = {arg0, nullptr};

class WaitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }
    void TearDown() override { TickClock::setSourceForTesting({}); }
};

TEST_F(WaitTest, ZeroReturnsBeforeProcessingAnyEvent)
{
    bool ran = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ran = true; }, Qt::QueuedConnection);
    waitMilliseconds(0);
    EXPECT_FALSE(ran);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
}

TEST_F(WaitTest, ProcessesEventsWhileWaiting)
{
    bool ran = false;
    QTimer::singleShot(20, [&] { ran = true; });
    QElapsedTimer wall;
    wall.start();
    waitMilliseconds(150);
    EXPECT_TRUE(ran);
    EXPECT_GE(wall.elapsed(), 150);
}

TEST_F(WaitTest, SurvivesTickCounterWrap)
{
    // Start 50 ms before the 32-bit counter wraps; elapsed time must still be measured correctly.
    QElapsedTimer real;
    real.start();
    const quint32 base = 0xFFFFFFFFu - 50u;
    TickClock::setSourceForTesting([&] { return base + static_cast<quint32>(real.elapsed()); });
    QElapsedTimer wall;
    wall.start();
    waitMilliseconds(200);
    EXPECT_GE(wall.elapsed(), 200);
    EXPECT_LT(wall.elapsed(), 5000); // a naive signed comparison would wait ~49 days
}

TEST_F(WaitTest, ElapsedIsModuloTwoToThe32)
{
    EXPECT_EQ(TickClock::elapsedSince(0xFFFFFFF0u, 0x10u), 0x20u);
    EXPECT_EQ(TickClock::elapsedSince(100u, 100u), 0u);
    EXPECT_EQ(TickClock::elapsedSince(100u, 350u), 250u);
}

TEST_F(WaitTest, SleepsInsteadOfSpinning)
{
    const std::clock_t before = std::clock();
    waitMilliseconds(400);
    const double cpuMs = 1000.0 * double(std::clock() - before) / CLOCKS_PER_SEC;
    // A busy loop would burn the whole 400 ms of CPU time.
    EXPECT_LT(cpuMs, 100.0);
}
} // namespace
