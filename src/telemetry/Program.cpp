#include "Program.h"

#include "Main.h"
#include "ui/ProgramEntry.h"

int RunQl4100(Dialogs& dialogs, bool runEventLoop)
{
    const ProgramTitles titles{QStringLiteral("QL4100 Telemetry"), QStringLiteral("QL4100"),
                               QStringLiteral("QL4100 run another")};
    return RunProgram(
        dialogs, titles, [&dialogs] { return std::make_unique<Tfrm4100>(dialogs); }, runEventLoop);
}
