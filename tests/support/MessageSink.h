#pragma once

#include "platform/WindowMessages.h"

#include <QObject>
#include <vector>

// A window that records the window messages posted to it.
class MessageSink : public QObject {
public:
    struct Message {
        int message;
        qintptr wParam;
        qintptr lParam;
    };
    std::vector<Message> received;

    qintptr ByteTotal() const
    {
        qintptr total = 0;
        for (const Message& m : received)
            total += m.wParam;
        return total;
    }

    std::vector<Message> Of(int message) const
    {
        std::vector<Message> out;
        for (const Message& m : received)
            if (m.message == message)
                out.push_back(m);
        return out;
    }

protected:
    void customEvent(QEvent* event) override
    {
        if (auto* m = dynamic_cast<WindowMessageEvent*>(event))
            received.push_back({m->Message(), m->WParam(), m->LParam()});
    }
};
