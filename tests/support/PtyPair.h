#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair standing in for a radio on a serial line: the code
// under test opens SlavePath() like a serial device; the test talks through
// the master side.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool IsValid() const { return master_ >= 0; }
    QString SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }

    // Writes all bytes to the master side.
    bool Write(const QByteArray& bytes);
    // Reads from the master side until count bytes arrived or timeoutMs ran
    // out; returns what arrived.
    QByteArray Read(int count, int timeoutMs);
    // Bytes that arrive within timeoutMs of quiet.
    QByteArray ReadAll(int quietMs);
    // Baud rate the slave side is set to (as the serial port code left it).
    int SlaveBaudRate() const;

private:
    int master_ = -1;
    int keepSlave_ = -1;
    QString slavePath_;
};
