// Reads the byte stream of a terminal in PARMRK mode: a literal 0xFF comes
// doubled (FF FF), a byte received with a parity or framing error as
// FF 00 byte, a break as FF 00 00. Markers may be split across reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace comm::posix {

class ParmrkDecoder {
 public:
  class Sink {
   public:
    virtual ~Sink() = default;
    // Plain received bytes, in order.
    virtual void Bytes(const std::uint8_t* data, std::size_t count) = 0;
    // A marked byte: received with a line error, or a break when it is 0.
    virtual void Marked(std::uint8_t byte) = 0;
  };

  void Decode(const std::uint8_t* data, std::size_t count, Sink& sink);
  // Forgets a marker begun in bytes that were flushed.
  void Reset() { state_ = State::Plain; }

 private:
  enum class State : std::uint8_t { Plain, AfterFF, AfterFF00 };
  State state_ = State::Plain;
};

}  // namespace comm::posix
