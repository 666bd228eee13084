// ql41: the command-line programmer for QL4100 family radios.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/Options.h"
#include "platform/WindowMessages.h"

#include <QCoreApplication>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Before any thread exists, so that only the watcher takes Ctrl-C.
    InterruptWatch::BlockSignals();
    QCoreApplication app(argc, argv);
    WatchWindowMessageHandOver();

    Console console(stdout, stderr, isatty(STDERR_FILENO) == 1);
    CliOptions options;
    QString error;
    if (!ParseCliOptions(app.arguments().mid(1), options, error)) {
        console.Err(QStringLiteral("ql41: ") + error + QStringLiteral("\nTry 'ql41 --help'."));
        return CliExit::Usage;
    }
    if (options.help) {
        const QByteArray text = CliUsageText().toLocal8Bit();
        fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        return CliExit::Done;
    }
    InterruptWatch interrupt;
    return RunCliCommand(options, console, interrupt);
}
