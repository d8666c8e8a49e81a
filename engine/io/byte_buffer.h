// A growable byte buffer whose room is written before it is committed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace tolvarin {

// Bytes that grow without clearing the room they take first: most of the Unicode
// output is written straight into it.
class ByteBuffer {
public:
    // Room for `n` more bytes at the end; `commit` then says where what was written ends.
    char* room(std::size_t n) {
        if (capacity_ - size_ < n) grow(n);
        return data_.get() + size_;
    }
    void commit(const char* end) { size_ = std::size_t(end - data_.get()); }
    void reserve(std::size_t n) {
        if (capacity_ - size_ < n) grow(n);
    }
    void append(std::string_view bytes) {
        if (bytes.empty()) return;
        std::memcpy(room(bytes.size()), bytes.data(), bytes.size());
        size_ += bytes.size();
    }
    std::string_view view() const { return {data_.get(), size_}; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }

private:
    void grow(std::size_t n) {
        const std::size_t capacity = std::max({size_ + n, 2 * capacity_, std::size_t(4096)});
        std::unique_ptr<char[]> data(new char[capacity]);
        if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
        data_ = std::move(data);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};

}  // namespace tolvarin
