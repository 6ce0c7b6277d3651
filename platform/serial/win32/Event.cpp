// Events on Windows are the system's own event objects: waits sleep in
// WaitForSingleObject / WaitForMultipleObjects, and the system sets an
// overlapped operation's event itself when the operation completes.
#include <vector>

#include "platform/serial/CommDevice.h"
#include "platform/serial/win32/EventState.h"

namespace comm {

Event Event::Create(bool manualReset, bool initialState) {
  const HANDLE handle = ::CreateEventA(nullptr, manualReset, initialState, nullptr);
  if (handle == nullptr) return Event();
  return Event(std::make_shared<State>(handle, manualReset));
}

void Event::Set() const {
  if (!state_) return;
  std::lock_guard lock(state_->mu);
  ::SetEvent(state_->handle);
}

void Event::SetAfter(const std::function<void()>& publish) const {
  if (!state_) {
    publish();
    return;
  }
  std::lock_guard lock(state_->mu);
  publish();
  ::SetEvent(state_->handle);
}

void Event::Reset() const {
  if (!state_) return;
  std::lock_guard lock(state_->mu);
  ::ResetEvent(state_->handle);
}

bool Event::IsSet() const {
  if (!state_) return false;
  std::lock_guard lock(state_->mu);
  const bool set = ::WaitForSingleObject(state_->handle, 0) == WAIT_OBJECT_0;
  // Looking must not consume: the zero wait reset an auto-reset event.
  if (set && !state_->manualReset) ::SetEvent(state_->handle);
  return set;
}

namespace {
// A wait's outcome; one that failed leaves the system's error for GetLastError.
std::uint32_t Woken(DWORD woken) {
  if (woken == WAIT_FAILED) comm::SetLastError(static_cast<std::int32_t>(::GetLastError()));
  return woken;
}
}  // namespace

std::uint32_t WaitForMultipleObjects(std::initializer_list<const Event*> events,
                                     std::uint32_t timeoutMs) {
  std::vector<HANDLE> handles;
  for (const Event* event : events) {
    if (event == nullptr || !event->state_) return WAIT_FAILED;
    handles.push_back(event->state_->handle);
  }
  if (handles.empty() || handles.size() > MAXIMUM_WAIT_OBJECTS) return WAIT_FAILED;
  return Woken(
      ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, timeoutMs));
}

std::uint32_t WaitForSingleObject(const Event& event, std::uint32_t timeoutMs) {
  if (!event.state_) return WAIT_FAILED;
  return Woken(::WaitForSingleObject(event.state_->handle, timeoutMs));
}

void Sleep(std::uint32_t ms) {
  ::Sleep(ms);
}

}  // namespace comm
