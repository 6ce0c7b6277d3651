#include "platform/serial/posix/ParmrkDecoder.h"

#include <cstring>

namespace comm::posix {

void ParmrkDecoder::Decode(const std::uint8_t* data, std::size_t count, Sink& sink) {
  static constexpr std::uint8_t kFF = 0xFF;
  std::size_t run = 0;  // start of the plain bytes not yet passed on
  auto flush = [&](std::size_t end) {
    if (end > run) sink.Bytes(data + run, end - run);
  };
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t byte = data[i];
    switch (state_) {
      case State::Plain: {
        // The plain bytes up to the next FF are passed over in one search.
        const void* ff = std::memchr(data + i, kFF, count - i);
        if (ff == nullptr) {
          i = count - 1;
          break;
        }
        i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - data);
        flush(i);
        state_ = State::AfterFF;
        break;
      }
      case State::AfterFF:
        if (byte == 0xFF) {
          run = i;  // the second FF is the literal byte
          state_ = State::Plain;
        } else if (byte == 0x00) {
          state_ = State::AfterFF00;
        } else {
          // Not a marker the kernel writes: keep both bytes as they came.
          sink.Bytes(&kFF, 1);
          run = i;
          state_ = State::Plain;
        }
        break;
      case State::AfterFF00:
        sink.Marked(byte);
        run = i + 1;
        state_ = State::Plain;
        break;
    }
  }
  if (state_ == State::Plain) flush(count);
}

}  // namespace comm::posix
