#include <gtest/gtest.h>

#include <string>

#include "platform/serial/posix/ParmrkDecoder.h"

namespace comm::posix {
namespace {

// Plain bytes as they are, marked bytes as "<xx>".
class Recorder : public ParmrkDecoder::Sink {
 public:
  void Bytes(const std::uint8_t* data, std::size_t count) override {
    text.append(reinterpret_cast<const char*>(data), count);
  }
  void Marked(std::uint8_t byte) override {
    char mark[8];
    std::snprintf(mark, sizeof mark, "<%02x>", byte);
    text += mark;
  }
  std::string text;
};

std::string Decode(const std::string& stream, std::size_t chunk = 0) {
  ParmrkDecoder decoder;
  Recorder recorder;
  if (chunk == 0) chunk = stream.size();
  for (std::size_t at = 0; at < stream.size(); at += chunk) {
    const std::string part = stream.substr(at, chunk);
    decoder.Decode(reinterpret_cast<const std::uint8_t*>(part.data()), part.size(), recorder);
  }
  return recorder.text;
}

TEST(ParmrkDecoder, DoubledFFIsOneLiteralFF) {
  EXPECT_EQ(Decode("A\xFF\xFF"
                   "B"),
            "A\xFF"
            "B");
  EXPECT_EQ(Decode("\xFF\xFF\xFF\xFF"), "\xFF\xFF");
}

TEST(ParmrkDecoder, MarkersBecomeMarkedBytesAndBreaks) {
  EXPECT_EQ(Decode(std::string("A\xFF\x00"
                               "cB",
                               5)),
            "A<63>B");
  EXPECT_EQ(Decode(std::string("\xFF\x00\x00", 3)), "<00>");
  EXPECT_EQ(Decode(std::string("\xFF\x00\xFF", 3)), "<ff>");
}

TEST(ParmrkDecoder, MarkersSplitAcrossReadsAreJoined) {
  const std::string stream(
      "ab\xFF\xFF"
      "c\xFF\x00"
      "d\xFF\x00\x00"
      "e",
      12);
  const std::string expected =
      "ab\xFF"
      "c<64><00>e";
  for (std::size_t chunk = 1; chunk <= stream.size(); ++chunk) {
    EXPECT_EQ(Decode(stream, chunk), expected) << "chunks of " << chunk;
  }
}

TEST(ParmrkDecoder, NulBytesOutsideMarkersArePlainData) {
  EXPECT_EQ(Decode(std::string("\x00"
                               "a\x00",
                               3)),
            std::string("\x00"
                        "a\x00",
                        3));
}

TEST(ParmrkDecoder, ResetForgetsAHalfMarker) {
  ParmrkDecoder decoder;
  Recorder recorder;
  const std::uint8_t half[] = {'a', 0xFF};
  decoder.Decode(half, 2, recorder);
  decoder.Reset();
  const std::uint8_t next[] = {0x00, 'c'};  // would have ended the marker
  decoder.Decode(next, 2, recorder);
  EXPECT_EQ(recorder.text, std::string("a\x00"
                                       "c",
                                       3));
}

}  // namespace
}  // namespace comm::posix
