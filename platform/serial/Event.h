// Waitable events with the semantics of Windows event objects: manual- or
// auto-reset, set and reset from any thread, waited on alone or as "any of
// several" without polling. The serial device completes overlapped
// operations by setting the event of their OVERLAPPED block.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

#include "platform/serial/CommConstants.h"

namespace comm {

// A Windows-style event object: set, reset, waited on; copies share one event.
class Event {
 public:
  // The null event: not valid; waiting on it fails.
  Event() = default;

  // CreateEventA(no attributes, manualReset, initialState, no name).
  // An auto-reset event is reset by the wait that it releases.
  static Event Create(bool manualReset, bool initialState);

  bool Valid() const { return state_ != nullptr; }  // false for the null event
  void Set() const;                                 // SetEvent
  void Reset() const;                               // ResetEvent
  bool IsSet() const;  // the current state, without waiting or resetting

  // Runs publish() under the event's own lock, then sets the event. A thread
  // that sees what publish() wrote and then resets the event cannot have its
  // reset overtaken by this set. The serial device completes overlapped
  // operations this way. publish must not touch the event.
  void SetAfter(const std::function<void()>& publish) const;

  // CloseHandle: this reference lets go; the event lives while another
  // reference (a pending operation's, a waiter's) still holds it.
  void Close() { state_.reset(); }

  struct State;  // the platform's event object (posix/ and win32/ define it)
  // That object, or null for the null event: for a backend that hands the
  // event to the system (win32/).
  State* Native() const { return state_.get(); }

 private:
  explicit Event(std::shared_ptr<State> state) : state_(std::move(state)) {}
  std::shared_ptr<State> state_;

  friend void SetEventHelper(const Event& event, std::shared_ptr<class EventHelper> helper);
  friend class EventWatch;
  friend std::uint32_t WaitForSingleObject(const Event& event, std::uint32_t timeoutMs);
  friend std::uint32_t WaitForMultipleObjects(std::initializer_list<const Event*> events,
                                              std::uint32_t timeoutMs);
};

// Blocks until the event is set (WAIT_OBJECT_0), the time-out passes
// (WAIT_TIMEOUT; INFINITE never passes) or the event is not valid (WAIT_FAILED).
std::uint32_t WaitForSingleObject(const Event& event, std::uint32_t timeoutMs);

// Waits for any of the events (wait-all FALSE): WAIT_OBJECT_0 + the index of
// the first one that is set, WAIT_TIMEOUT, or WAIT_FAILED when one is not valid.
// The calling thread sleeps in one system wait; it never wakes on a timer.
std::uint32_t WaitForMultipleObjects(std::initializer_list<const Event*> events,
                                     std::uint32_t timeoutMs);

// Sleep(ms): Sleep(0) gives up the rest of the time slice.
void Sleep(std::uint32_t ms);

}  // namespace comm
