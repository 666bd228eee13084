#include "Pktqueue.h"

#include <algorithm>
#include <cstring>

TPktQueue::TPktQueue()
{
    std::memset(data_, 0, sizeof data_);
}

void TPktQueue::Put(const uint8_t* bytes, uint32_t length)
{
    std::lock_guard<std::mutex> guard(lock_);
    length_ = length;
    const uint32_t stored = std::min(length, Capacity);
    if (bytes != nullptr && stored > 0)
        std::memcpy(data_, bytes, stored);
}

uint32_t TPktQueue::Get(uint8_t* dst)
{
    std::lock_guard<std::mutex> guard(lock_);
    const uint32_t held = std::min(length_, Capacity);
    if (dst != nullptr && held > 0)
        std::memcpy(dst, data_, held);
    return length_;
}
