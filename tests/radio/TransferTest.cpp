// The image transfer worker and the PMR program's transfer operation,
// against the simulated radio.
#include "radio/Radiorw.h"
#include "radio/Transfer.h"

#include "MessageSink.h"
#include "RadioSimulator.h"
#include "link/Win32port.h"
#include "platform/Event.h"
#include "radio/Radio.h"
#include "ui_Transferprogress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

// A plain buffer as the image.
class Buffer : public ImageBlocks {
public:
    explicit Buffer(int size) : bytes(static_cast<size_t>(size), 0xFF) {}
    int ReadBlock(int address, uint8_t* destination, int count) const override
    {
        int n = 0;
        for (; n < count && address + n < static_cast<int>(bytes.size()); ++n)
            destination[n] = bytes[static_cast<size_t>(address + n)];
        return n;
    }
    int WriteBlock(int address, const uint8_t* source, int count) override
    {
        int n = 0;
        for (; n < count && address + n < static_cast<int>(bytes.size()); ++n)
            bytes[static_cast<size_t>(address + n)] = source[n];
        return n;
    }
    std::vector<uint8_t> bytes;
};

// Stands in for a main window: hands the transfer messages to the operation.
class Host : public QObject {
public:
    TransferImageOperation* operation = nullptr;
    int closedByMessage = 0;
    // Runs once the message that ends a transfer has been handled.
    std::function<void()> afterEnd;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != static_cast<QEvent::Type>(WindowMessage::TransferProgress) || !operation)
            return;
        auto* m = static_cast<WindowMessageEvent*>(event);
        if (operation->HandleMessage(*m))
            ++closedByMessage;
        if (m->WParam() == 1 && afterEnd)
            QMetaObject::invokeMethod(this, afterEnd, Qt::QueuedConnection);
    }
};

class TransferTest : public ::testing::Test {
protected:
    void Open(SimOptions::Family family, Deliverable d)
    {
        SimOptions options;
        options.family = family;
        sim = std::make_unique<RadioSimulator>(options);
        ASSERT_TRUE(sim->Start()) << sim->Error();
        port = std::make_unique<Win32Port>(d);
        radio = std::make_unique<TRadio>(d);
        ASSERT_TRUE(port->OpenDevice(QString::fromStdString(sim->SlavePath())));
        radio->AttachPort(port.get());
        sim->ClearRequests();
    }
    void TearDown() override
    {
        if (radio)
            radio->AttachPort(nullptr);
    }

    std::unique_ptr<RadioSimulator> sim;
    std::unique_ptr<Win32Port> port;
    std::unique_ptr<TRadio> radio;
    Event cancel;
};

TEST_F(TransferTest, WorkerReportsEveryBlockAndItsOutcome)
{
    Open(SimOptions::Family::Telemetry, Deliverable::Telemetry);
    Buffer image(2048);
    MessageSink sink;
    ImageTransfer transfer(*radio, image, cancel, true);
    transfer.Start(false, 0, 2047, &sink);
    EXPECT_TRUE(transfer.Wait());
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.received.size() == 257; }, 3000));
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(sink.received[i].message, WindowMessage::TransferProgress);
        ASSERT_EQ(sink.received[i].wParam, 0);
        ASSERT_EQ(sink.received[i].lParam, (i + 1) * 8);
    }
    EXPECT_EQ(sink.received[256].wParam, 1);
    EXPECT_EQ(sink.received[256].lParam, ImageTransfer::Completed);
    const std::vector<uint8_t> memory = sim->Memory();
    EXPECT_EQ(image.bytes, std::vector<uint8_t>(memory.begin(), memory.begin() + 2048));
}

TEST_F(TransferTest, CancelSetBeforeTheFirstBlockReadsNothing)
{
    Open(SimOptions::Family::Telemetry, Deliverable::Telemetry);
    Buffer image(2048);
    MessageSink sink;
    ImageTransfer transfer(*radio, image, cancel, true);
    cancel.Set();
    transfer.Start(false, 0, 2047, &sink);
    EXPECT_FALSE(transfer.Wait());
    EXPECT_FALSE(cancel.IsSet()); // taken by the worker
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.received.size() == 1; }, 3000));
    EXPECT_EQ(sink.received[0].wParam, 1);
    EXPECT_EQ(sink.received[0].lParam, ImageTransfer::Cancelled);
    ASSERT_TRUE(sim->WaitForRequests(2, 3000));
    EXPECT_EQ(sim->Requests()[0].code, 0x01);
    EXPECT_EQ(sim->Requests()[1].code, 0x03); // opened and closed, nothing read
    EXPECT_EQ(image.bytes, std::vector<uint8_t>(2048, 0xFF));
}

TEST_F(TransferTest, PmrOperationLeavesTheSessionToItsCaller)
{
    Open(SimOptions::Family::Pmr, Deliverable::Pmr);
    Buffer image(8192);
    TradioRWprogress window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Reading from/Writing to radio"));
    Host host;
    TransferImageOperation operation(Deliverable::Pmr, *radio, image, cancel, window, &host);
    host.operation = &operation;

    ASSERT_TRUE(radio->OpenSession(true));
    EXPECT_TRUE(operation.Run(false, 0, 8191));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Reading from Radio (8kB)"));
    EXPECT_EQ(host.closedByMessage, 1);
    EXPECT_EQ(image.bytes, sim->Memory());

    ASSERT_TRUE(sim->WaitForRequests(1 + 1024 + 1, 3000));
    const auto requests = sim->Requests();
    ASSERT_EQ(requests.size(), 1026u);
    EXPECT_EQ(requests[0].code, 0x01); // the caller's open, with escaping
    EXPECT_EQ(requests[0].payload[0], 3);
    EXPECT_EQ(requests[1].code, 0x04);
    EXPECT_EQ(requests[1024].address, 8184);
    EXPECT_EQ(requests[1025].code, 0x03);

    ASSERT_TRUE(radio->OpenSession(false));
    EXPECT_TRUE(operation.Run(true, 48, 2047));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Writing to Radio (2kB)"));
    EXPECT_EQ(window.Form().lblAction->text(), QStringLiteral("Writing to radio..."));
}

TEST_F(TransferTest, FailedWriteNamesTheDirection)
{
    Open(SimOptions::Family::Pmr, Deliverable::Pmr);
    Buffer image(2048);
    TradioRWprogress window;
    Host host;
    TransferImageOperation operation(Deliverable::Pmr, *radio, image, cancel, window, &host);
    host.operation = &operation;
    sim->SetSilent(true);
    // Once the error is up, read it and press Close.
    QString shown;
    host.afterEnd = [&] {
        shown = window.Form().lblAction->text();
        window.Form().btnCancel->click();
    };
    EXPECT_FALSE(operation.Run(true, 48, 2047));
    EXPECT_EQ(shown, QStringLiteral("Error writing to radio"));
    EXPECT_EQ(host.closedByMessage, 0);
    EXPECT_TRUE(cancel.IsSet());
}

} // namespace
