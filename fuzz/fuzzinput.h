#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Takes typed values off the front of a fuzzer's input; zeros once it runs out.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    template <typename T> T take()
    {
        T value{};
        const size_t n = size_ < sizeof(T) ? size_ : sizeof(T);
        std::memcpy(&value, data_, n);
        data_ += n;
        size_ -= n;
        return value;
    }
    size_t remaining() const { return size_; }
    const uint8_t* rest() const { return data_; }

private:
    const uint8_t* data_;
    size_t size_;
};
