// The Qt loop serving hand-overs: how many loop events a stream of
// Synchronize calls and a burst of posted calls cost, and the round trip.
// Run by hand (QT_QPA_PLATFORM=offscreen works): bench_runtime_qt_wake [rounds]
#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/qt/QtBackend.h"
#include "platform/runtime/Threads.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 20000;
  TApplication app(std::make_unique<QtBackend>());
  app.Initialize();
  auto& backend = static_cast<QtBackend&>(app.Backend());

  int counter = 0;
  double sync = 0;
  int syncEvents = 0;
  int burstEvents = 0;
  std::thread worker([&] {
    int before = backend.WakeEventsPosted();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) SynchronizeCall([&] { ++counter; });
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    sync = took.count() / rounds;
    syncEvents = backend.WakeEventsPosted() - before;

    SynchronizeCall([&] {
      // The main thread is busy here while the burst is posted.
      before = backend.WakeEventsPosted();
      std::thread burst([&] {
        for (int i = 0; i < rounds; ++i) MainThread::Post([&] { ++counter; });
      });
      burst.join();
      burstEvents = backend.WakeEventsPosted() - before;
    });
    SynchronizeCall([&] { app.Terminate(); });
  });
  app.Run();
  worker.join();
  std::printf("rounds                                 %d\n", rounds);
  std::printf("Synchronize round trip via the Qt loop %.2f us\n", sync);
  std::printf("loop events for %d Synchronize calls   %d\n", rounds, syncEvents);
  std::printf("loop events for a burst of %d posts    %d\n", rounds, burstEvents);
  return 0;
}
