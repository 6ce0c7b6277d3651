// Command -> reply -> decoded, round after round, through the port engine
// (event thread, OnRxChar on the main thread, Read, PortWrite) and
// dispenser-sim on a pseudo-terminal. Every reply is checked byte for byte
// against the dispenser's own model fed the same commands, and its decoding
// against the reply, so a lost, doubled or corrupted byte fails the run.
//
//   bench_roundtrip [--count N] [--split] [--sim PATH]
//
// Prints the round-trip times (median, 99th percentile, worst); exit 0 only
// if every round trip came back intact.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "bench/common/SimChild.h"
#include "console/protocol/HexText.h"
#include "console/protocol/ReplyDecoder.h"
#include "console/simulator/DispenserMachine.h"
#include "tools/cli/PortSession.h"

namespace {

using TClock = std::chrono::steady_clock;

// Every command, with the state changes that make each reply kind appear.
constexpr TDispenserCommand kSequence[] = {
    dcDispense,      dcCountQuery, dcStateQuery, dcButtonHoldOn,    dcStateQuery,
    dcButtonHoldOff, dcCountClear, dcErrorClear, dcCountErrorClear,
};

struct TResults {
  std::vector<double> Micros;  // one per completed round trip
  long Corrupted = 0;
  std::string FirstFault;
};

double Percentile(std::vector<double> sorted, double p) {
  if (sorted.empty()) return 0;
  const std::size_t index =
      static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  long count = 10'000;
  bool split = false;
  std::string sim = DISPENSER_SIM;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--count" && i + 1 < argc) {
      count = std::max(1L, std::atol(argv[++i]));
    } else if (arg == "--split") {
      split = true;
    } else if (arg == "--sim" && i + 1 < argc) {
      sim = argv[++i];
    } else {
      std::cerr << "usage: bench_roundtrip [--count N] [--split] [--sim PATH]\n";
      return 2;
    }
  }

  try {
    TPortSession session(std::cerr);  // blocks the stop signals before any thread exists
    TSimChild child(sim, split ? std::vector<std::string>{"--split"} : std::vector<std::string>{});
    TDispenserMachine model;
    TResults results;
    std::vector<std::uint8_t> pending;  // received bytes not yet taken as a reply
    long sent = 0;
    TFrame expected{};
    TClock::time_point start{};

    auto sendNext = [&] {
      const TDispenserCommand command = kSequence[sent % std::size(kSequence)];
      expected = *model.Answer(CommandFrame(command)).Reply;
      ++sent;
      start = TClock::now();
      PortWrite(session.Port(), CommandFrame(command).data(), 10);
    };

    session.Open(child.SlavePath, [&](std::span<const std::uint8_t> block) {
      pending.insert(pending.end(), block.begin(), block.end());
      while (pending.size() >= expected.size()) {
        const std::vector<std::uint8_t> reply(pending.begin(), pending.begin() + 10);
        pending.erase(pending.begin(), pending.begin() + 10);
        const TDecodedReply decoded = DecodeReply(reply);
        const bool intact = std::equal(reply.begin(), reply.end(), expected.begin()) &&
                            !decoded.Failure && decoded.Effects.size() >= 2 &&
                            decoded.Effects[1].Text == HexText(expected);
        results.Micros.push_back(
            std::chrono::duration<double, std::micro>(TClock::now() - start).count());
        if (!intact && results.Corrupted++ == 0) {
          results.FirstFault = "round trip " + std::to_string(sent) + ": expected " +
                               HexText(expected) + ", got " + HexText(reply);
        }
        if (sent < count) {
          sendNext();
        } else {
          Application->Terminate();
        }
      }
    });

    const auto began = TClock::now();
    sendNext();
    // A generous safety net: a lost reply stalls the run, and this ends it.
    const TSessionEnd end = session.Run(std::chrono::minutes(5));
    const double seconds = std::chrono::duration<double>(TClock::now() - began).count();
    session.Close();

    std::vector<double> sorted = results.Micros;
    std::sort(sorted.begin(), sorted.end());
    const long done = static_cast<long>(sorted.size());
    std::printf("round trips: %ld of %ld%s (sim %s)\n", done, count, split ? ", replies split" : "",
                child.SlavePath.c_str());
    std::printf("lost: %ld, corrupted: %ld, stray bytes left: %zu\n", count - done,
                results.Corrupted, pending.size());
    if (!results.FirstFault.empty()) std::printf("first fault: %s\n", results.FirstFault.c_str());
    std::printf("round-trip time: median %.1f us, 99th percentile %.1f us, worst %.1f us\n",
                Percentile(sorted, 0.5), Percentile(sorted, 0.99),
                sorted.empty() ? 0 : sorted.back());
    std::printf("total %.2f s, %.0f round trips/s\n", seconds, static_cast<double>(done) / seconds);
    if (end == seDeviceGone) std::printf("ended early: %s\n", session.GoneReport().c_str());
    return done == count && results.Corrupted == 0 && pending.empty() ? 0 : 1;
  } catch (const std::exception& error) {
    std::cerr << "bench_roundtrip: " << error.what() << '\n';
    return 1;
  }
}
