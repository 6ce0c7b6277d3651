// The long round-trip run: every command in turn to dispenser-sim, each
// reply compared with the dispenser model's; a reply that has not come
// within a second is lost and the next command goes out.
#include <chrono>
#include <iostream>

#include "bench/common/SimChild.h"
#include "bench/soak/Soak.h"
#include "console/protocol/HexText.h"
#include "console/simulator/DispenserMachine.h"
#include "tools/cli/PortSession.h"

namespace {

using TClock = std::chrono::steady_clock;

// Every command, with the state changes that make each reply kind appear.
constexpr TDispenserCommand kSequence[] = {
    dcDispense,      dcCountQuery, dcStateQuery, dcButtonHoldOn,    dcStateQuery,
    dcButtonHoldOff, dcCountClear, dcErrorClear, dcCountErrorClear,
};
constexpr long kWarmUp = 1000;  // round trips before the first memory reading

}  // namespace

TRoundTripResult RunRoundTrips(const std::string& program, long count) {
  TRoundTripResult result;
  TPortSession session(std::cerr);
  TSimChild child(program);
  TDispenserMachine model;
  TWindowPath window;
  TFrame expected{};
  bool awaiting = false;
  TPortSession::TTimerId replyWait = 0;

  auto sendNext = [&] {
    if (result.Sent == count) {
      Application->Terminate();
      return;
    }
    if (result.Sent == kWarmUp) result.ResidentStartKiB = ReadProcess().ResidentKiB;
    const TFrame& command = CommandFrame(kSequence[result.Sent % std::size(kSequence)]);
    expected = *model.Answer(command).Reply;
    ++result.Sent;
    awaiting = true;
    session.SetTimer(replyWait, TClock::now() + std::chrono::seconds(1));
    PortWrite(session.Port(), command.data(), static_cast<std::int32_t>(command.size()));
  };
  auto fault = [&](std::string what) {
    if (result.FirstFault.empty()) {
      result.FirstFault = "round trip " + std::to_string(result.Sent) + ": " + what;
    }
  };
  replyWait = session.AddTimer([&] {
    if (!awaiting) return;
    ++result.Lost;
    fault("no reply to " + HexText(expected) + "'s command");
    window.Flush();
    sendNext();
  });
  session.Open(child.SlavePath, [&](std::span<const std::uint8_t> bytes) {
    for (const TReplyBlock& block : window.Receive(bytes)) {
      const bool intact = awaiting && block.Kind == rbFrame &&
                          std::equal(block.Bytes.begin(), block.Bytes.end(), expected.begin());
      if (intact) {
        ++result.Intact;
      } else {
        ++result.Corrupted;
        fault("expected " + HexText(expected) + ", got " + HexText(block.Bytes));
      }
      awaiting = false;
      sendNext();
    }
  });

  const TClock::time_point began = TClock::now();
  sendNext();
  // A safety net only: a lost reply costs a second, never the run.
  if (session.Run(std::chrono::minutes(30)) == seDeviceGone) fault(session.GoneReport());
  result.Seconds = std::chrono::duration<double>(TClock::now() - began).count();
  result.ResidentEndKiB = ReadProcess().ResidentKiB;
  session.Close();
  return result;
}
