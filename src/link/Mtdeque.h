#pragma once

#include <cstdint>
#include <mutex>

// Thread-safe byte ring of fixed size. Push stores as many bytes as fit and
// drops the rest; Pop takes the oldest bytes first. Every operation holds the
// ring's own lock; nothing allocates.
class MTdeque {
public:
    static constexpr int Size = 1024;

    MTdeque();
    MTdeque(const MTdeque&) = delete;
    MTdeque& operator=(const MTdeque&) = delete;

    // Stores bytes until the ring is full; returns how many were stored.
    // A length <= 0 stores nothing.
    int Push(const uint8_t* bytes, int length);
    // Takes up to max bytes, oldest first; returns how many were taken.
    // A max <= 0 takes nothing.
    int Pop(uint8_t* dst, int max);
    bool IsEmpty() const;
    // Zeroes the storage and forgets everything held.
    void Clear();

private:
    mutable std::mutex lock_;
    uint8_t buffer_[Size];
    int write_ = 0;
    int read_ = 0;
    int32_t count_ = 0;
};
