#include "Mtdeque.h"

#include <cstring>

MTdeque::MTdeque()
{
    std::memset(buffer_, 0, sizeof buffer_);
}

int MTdeque::Push(const uint8_t* bytes, int length)
{
    if (bytes == nullptr || length <= 0)
        return 0;
    std::lock_guard<std::mutex> guard(lock_);
    int stored = 0;
    while (stored < length) {
        // Positions meet both when empty and when full; the count tells which.
        if (write_ == read_ && count_ > 0)
            break;
        buffer_[write_] = bytes[stored++];
        write_ = (write_ + 1) % Size;
        ++count_;
    }
    return stored;
}

int MTdeque::Pop(uint8_t* dst, int max)
{
    if (dst == nullptr || max <= 0)
        return 0;
    std::lock_guard<std::mutex> guard(lock_);
    int taken = 0;
    while (taken < max && count_ > 0) {
        dst[taken++] = buffer_[read_];
        read_ = (read_ + 1) % Size;
        --count_;
    }
    if (count_ < 0)
        count_ = 0;
    return taken;
}

bool MTdeque::IsEmpty() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return count_ <= 0;
}

void MTdeque::Clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    std::memset(buffer_, 0, sizeof buffer_);
    write_ = 0;
    read_ = 0;
    count_ = 0;
}
