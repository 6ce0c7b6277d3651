// The device layer's input queue: a ring of bytes that grows as needed.
// How many bytes it may hold is the owner's decision (SetupComm's size).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace comm {

class ByteQueue {
 public:
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

  void Push(std::uint8_t byte) { Push(&byte, 1); }

  // Appends count bytes at the back.
  void Push(const std::uint8_t* data, std::size_t count) {
    if (count == 0) return;
    if (size_ + count > ring_.size()) Grow(size_ + count);
    const std::size_t tail = (head_ + size_) % ring_.size();
    const std::size_t first = std::min(count, ring_.size() - tail);
    std::memcpy(ring_.data() + tail, data, first);
    std::memcpy(ring_.data(), data + first, count - first);
    size_ += count;
  }

  // Moves up to count bytes from the front to out; returns how many.
  std::size_t Pop(std::uint8_t* out, std::size_t count) {
    const std::size_t n = std::min(count, size_);
    if (n == 0) return 0;
    const std::size_t first = std::min(n, ring_.size() - head_);
    std::memcpy(out, ring_.data() + head_, first);
    std::memcpy(out + first, ring_.data(), n - first);
    size_ -= n;
    head_ = size_ == 0 ? 0 : (head_ + n) % ring_.size();
    return n;
  }

  void Clear() {
    head_ = 0;
    size_ = 0;
  }

 private:
  // To at least `needed` bytes, doubling, the queued bytes moved to the front.
  void Grow(std::size_t needed) {
    std::size_t capacity = ring_.empty() ? 256 : ring_.size();
    while (capacity < needed) capacity *= 2;
    std::vector<std::uint8_t> bigger(capacity);
    const std::size_t held = size_;
    Pop(bigger.data(), held);
    ring_.swap(bigger);
    head_ = 0;
    size_ = held;
  }

  std::vector<std::uint8_t> ring_;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
};

}  // namespace comm
