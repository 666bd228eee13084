// Image transfer of the telemetry programmer against the simulated radio.
#include "MainSimFixture.h"

#include "ui_Main.h"
#include "ui_Transferprogress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

class MainTransfer : public MainSimFixture {
protected:
    TransferProgressWindow& Progress() { return window_->ReadWriteWindow(); }
    std::vector<qintptr> Progressions() const
    {
        std::vector<qintptr> out;
        for (const auto& [w, l] : messages_.seen)
            if (w == 0)
                out.push_back(l);
        return out;
    }
};

TEST_F(MainTransfer, ReadingTheWholeImage)
{
    EXPECT_TRUE(window_->TransferImage(false, 0, 2047));
    EXPECT_EQ(ImageBytes(), SimBytes());

    ASSERT_TRUE(sim_->WaitForRequests(258, 3000));
    const auto requests = sim_->Requests();
    ASSERT_EQ(requests.size(), 258u);
    EXPECT_EQ(requests.front().code, 0x01);
    EXPECT_EQ(requests.back().code, 0x03);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(requests[i + 1].code, 0x04) << i;
        ASSERT_EQ(requests[i + 1].address, i * 8) << i;
    }
    const std::vector<qintptr> progress = Progressions();
    ASSERT_EQ(progress.size(), 256u);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(progress[i], (i + 1) * 8) << i;
    EXPECT_EQ(Outcomes(), std::vector<qintptr>{0});

    EXPECT_EQ(Progress().windowTitle(), QStringLiteral("Reading from Radio"));
    EXPECT_EQ(Progress().Form().lblAction->text(), QStringLiteral("Reading from radio..."));
    EXPECT_EQ(Progress().Form().gaugeProgress->minimum(), 0);
    EXPECT_EQ(Progress().Form().gaugeProgress->maximum(), 2047);
    EXPECT_EQ(Progress().Form().gaugeProgress->value(), 2047);
    EXPECT_FALSE(Progress().isVisible());
    // The main window shows what the image now holds.
    EXPECT_EQ(window_->Form().lblRadioType->text(), QStringLiteral("Telemetry"));
}

TEST_F(MainTransfer, WritingLeavesTheFactoryArea)
{
    const QByteArray before = SimBytes();
    QByteArray image(2048, '\0');
    for (int i = 0; i < 2048; ++i)
        image[i] = static_cast<char>((i * 5 + 1) & 0xFF);
    window_->Image().WriteBlock(0, reinterpret_cast<const uint8_t*>(image.constData()), 2048);

    EXPECT_TRUE(window_->TransferImage(true, 48, 2047));
    const QByteArray after = SimBytes();
    EXPECT_EQ(after.left(48), before.left(48));
    EXPECT_EQ(after.mid(48), image.mid(48));

    ASSERT_TRUE(sim_->WaitForRequests(252, 3000));
    const auto requests = sim_->Requests();
    ASSERT_EQ(requests.size(), 252u);
    for (int i = 0; i < 250; ++i) {
        ASSERT_EQ(requests[i + 1].code, 0x05) << i;
        ASSERT_EQ(requests[i + 1].address, 48 + i * 8) << i;
    }
    EXPECT_EQ(Progress().windowTitle(), QStringLiteral("Writing to Radio"));
    EXPECT_EQ(Progress().Form().lblAction->text(), QStringLiteral("Writing to radio..."));
}

TEST_F(MainTransfer, CancelStopsBeforeTheNextBlock)
{
    sim_->SetLateMs(3); // slow enough for the window to keep up
    QObject::connect(Progress().Form().gaugeProgress, &QProgressBar::valueChanged, &Progress(), [this](int v) {
        if (v >= 800 && Progress().isVisible())
            Progress().Form().btnCancel->click();
    });
    const QByteArray old = ImageBytes();
    EXPECT_FALSE(window_->TransferImage(false, 0, 2047));
    EXPECT_EQ(Outcomes(), std::vector<qintptr>{2});
    EXPECT_FALSE(Progress().isVisible());

    // The session is closed, and the read stopped within a block of the click.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !sim_->Requests().empty() && sim_->Requests().back().code == 0x03; },
                                3000));
    const auto requests = sim_->Requests();
    const int reads = static_cast<int>(requests.size()) - 2;
    EXPECT_GE(reads, 100);
    EXPECT_LE(reads, 102);
    const QByteArray image = ImageBytes();
    EXPECT_EQ(image.left(800), SimBytes().left(800));
    EXPECT_EQ(image.mid(reads * 8), old.mid(reads * 8));
    EXPECT_FALSE(window_->TransferCancelEvent().IsSet());
}

TEST_F(MainTransfer, RadioGoingSilentShowsTheErrorUntilClosed)
{
    sim_->SetFailAfter(1 + 100); // the session open and 100 blocks
    QString shownAction;
    QString shownButton;
    // Press Close once the error is on screen.
    messages_.afterEnd = [&] {
        shownAction = Progress().Form().lblAction->text();
        shownButton = Progress().Form().btnCancel->text();
        messages_.afterEnd = nullptr;
        Progress().Form().btnCancel->click();
    };
    const QByteArray old = ImageBytes();
    EXPECT_FALSE(window_->TransferImage(false, 0, 2047));

    EXPECT_EQ(shownAction, QStringLiteral("Error reading from radio"));
    EXPECT_EQ(shownButton, QStringLiteral("Close"));
    EXPECT_EQ(Outcomes(), std::vector<qintptr>{1});
    const QByteArray image = ImageBytes();
    EXPECT_EQ(image.left(800), SimBytes().left(800));
    EXPECT_EQ(image.mid(800), old.mid(800));

    // Close left the cancel event set; the next transfer clears it and runs.
    EXPECT_TRUE(window_->TransferCancelEvent().IsSet());
    sim_->SetFailAfter(-1);
    EXPECT_TRUE(window_->TransferImage(false, 0, 2047));
    EXPECT_EQ(ImageBytes(), SimBytes());
    EXPECT_EQ(Progress().Form().btnCancel->text(), QStringLiteral("Close"));
}

} // namespace
