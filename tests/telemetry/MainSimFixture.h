#pragma once

#include "MainFixture.h"
#include "RadioSimulator.h"
#include "platform/WindowMessages.h"

#include <functional>
#include <vector>

// Records the transfer messages the worker posts to the main window.
class TransferMessages : public QObject {
public:
    std::vector<std::pair<qintptr, qintptr>> seen;
    // Runs after the main window has handled the message that ends a transfer.
    std::function<void()> afterEnd;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == static_cast<QEvent::Type>(WindowMessage::TransferProgress)) {
            auto* m = static_cast<WindowMessageEvent*>(event);
            seen.emplace_back(m->WParam(), m->LParam());
            if (m->WParam() == 1 && afterEnd)
                QMetaObject::invokeMethod(this, afterEnd, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
};

// The main window started against a simulated telemetry radio on COM1.
class MainSimFixture : public MainFixture {
protected:
    // Options of the simulated radio; set before SetUp runs.
    SimOptions simOptions;

    void SetUp() override
    {
        MainFixture::SetUp();
        sim_ = std::make_unique<RadioSimulator>(simOptions);
        ASSERT_TRUE(sim_->Start()) << sim_->Error();
        MapPort(1, QString::fromStdString(sim_->SlavePath()));
        WriteFile(QStringLiteral("def41t.mem"), MakeImage(0));
        Start();
        ASSERT_TRUE(window_->Port().IsOpen());
        window_->installEventFilter(&messages_);
        sim_->ClearRequests();
        dialogs_.messages.clear();
    }
    void TearDown() override
    {
        window_.reset(); // closes the port before the radio goes
        sim_.reset();
        MainFixture::TearDown();
    }

    QByteArray SimBytes() const
    {
        const std::vector<uint8_t> m = sim_->Memory();
        return QByteArray(reinterpret_cast<const char*>(m.data()), static_cast<qsizetype>(m.size()));
    }
    std::vector<qintptr> Outcomes() const
    {
        std::vector<qintptr> out;
        for (const auto& [w, l] : messages_.seen)
            if (w == 1)
                out.push_back(l);
        return out;
    }

    std::unique_ptr<RadioSimulator> sim_;
    TransferMessages messages_;
};
