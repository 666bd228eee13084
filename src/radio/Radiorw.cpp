#include "Radiorw.h"

TradioRWprogress::TradioRWprogress(QWidget* parent)
    : TransferProgressWindow(QStringLiteral("Reading from/Writing to radio"), parent)
{
    setObjectName(QStringLiteral("TradioRWprogress"));
}
