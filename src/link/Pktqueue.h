#pragma once

#include <cstdint>
#include <mutex>

// Holds the last frame put into it, for the frame monitor. The recorded
// length is the one given to Put, even when more than the 1024 stored bytes.
class TPktQueue {
public:
    static constexpr uint32_t Capacity = 1024;

    TPktQueue();
    TPktQueue(const TPktQueue&) = delete;
    TPktQueue& operator=(const TPktQueue&) = delete;

    // Records length and copies at most Capacity bytes.
    void Put(const uint8_t* bytes, uint32_t length);
    // Copies the held bytes (at most Capacity) to dst and returns the
    // recorded length.
    uint32_t Get(uint8_t* dst);

private:
    std::mutex lock_;
    uint32_t length_ = 0;
    uint8_t data_[Capacity];
};
