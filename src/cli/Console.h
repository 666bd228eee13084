#pragma once

#include <QString>
#include <cstdio>

// Where ql41 writes: results on standard output, progress, questions and
// errors on standard error. Progress is a redrawn bar with percentage on a
// terminal, and one line per 10 % anywhere else (a log, a pipe).
class Console {
public:
    Console(std::FILE* out, std::FILE* err, bool errIsTerminal);

    // A result line on standard output.
    void Out(const QString& line);
    // A message on standard error, line end added; ends a progress bar first.
    void Err(const QString& text);

    // Starts a progress display at 0 %.
    void BeginProgress(const QString& label);
    // 0..100; shown when it changes (a terminal) or crosses a tenth (others).
    void Progress(int percent);
    // Ends the display; the bar's line is finished.
    void EndProgress();
    bool InProgress() const { return inProgress_; }

    // Percentage of done out of total, 0..100.
    static int Percent(long long done, long long total);

private:
    void Draw();
    void Write(std::FILE* stream, const QString& text);

    std::FILE* out_;
    std::FILE* err_;
    const bool terminal_;
    bool inProgress_ = false;
    QString label_;
    int percent_ = 0;
};
