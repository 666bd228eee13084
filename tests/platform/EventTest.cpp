#include "platform/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <poll.h>
#include <thread>

using namespace std::chrono;

TEST(Event, StartsClearAndStaysSetUntilReset)
{
    Event e;
    EXPECT_FALSE(e.IsSet());
    EXPECT_FALSE(e.Wait(0));
    e.Set();
    e.Set(); // setting twice is still one signalled state
    EXPECT_TRUE(e.IsSet());
    EXPECT_TRUE(e.Wait(0));
    EXPECT_TRUE(e.Wait(0)); // manual reset: a wait does not consume it
    e.Reset();
    EXPECT_FALSE(e.IsSet());
    EXPECT_FALSE(e.Wait(0));
    e.Reset(); // resetting a clear event is harmless
    EXPECT_FALSE(e.Wait(0));
}

TEST(Event, TimedWaitRunsOutWithoutSignal)
{
    Event e;
    const auto start = steady_clock::now();
    EXPECT_FALSE(e.Wait(60));
    EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - start).count(), 59);
}

TEST(Event, WakesWaiterInAnotherThread)
{
    Event e;
    std::atomic<bool> woke{false};
    std::thread waiter([&] { woke = e.Wait(5000); });
    e.Set();
    waiter.join();
    EXPECT_TRUE(woke);
}

TEST(Event, WaitAnyReportsWhichOneIsSet)
{
    Event a, b, c;
    EXPECT_EQ(Event::WaitAny({&a, &b, &c}, 0), -1);
    c.Set();
    EXPECT_EQ(Event::WaitAny({&a, &b, &c}, 0), 2);
    b.Set();
    EXPECT_EQ(Event::WaitAny({&a, &b, &c}, 0), 1);
    b.Reset();
    c.Reset();
    std::thread setter([&] { a.Set(); });
    EXPECT_EQ(Event::WaitAny({&a, &b, &c}, 5000), 0);
    setter.join();
}

TEST(Event, DescriptorIsReadableExactlyWhileSet)
{
    Event e;
    pollfd p{e.Fd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0);
    e.Set();
    EXPECT_EQ(poll(&p, 1, 0), 1);
    e.Reset();
    EXPECT_EQ(poll(&p, 1, 0), 0);
}

TEST(Deadline, CountsDownAndUnlimitedStaysNegative)
{
    EXPECT_EQ(Deadline(-1).RemainingMs(), -1);
    EXPECT_EQ(Deadline(0).RemainingMs(), 0);
    const int left = Deadline(10000).RemainingMs();
    EXPECT_GT(left, 9000);
    EXPECT_LE(left, 10000);
}
