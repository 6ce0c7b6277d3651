#include "platform/runtime/Threads.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/runtime/SentMessages.h"
#include "platform/runtime/ThreadPriority.h"

// What the thread body and its owner share. Held by both through a
// shared_ptr, so the body can report its end after the owner stopped looking.
struct TThread::Shared {
  std::mutex lock;
  std::condition_variable ended;
  bool started = false;  // owner side only
  std::atomic<bool> finished{false};
  std::exception_ptr fatal;  // written before `finished`
  std::atomic<std::thread::id> worker{};
  std::atomic<std::intptr_t> handle{0};  // for priority changes; 0 until running
  std::atomic<int> inSynchronize{0};
  std::mutex joinLock;
};

namespace {

// Hands call to the main thread and waits for it; counts it in inSynchronize
// (if given) while it runs there.
void SynchronizeOn(const std::function<void()>& call, std::atomic<int>* inSynchronize) {
  if (MainThread::IsCurrent()) {
    call();
    return;
  }
  if (!MainThread::IsBound()) {
    throw EThread("Synchronize: no main thread to run the call (Application.Initialize missing?)");
  }
  struct Request {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    std::exception_ptr error;
  };
  auto request = std::make_shared<Request>();
  MainThread::Post([request, &call, inSynchronize] {
    if (inSynchronize != nullptr) ++*inSynchronize;
    std::exception_ptr error;
    try {
      call();
    } catch (...) {
      error = std::current_exception();
    }
    if (inSynchronize != nullptr) --*inSynchronize;
    {
      std::lock_guard guard(request->lock);
      request->error = std::move(error);
      request->finished = true;
    }
    request->done.notify_one();
  });
  std::exception_ptr error;
  {
    std::unique_lock guard(request->lock);
    request->done.wait(guard, [&] { return request->finished; });
    // Taken over here, so that only this thread ever releases the exception.
    error = std::move(request->error);
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace

void SynchronizeCall(const std::function<void()>& call) {
  SynchronizeOn(call, nullptr);
}

TThread::TThread(bool createSuspended) : FShared(std::make_shared<Shared>()) {
  if (!createSuspended) {
    throw EThread("A thread is created suspended and started with Resume once it is built");
  }
}

TThread::~TThread() {
  if (!FShared->started) return;
  if (FShared->worker.load() == std::this_thread::get_id()) {
    // The thread frees itself: nothing can wait for it, let it end alone.
    FThread.detach();
    return;
  }
  try {
    WaitFor();
  } catch (const std::exception& e) {
    // Freeing a thread that can never end: hanging would be worse.
    std::fprintf(stderr, "fatal: %s\n", e.what());
    std::abort();
  }
}

void TThread::Resume() {
  if (!FSuspended) return;
  FSuspended = false;
  Start();
}

void TThread::Start() {
  FShared->started = true;
  const TThreadPriority priority = FPriority;
  FThread = std::thread([this, shared = FShared, priority] {
    shared->worker.store(std::this_thread::get_id());
    shared->handle.store(ThreadPriority::CurrentHandle());
    if (priority != tpNormal) {
      try {
        ThreadPriority::SetOf(shared->handle.load(), priority);
      } catch (const EThread&) {
        // Nobody to tell at this point: the thread runs at normal priority.
      }
    }
    try {
      Execute();
    } catch (...) {
      shared->fatal = std::current_exception();
    }
    {
      std::lock_guard guard(shared->lock);
      shared->finished.store(true);
    }
    shared->ended.notify_all();
    MainThread::Wake();
  });
}

void TThread::SetPriority(TThreadPriority priority) {
  if (priority == FPriority) return;
  const std::intptr_t handle = FShared->handle.load();
  if (handle != 0 && !FShared->finished.load()) ThreadPriority::SetOf(handle, priority);
  FPriority = priority;
}

bool TThread::Finished() const {
  return FShared->finished.load();
}

std::exception_ptr TThread::FatalException() const {
  if (!FShared->finished.load()) return nullptr;
  return FShared->fatal;
}

bool TThread::InSynchronize() const {
  return FShared->inSynchronize.load() > 0 ||
         (MainThread::IsCurrent() && HandlesUnrepliedMessageFrom(FShared->worker.load()));
}

void TThread::WaitFor() {
  Shared& shared = *FShared;
  if (!shared.started) return;
  if (shared.worker.load() == std::this_thread::get_id()) {
    throw EThread("A thread cannot wait for itself");
  }
  if (MainThread::IsCurrent()) {
    if (InSynchronize()) {
      throw EThread(
          "Cannot wait for a thread from inside its own synchronized call or sent message");
    }
    MainThread::WaitUntil([&shared] { return shared.finished.load(); });
  } else {
    std::unique_lock guard(shared.lock);
    shared.ended.wait(guard, [&shared] { return shared.finished.load(); });
  }
  std::lock_guard guard(shared.joinLock);
  if (FThread.joinable()) FThread.join();
}

void TThread::Synchronize(const std::function<void()>& call) {
  SynchronizeOn(call, &FShared->inSynchronize);
}
