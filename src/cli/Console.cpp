#include "Console.h"

#include <algorithm>

namespace {
constexpr int kBarWidth = 30;
} // namespace

Console::Console(std::FILE* out, std::FILE* err, bool errIsTerminal)
    : out_(out), err_(err), terminal_(errIsTerminal)
{
}

void Console::Write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void Console::Out(const QString& line)
{
    if (inProgress_ && terminal_)
        EndProgress();
    Write(out_, line + QLatin1Char('\n'));
}

void Console::Err(const QString& text)
{
    if (inProgress_)
        EndProgress();
    Write(err_, text + QLatin1Char('\n'));
}

int Console::Percent(long long done, long long total)
{
    if (total <= 0)
        return 100;
    return static_cast<int>(std::clamp<long long>(done * 100 / total, 0, 100));
}

void Console::BeginProgress(const QString& label)
{
    if (inProgress_)
        EndProgress();
    inProgress_ = true;
    label_ = label;
    percent_ = 0;
    Draw();
}

void Console::Progress(int percent)
{
    if (!inProgress_)
        return;
    percent = std::clamp(percent, 0, 100);
    if (terminal_) {
        if (percent == percent_)
            return;
        percent_ = percent;
        Draw();
        return;
    }
    // One line for each tenth reached; a jump over several prints the last.
    if (percent / 10 == percent_ / 10)
        return;
    percent_ = percent;
    Draw();
}

void Console::Draw()
{
    if (!terminal_) {
        Write(err_, QStringLiteral("%1 %2%\n").arg(label_).arg(percent_ / 10 * 10));
        return;
    }
    const int filled = percent_ * kBarWidth / 100;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char(' '));
    // Carriage return and erase to the end of the line: the bar redraws itself.
    Write(err_, QStringLiteral("\r\x1b[K%1 [%2] %3%").arg(label_, bar).arg(percent_, 3));
}

void Console::EndProgress()
{
    if (!inProgress_)
        return;
    inProgress_ = false;
    if (terminal_)
        Write(err_, QStringLiteral("\n"));
}
