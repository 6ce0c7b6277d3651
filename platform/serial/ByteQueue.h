// The device layer's input queue: a ring of bytes that grows as needed.
// How many bytes it may hold is the owner's decision (SetupComm's size).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace comm {

class ByteQueue {
 public:
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

  void Push(std::uint8_t byte) {
    if (size_ == ring_.size()) Grow();
    ring_[(head_ + size_) % ring_.size()] = byte;
    ++size_;
  }

  // Moves up to count bytes from the front to out; returns how many.
  std::size_t Pop(std::uint8_t* out, std::size_t count) {
    const std::size_t n = count < size_ ? count : size_;
    for (std::size_t i = 0; i < n; ++i) out[i] = ring_[(head_ + i) % ring_.size()];
    head_ = n == size_ ? 0 : (head_ + n) % ring_.size();
    size_ -= n;
    return n;
  }

  void Clear() {
    head_ = 0;
    size_ = 0;
  }

 private:
  void Grow() {
    std::vector<std::uint8_t> bigger(ring_.empty() ? 256 : ring_.size() * 2);
    for (std::size_t i = 0; i < size_; ++i) bigger[i] = ring_[(head_ + i) % ring_.size()];
    ring_.swap(bigger);
    head_ = 0;
  }

  std::vector<std::uint8_t> ring_;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
};

}  // namespace comm
