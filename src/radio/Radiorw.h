#pragma once

#include "radio/Radio_rw.h"

// ql4100p's progress window.
class TradioRWprogress : public TransferProgressWindow {
    Q_OBJECT
public:
    explicit TradioRWprogress(QWidget* parent = nullptr);
};
