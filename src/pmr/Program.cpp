#include "Program.h"

#include "Main.h"
#include "ui/ProgramEntry.h"

int RunQl4100p(Dialogs& dialogs, const QStringList& arguments, bool runEventLoop)
{
    const ProgramTitles titles{QStringLiteral("QL4100/4120/4300/4320 PMR Dealer Software"),
                               QStringLiteral("QL4100/4120/4300/4320 PMR Dealer Software"),
                               QStringLiteral("QL41/43x0 run another")};
    return RunProgram(
        dialogs, titles, [&] { return std::make_unique<pmr::Tfrm4100>(dialogs, arguments); }, runEventLoop);
}
