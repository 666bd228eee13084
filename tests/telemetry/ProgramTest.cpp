#include "ScriptedDialogs.h"
#include "platform/SingleInstance.h"
#include "telemetry/Main.h"
#include "telemetry/Program.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {
int MainWindowsAlive()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<Tfrm4100*>(w))
            ++n;
    return n;
}
} // namespace

TEST(Program, SecondCopyShowsTheMessageBringsTheFirstForwardAndEnds)
{
    SingleInstance running; // the copy already running
    ASSERT_TRUE(running.TryAcquire());
    int raised = 0;
    ASSERT_TRUE(running.Listen(QStringLiteral("QL4100 Telemetry"), [&raised] { ++raised; }));

    ScriptedDialogs dialogs;
    EXPECT_EQ(RunQl4100(dialogs, false), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The program is already running"));
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("QL4100"));
    EXPECT_EQ(dialogs.messages[0].buttons, Dialogs::Buttons::Ok);
    EXPECT_EQ(MainWindowsAlive(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&raised] { return raised == 1; }, 5000));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("QL4100 run another"));
}

TEST(Program, RunningPmrProgrammerIsNotBroughtForward)
{
    SingleInstance pmr;
    ASSERT_TRUE(pmr.TryAcquire());
    int raised = 0;
    ASSERT_TRUE(pmr.Listen(QStringLiteral("QL4100 PMR"), [&raised] { ++raised; }));

    ScriptedDialogs dialogs;
    EXPECT_EQ(RunQl4100(dialogs, false), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The program is already running"));
    // A request for the PMR programmer's own title, sent after, is answered;
    // by then the telemetry request has been handled and turned down.
    SingleInstance::RequestBringForward(QStringLiteral("QL4100 PMR"));
    EXPECT_TRUE(QTest::qWaitFor([&raised] { return raised >= 1; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(raised, 1);
}

TEST(Program, FirstCopyTakesTheMutexAndOpensTheMainWindow)
{
    ScriptedDialogs dialogs;
    // Runs the start-up without the event loop; the mutex is free again once
    // it returns, because the copy has ended.
    EXPECT_EQ(RunQl4100(dialogs, false), 0);
    for (const auto& m : dialogs.messages)
        EXPECT_NE(m.text, QStringLiteral("The program is already running"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("QL4100 Telemetry"));
    SingleInstance after;
    EXPECT_TRUE(after.TryAcquire());
}
