#include "console/simulator/VirtualDispenser.h"

#include <algorithm>

#include "platform/runtime/SysUtils.h"

std::vector<TExchange> TVirtualDispenser::Receive(std::span<const std::uint8_t> bytes) {
  std::vector<TExchange> exchanges;
  // Bytes held from earlier reads come first in what the items carry.
  std::ptrdiff_t end = -static_cast<std::ptrdiff_t>(FAssembler.PendingBytes());
  for (TStreamItem& item : FAssembler.Feed(bytes)) {
    end += static_cast<std::ptrdiff_t>(item.Bytes.size());
    const auto last =
        std::clamp<std::ptrdiff_t>(end - 1, 0, std::max<std::ptrdiff_t>(std::ssize(bytes) - 1, 0));
    TExchange exchange{std::move(item.Bytes), std::nullopt, {}, static_cast<std::size_t>(last)};
    switch (item.Kind) {
      case siJunk:
        exchange.Ignored = "bytes outside a frame";
        break;
      case siBadChecksum:
        exchange.Ignored =
            "bad checksum, should be " + IntToHex(FrameChecksum(exchange.Received), 2);
        break;
      case siFrame: {
        TFrame frame;
        std::copy(exchange.Received.begin(), exchange.Received.end(), frame.begin());
        TMachineAnswer answer = FMachine.Answer(frame);
        exchange.Reply = answer.Reply;
        exchange.Ignored = std::move(answer.Ignored);
        break;
      }
    }
    exchanges.push_back(std::move(exchange));
  }
  return exchanges;
}
