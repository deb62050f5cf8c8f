#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>

namespace vantry {

// Bytes that grow at their end without being cleared first: whoever extends them writes every new
// byte at once, so clearing them would only be work thrown away on every frame.
class UnfilledBytes {
 public:
  char* data() { return bytes_.get(); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }
  void swap(UnfilledBytes& other) noexcept {
    std::swap(bytes_, other.bytes_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }
  // The room, given back.
  void release() { *this = UnfilledBytes(); }

  // `count` more bytes at the end, for the caller to write.
  char* extend(std::size_t count) {
    if (count > capacity_ - size_) grow(size_ + count);
    return bytes_.get() + std::exchange(size_, size_ + count);
  }

 private:
  void grow(std::size_t needed) {
    capacity_ = std::max(needed, 2 * capacity_);
    std::unique_ptr<char[]> larger(new char[capacity_]);
    if (size_ > 0) std::memcpy(larger.get(), bytes_.get(), size_);
    bytes_ = std::move(larger);
  }

  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace vantry
