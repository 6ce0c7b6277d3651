// For tests of event delivery: a headless application bound to the test's
// thread (the main thread), a journal that handlers on any thread write to,
// and a pump that serves the main thread until a condition holds.
#pragma once

#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/runtime/Application.h"
#include "platform/runtime/Threads.h"
#include "serial/CPort.h"
#include "serial/ComEventWait.h"

// CPU time the whole process has used so far, in seconds.
inline double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Lines written from any thread, in order.
class Journal {
 public:
  void Add(const std::string& line) {
    {
      std::lock_guard lock(FMutex);
      FLines.push_back(line);
    }
    MainThread::Wake();
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(FMutex);
    return FLines;
  }
  std::vector<std::string> Take() {
    std::lock_guard lock(FMutex);
    return std::exchange(FLines, {});
  }
  bool Has(const std::string& line) const {
    std::lock_guard lock(FMutex);
    return std::find(FLines.begin(), FLines.end(), line) != FLines.end();
  }

 private:
  mutable std::mutex FMutex;
  std::vector<std::string> FLines;
};

class EventTest : public ::testing::Test {
 protected:
  EventTest() : app(std::make_unique<HeadlessBackend>()) {
    app.Initialize();
    app.OnExceptionShown = [this](const std::string& text) {
      // Shown from inside the handler of the exception: its codes are at hand.
      try {
        throw;
      } catch (const EComPortExt& error) {
        shownSystemErrors.emplace_back(error.ErrorCode(), error.SystemErrorCode());
      } catch (...) {
      }
      journal.Add("shown: " + text);
    };
    // Counts every call handed to the main thread and every wake-up of it.
    MainThread::SetWakeHook([this] { ++wakeups; });
  }
  ~EventTest() override { MainThread::SetWakeHook(nullptr); }

  // Serves the main thread until done() holds; the bound is only a safety
  // net against a hang, never what a test waits for.
  bool PumpUntil(const std::function<bool()>& done,
                 std::chrono::seconds safety = std::chrono::seconds(20)) {
    std::mutex mutex;
    std::condition_variable finished;
    bool over = false;
    std::atomic<bool> expired{false};
    std::thread watchdog([&] {
      std::unique_lock lock(mutex);
      if (!finished.wait_for(lock, safety, [&] { return over; })) {
        expired = true;
        MainThread::Wake();
      }
    });
    MainThread::WaitUntil([&] { return expired || done(); });
    {
      std::lock_guard lock(mutex);
      over = true;
    }
    finished.notify_all();
    watchdog.join();
    return done();
  }

  // Waits, without serving the main thread, until done() holds (safety net
  // as above): for what other threads do on their own.
  static bool WaitUntil(const std::function<bool()>& done,
                        std::chrono::seconds safety = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + safety;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  // After a device went away and its report was handed over: the port has
  // closed itself and its thread is gone; 300 ms then pass with no CPU spent
  // (a thread that spun on the dead device would use them all) and nothing
  // more reported.
  void ExpectClosedAndQuiet(TCustomComPort& port) {
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(PumpUntil([] { return TComEventWait::Count() == 0; }));
    const std::size_t reported = journal.Lines().size();
    const double cpuBefore = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    MainThread::RunPending();
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.1);
    EXPECT_EQ(journal.Lines().size(), reported);
  }

  // Every handler of the port and the signal slots of the link write to the
  // journal, with the port's Connected state where it matters.
  void Watch(TCustomComPort& port, TComLink& link) {
    auto connected = [&port] { return port.Connected() ? " c1" : " c0"; };
    port.SetOnBeforeOpen(
        [=, this](TObject*) { journal.Add(std::string("BeforeOpen") + connected()); });
    port.SetOnAfterOpen(
        [=, this](TObject*) { journal.Add(std::string("AfterOpen") + connected()); });
    port.SetOnBeforeClose(
        [=, this](TObject*) { journal.Add(std::string("BeforeClose") + connected()); });
    port.SetOnAfterClose(
        [=, this](TObject*) { journal.Add(std::string("AfterClose") + connected()); });
    auto signal = [this](std::string name) {
      return [this, name](TObject*, bool on) { journal.Add(name + (on ? " on" : " off")); };
    };
    port.SetOnCTSChange(signal("CTS"));
    port.SetOnDSRChange(signal("DSR"));
    port.SetOnRLSDChange(signal("RLSD"));
    port.SetOnTxEmpty([this](TObject*) { journal.Add("TxEmpty"); });
    port.SetOnRing([this](TObject*) { journal.Add("Ring"); });
    port.SetOnBreak([this](TObject*) { journal.Add("Break"); });
    port.SetOnRxFlag([this](TObject*) { journal.Add("RxFlag"); });
    port.SetOnRx80Full([this](TObject*) { journal.Add("Rx80Full"); });
    port.SetOnError([this](TObject*, TComErrors errors) {
      journal.Add("Error " + std::to_string(errors.ToBits()));
    });
    link.OnConnChange = [=, this](TObject*, bool on) {
      journal.Add(std::string("link conn") + (on ? " on" : " off") + connected());
    };
    link.OnCTSChange = signal("link cts");
    link.OnDSRChange = signal("link dsr");
    link.OnRLSDChange = signal("link rlsd");
    link.OnTxActive = signal("link tx");
    link.OnRxActive = signal("link rx");
    link.OnTxEmpty = [this](TObject*) { journal.Add("link txempty"); };
    link.OnRing = [this](TObject*) { journal.Add("link ring"); };
    link.OnRxFlag = [this](TObject*) { journal.Add("link rxflag"); };
    port.RegisterLink(&link);
  }

  TApplication app;
  Journal journal;
  // Code and system error of each EComPortExt shown (main thread only).
  std::vector<std::pair<int, std::int32_t>> shownSystemErrors;
  std::atomic<int> wakeups{0};
};
