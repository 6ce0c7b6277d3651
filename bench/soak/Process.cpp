// Process readings and the window's path, shared by the soak's runs.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "bench/soak/Soak.h"
#include "console/protocol/HexText.h"
#include "console/protocol/ReceivedText.h"
#include "console/protocol/ReplyDecoder.h"

TProcessReading ReadProcess() {
  TProcessReading reading;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  reading.CpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    long size = 0, resident = 0;
    if (std::fscanf(statm, "%ld %ld", &size, &resident) == 2) {
      reading.ResidentKiB = resident * (sysconf(_SC_PAGESIZE) / 1024);
    }
    std::fclose(statm);
  }
  return reading;
}

std::vector<TReplyBlock> TWindowPath::Receive(std::span<const std::uint8_t> bytes) {
  std::vector<TReplyBlock> blocks = FAssembler.Feed(bytes, TReplyAssembler::TClock::now());
  for (const TReplyBlock& block : blocks) Show(block);
  return blocks;
}

std::vector<TReplyBlock> TWindowPath::Flush() {
  std::vector<TReplyBlock> blocks = FAssembler.Flush();
  for (const TReplyBlock& block : blocks) Show(block);
  return blocks;
}

void TWindowPath::Show(const TReplyBlock& block) {
  const TDecodedReply reply = DecodeReplyBlock(block);
  if (reply.Failure) ++FDecodeFailures;
  // The texts the log and the fields would get; built, then dropped.
  std::size_t shown = DisplayText(block.Bytes).size() + HexText(block.Bytes).size();
  for (const TReplyEffect& effect : reply.Effects) shown += effect.Text.size();
  FShownBytes += shown;
}
