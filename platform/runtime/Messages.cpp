// Hidden message windows over the main thread's queue. A window handle is a
// number that is never reused, so a stale handle reaches no other window.
#include "platform/runtime/Messages.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/runtime/SentMessages.h"
#include "platform/runtime/Threads.h"

namespace {

// One message sent from another thread; its sender waits until Release.
struct SentMessage {
  TMessage message;
  std::thread::id sender = std::this_thread::get_id();
  std::mutex lock;
  std::condition_variable released;
  bool isReleased = false;
  std::intptr_t result = 0;

  // The first release counts; later ones do nothing. True if this one counted.
  bool Released() {
    std::lock_guard guard(lock);
    return isReleased;
  }

  bool Release(std::intptr_t value) {
    {
      std::lock_guard guard(lock);
      if (isReleased) return false;
      isReleased = true;
      result = value;
    }
    released.notify_all();
    return true;
  }

  std::intptr_t WaitForRelease() {
    std::unique_lock guard(lock);
    released.wait(guard, [this] { return isReleased; });
    return result;
  }
};

struct Window {
  TWndMethod method;
  std::vector<std::shared_ptr<SentMessage>> queued;  // sent, not yet handled
};

struct Windows {
  std::mutex lock;
  std::unordered_map<std::uintptr_t, std::shared_ptr<Window>> byHandle;
  std::uintptr_t lastHandle = 0;
};

Windows& TheWindows() {
  static Windows* windows = new Windows;  // outlives late senders at exit
  return *windows;
}

std::uintptr_t HandleNumber(TWindowHandle window) {
  return reinterpret_cast<std::uintptr_t>(window);
}

std::shared_ptr<Window> Find(TWindowHandle window) {
  Windows& w = TheWindows();
  std::lock_guard guard(w.lock);
  auto it = w.byHandle.find(HandleNumber(window));
  return it == w.byHandle.end() ? nullptr : it->second;
}

// The message from another thread that the main thread handles right now
// (innermost, when a procedure pumps the queue), or null.
thread_local SentMessage* currentSent = nullptr;

// Every message from another thread that the main thread is in the middle of
// handling, outermost first (a procedure may pump the queue).
thread_local std::vector<SentMessage*> handling;

class CurrentSentScope {
 public:
  explicit CurrentSentScope(SentMessage* sent) : FSaved(currentSent) {
    currentSent = sent;
    if (sent != nullptr) handling.push_back(sent);
  }
  ~CurrentSentScope() {
    if (currentSent != nullptr) handling.pop_back();
    currentSent = FSaved;
  }
  CurrentSentScope(const CurrentSentScope&) = delete;
  CurrentSentScope& operator=(const CurrentSentScope&) = delete;

 private:
  SentMessage* FSaved;
};

// On the main thread: hands a queued message to its window's procedure, if
// the window still exists and the message was not dropped meanwhile.
void Deliver(std::uintptr_t handle, const std::shared_ptr<SentMessage>& sent) {
  std::shared_ptr<Window> window;
  {
    Windows& w = TheWindows();
    std::lock_guard guard(w.lock);
    auto it = w.byHandle.find(handle);
    if (it == w.byHandle.end()) return;  // released with 0 by DeallocateHWnd
    window = it->second;
    auto& queued = window->queued;
    auto entry = std::find(queued.begin(), queued.end(), sent);
    if (entry == queued.end()) return;
    queued.erase(entry);
  }
  TMessage& message = sent->message;
  try {
    CurrentSentScope scope(sent.get());
    window->method(message);
  } catch (...) {
    sent->Release(0);
    throw;
  }
  sent->Release(message.Result);
}

}  // namespace

TWindowHandle AllocateHWnd(TWndMethod method) {
  auto window = std::make_shared<Window>();
  window->method = std::move(method);
  Windows& w = TheWindows();
  std::lock_guard guard(w.lock);
  const std::uintptr_t handle = ++w.lastHandle;
  w.byHandle.emplace(handle, std::move(window));
  return reinterpret_cast<TWindowHandle>(handle);
}

void DeallocateHWnd(TWindowHandle window) {
  std::shared_ptr<Window> gone;
  {
    Windows& w = TheWindows();
    std::lock_guard guard(w.lock);
    auto it = w.byHandle.find(HandleNumber(window));
    if (it == w.byHandle.end()) return;
    gone = std::move(it->second);
    w.byHandle.erase(it);
  }
  for (const auto& sent : gone->queued) sent->Release(0);
  gone->queued.clear();
}

std::intptr_t SendMessageA(TWindowHandle window, std::uint32_t msg, std::uintptr_t wParam,
                           std::intptr_t lParam) {
  if (MainThread::IsCurrent()) {
    std::shared_ptr<Window> target = Find(window);
    if (!target) return 0;
    TMessage message{msg, wParam, lParam, 0};
    CurrentSentScope scope(nullptr);  // a call on the same thread is no inter-thread send
    target->method(message);
    return message.Result;
  }
  if (!MainThread::IsBound()) {
    throw EThread("SendMessage: no main thread to handle the message");
  }
  auto sent = std::make_shared<SentMessage>();
  sent->message = TMessage{msg, wParam, lParam, 0};
  const std::uintptr_t handle = HandleNumber(window);
  {
    Windows& w = TheWindows();
    std::lock_guard guard(w.lock);
    auto it = w.byHandle.find(handle);
    if (it == w.byHandle.end()) return 0;
    it->second->queued.push_back(sent);
  }
  MainThread::Post([handle, sent] { Deliver(handle, sent); });
  return sent->WaitForRelease();
}

bool HandlesUnrepliedMessageFrom(std::thread::id sender) {
  for (SentMessage* sent : handling) {
    if (sent->sender == sender && !sent->Released()) return true;
  }
  return false;
}

bool InSendMessage() {
  return currentSent != nullptr;
}

bool ReplyMessage(std::intptr_t result) {
  return currentSent != nullptr && currentSent->Release(result);
}

std::intptr_t DefWindowProcA(TWindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) {
  return 0;
}
