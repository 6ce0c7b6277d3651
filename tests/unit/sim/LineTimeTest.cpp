// The line's time as the simulator keeps it: character times, the pieces a
// receiver hands on, and a reply's schedule in real time.
#include "console/simulator/LineTime.h"

#include <gtest/gtest.h>

#include "console/simulator/ReplySchedule.h"
#include "platform/runtime/SysUtils.h"

namespace {

using namespace std::chrono_literals;
using std::chrono::microseconds;

microseconds Micro(TSimClock::duration d) {
  return std::chrono::duration_cast<microseconds>(d);
}

TEST(LineTime, ACharacterIsItsStartDataParityAndStopBits) {
  const std::pair<TLineFormat, microseconds> cases[] = {
      {{9600, 8, false, 2}, 1041us},  // 10 bits
      {{9600, 7, true, 4}, 1145us},   // 11 bits
      {{19200, 8, true, 2}, 572us},   // 11 bits
      {{9600, 5, false, 3}, 781us},   // 7.5 bits
  };
  for (const auto& [format, time] : cases) {
    EXPECT_EQ(Micro(CharacterTime(format)), time) << LineFormatText(format);
  }
  EXPECT_EQ(LineMismatch(kDispenserFormat), "");
  EXPECT_EQ(LineMismatch({19200, 8, false, 2}),
            "program set 19200 bit/s, dispenser runs at 9600: bytes would be garbled");
  EXPECT_EQ(LineMismatch({9600, 7, true, 2}),
            "program set 9600 bit/s 7P1, dispenser runs 9600 bit/s 8N1: bytes would be garbled");
}

TEST(LineTime, EachReceiverCutsATenByteReplyAsItsHardwareWould) {
  const TSimClock::time_point t0{};
  const auto ct = 1ms;
  std::vector<TSimClock::time_point> ends;
  for (int i = 1; i <= 10; ++i) ends.push_back(t0 + 5ms + i * ct);  // the last at 15 ms
  struct TCase {
    const char* Receiver;
    std::vector<TReceivedPiece> Pieces;
  };
  const TCase cases[] = {
      {"pty", {{t0 + 15ms, 10}}},
      {"uart", {{t0 + 13ms, 8}, {t0 + 19ms, 2}}},  // the trigger level, then 4 characters on
      {"usb", {{t0 + 16ms, 10}}},                  // the timer runs out every 16 ms from t0
      {"usb:4", {{t0 + 8ms, 3}, {t0 + 12ms, 4}, {t0 + 16ms, 3}}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(CutByReceiver(ends, ParseReceiver(c.Receiver), ct, t0), c.Pieces) << c.Receiver;
  }
  for (const char* wrong : {"serial", "usb:0", "usb:256", "usb:"}) {
    EXPECT_THROW(ParseReceiver(wrong), EConvertError) << wrong;
  }
}

TEST(ReplySchedule, InRealTimeAReplyEndsTwentyCharactersAfterItsCommandWasWritten) {
  const TSimClock::time_point t0{};
  const TFrame query = CommandFrame(dcStateQuery);
  const auto ct = CharacterTime(kDispenserFormat);
  for (const char* receiver : {"pty", "uart", "usb:1"}) {
    TReplySchedule schedule(0ms, false, ParseReceiver(receiver), t0);
    // The ten command bytes, all read at t0, cross the line one after another.
    TSimClock::time_point complete;
    for (int i = 0; i < 10; ++i) complete = schedule.Crossed(t0, kDispenserFormat);
    EXPECT_EQ(complete, t0 + 10 * ct);
    schedule.Add(query, complete);
    std::vector<TScheduledWrite> writes = schedule.TakeDue(t0 + 1s);
    ASSERT_FALSE(writes.empty());
    EXPECT_GE(writes.back().Due, t0 + 20 * ct) << receiver;
    EXPECT_LT(writes.back().Due, t0 + 25 * ct) << receiver;
    std::vector<std::uint8_t> bytes;
    for (const TScheduledWrite& write : writes) {
      EXPECT_GE(write.Due, complete + static_cast<int>(write.Bytes.size()) * ct);
      bytes.insert(bytes.end(), write.Bytes.begin(), write.Bytes.end());
    }
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(query.begin(), query.end())) << receiver;
  }
  // Fast: at once.
  TReplySchedule fast(0ms, false);
  EXPECT_EQ(fast.Crossed(t0, kDispenserFormat), t0);
}

}  // namespace
