// Cost of handing work to the main thread: a Synchronize round trip, a sent
// message with and without early reply, and freeing a thread that still has
// hand-overs queued. Run by hand: bench_runtime_handover [rounds]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/runtime/Messages.h"
#include "platform/runtime/Threads.h"
#include "tests/unit/runtime/FunctionThread.h"

namespace {

using Clock = std::chrono::steady_clock;

using Worker = FunctionThread;

// Runs body on a worker while the main thread serves it; microseconds per round.
double PerRound(int rounds, const std::function<void(Worker&)>& body) {
  const auto start = Clock::now();
  {
    Worker worker(body);
    worker.Resume();
  }  // freeing it serves every hand-over until it ends
  const std::chrono::duration<double, std::micro> took = Clock::now() - start;
  return took.count() / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 20000;
  MainThread::Bind();

  int counter = 0;
  const double sync = PerRound(rounds, [&](Worker& self) {
    for (int i = 0; i < rounds; ++i) self.Synchronize([&] { ++counter; });
  });

  TWindowHandle window = AllocateHWnd([&](TMessage& m) { m.Result = ++counter; });
  const double send = PerRound(rounds, [&](Worker&) {
    for (int i = 0; i < rounds; ++i) SendMessageA(window, WM_USER + 1, 0, 0);
  });
  DeallocateHWnd(window);

  window = AllocateHWnd([&](TMessage&) {
    ReplyMessage(0);
    ++counter;
  });
  const double early = PerRound(rounds, [&](Worker&) {
    for (int i = 0; i < rounds; ++i) SendMessageA(window, WM_USER + 1, 0, 0);
  });
  DeallocateHWnd(window);

  std::printf("rounds                          %d\n", rounds);
  std::printf("Synchronize round trip          %.2f us\n", sync);
  std::printf("SendMessage round trip          %.2f us\n", send);
  std::printf("SendMessage with early reply    %.2f us\n", early);
  return counter == 3 * rounds ? 0 : 1;
}
