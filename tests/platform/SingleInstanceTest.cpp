#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstReleases)
{
    auto first = std::make_unique<SingleInstance>(QStringLiteral("TestMutexA"));
    ASSERT_TRUE(first->TryAcquire());
    SingleInstance second(QStringLiteral("TestMutexA"));
    EXPECT_FALSE(second.TryAcquire());
    first.reset();
    EXPECT_TRUE(second.TryAcquire());
}

TEST(SingleInstance, BothProgramsShareOneName)
{
    SingleInstance telemetry;
    ASSERT_TRUE(telemetry.TryAcquire());
    SingleInstance pmr(QStringLiteral("QL41Mutex"));
    EXPECT_FALSE(pmr.TryAcquire());
}

TEST(SingleInstance, BringForwardReachesTheCopyWithThatTitle)
{
    SingleInstance running(QStringLiteral("TestMutexB"));
    ASSERT_TRUE(running.TryAcquire());
    int raised = 0;
    ASSERT_TRUE(running.Listen(QStringLiteral("QL4100 Telemetry"), [&raised] { ++raised; }));

    EXPECT_TRUE(SingleInstance::RequestBringForward(QStringLiteral("QL4100 Telemetry"), QStringLiteral("TestMutexB")));
    EXPECT_TRUE(QTest::qWaitFor([&raised] { return raised == 1; }, 5000));
}

TEST(SingleInstance, OtherTitleRaisesNothing)
{
    SingleInstance running(QStringLiteral("TestMutexC"));
    ASSERT_TRUE(running.TryAcquire());
    int raised = 0;
    ASSERT_TRUE(running.Listen(QStringLiteral("QL4100 PMR"), [&raised] { ++raised; }));
    EXPECT_TRUE(SingleInstance::RequestBringForward(QStringLiteral("QL4100 Telemetry"), QStringLiteral("TestMutexC")));
    // A matching request sent after the other one proves the first was handled.
    SingleInstance::RequestBringForward(QStringLiteral("QL4100 PMR"), QStringLiteral("TestMutexC"));
    EXPECT_TRUE(QTest::qWaitFor([&raised] { return raised == 1; }, 5000));
    EXPECT_EQ(raised, 1);
}

TEST(SingleInstance, RequestWithNoListenerReturnsAtOnce)
{
    EXPECT_FALSE(SingleInstance::RequestBringForward(QStringLiteral("QL4100 Telemetry"), QStringLiteral("Nobody")));
}
