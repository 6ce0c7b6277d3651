// The terminal's marked byte stream (PARMRK) through the decoder, cut into
// reads at points the input chooses. Events that are encoded as the kernel
// marks them come back as they were, however the stream is cut; any stream
// decodes to the same events cut or whole.
#include <utility>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/serial/posix/ParmrkDecoder.h"

namespace {

// A received byte, plain or marked (a line error; a break when 0).
using Received = std::pair<bool, std::uint8_t>;

struct Collect : comm::posix::ParmrkDecoder::Sink {
  void Bytes(const std::uint8_t* data, std::size_t count) override {
    for (std::size_t i = 0; i < count; ++i) events.emplace_back(false, data[i]);
  }
  void Marked(std::uint8_t byte) override { events.emplace_back(true, byte); }
  std::vector<Received> events;
};

// Decodes the stream in reads whose lengths come from cuts (1 to 16 bytes
// each, cycling); no cuts: one read.
std::vector<Received> Decode(const std::vector<std::uint8_t>& stream,
                             std::span<const std::uint8_t> cuts) {
  comm::posix::ParmrkDecoder decoder;
  Collect sink;
  std::size_t at = 0, cut = 0;
  while (at < stream.size()) {
    std::size_t length = stream.size() - at;
    if (!cuts.empty()) length = std::min<std::size_t>(length, cuts[cut++ % cuts.size()] % 16 + 1);
    decoder.Decode(stream.data() + at, length, sink);
    at += length;
  }
  return std::move(sink.events);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader input(data, size);
  const auto cuts = input.Piece(32);
  const auto rest = input.Rest();

  // Any stream: cut or whole, the same events.
  const std::vector<std::uint8_t> raw(rest.begin(), rest.end());
  FUZZ_CHECK(Decode(raw, cuts) == Decode(raw, {}));

  // Events encoded as the kernel marks them: each byte pair of the rest is
  // one event, marked when the first byte is odd.
  std::vector<Received> sent;
  std::vector<std::uint8_t> stream;
  for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
    const Received event{(rest[i] & 1) != 0, rest[i + 1]};
    sent.push_back(event);
    if (event.first) {
      stream.insert(stream.end(), {0xFF, 0x00, event.second});
    } else if (event.second == 0xFF) {
      stream.insert(stream.end(), {0xFF, 0xFF});
    } else {
      stream.push_back(event.second);
    }
  }
  FUZZ_CHECK(Decode(stream, cuts) == sent);
  return 0;
}
