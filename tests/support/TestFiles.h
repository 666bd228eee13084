#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Small file helpers for tests.
namespace testfiles {

// size bytes that follow a simple pattern, different for each seed.
inline QByteArray Pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return b;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testfiles
