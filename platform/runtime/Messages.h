// Hidden message windows: a main-thread target whose messages go to one
// procedure. SendMessageA from another thread queues the message, wakes the
// main thread and blocks until the procedure returns or calls ReplyMessage;
// from the main thread it calls the procedure directly. Messages from other
// threads are handled one after another, in the order they were sent, by the
// main thread's queue (its loop, ProcessMessages, or TThread::WaitFor).
#pragma once

#include <cstdint>
#include <functional>

// One message to a hidden window: its number, two parameters and the result the procedure gives.
struct TMessage {
  std::uint32_t Msg = 0;      // the message's number (WM_USER and up for a program's own)
  std::uintptr_t WParam = 0;  // its first parameter
  std::intptr_t LParam = 0;   // its second parameter
  std::intptr_t Result = 0;   // what the procedure answers; SendMessageA returns it
};

// A hidden window's procedure: handles one message and sets its Result.
using TWndMethod = std::function<void(TMessage& message)>;

// A hidden window's handle. Not named HWND: the Windows headers (and Qt's on
// Windows) declare that type, and both meet in the console.
struct TMessageWindow;  // opaque
using TWindowHandle = TMessageWindow*;

// The first message number free for a program's own messages.
inline constexpr std::uint32_t WM_USER = 0x0400;

// AllocateHWnd: a new hidden window whose messages go to method on the main thread.
TWindowHandle AllocateHWnd(TWndMethod method);
// DeallocateHWnd: destroys it; messages still queued for it are dropped and
// their senders released with result 0. A message being handled finishes.
// Null does nothing.
void DeallocateHWnd(TWindowHandle window);

// Sends a message and returns its result: the procedure's Result, the value
// given to ReplyMessage, or 0 when the window is gone (also when it goes
// while the message waits). From another thread it raises EThread when no
// main thread is bound.
std::intptr_t SendMessageA(TWindowHandle window, std::uint32_t msg, std::uintptr_t wParam,
                           std::intptr_t lParam);
// Inside a window procedure: true while it handles a message sent from
// another thread (also after ReplyMessage released the sender).
bool InSendMessage();
// Inside a window procedure handling a message from another thread: releases
// the waiting sender now with result; true if it did (false when there is no
// such sender or it was released already).
bool ReplyMessage(std::intptr_t result);
// The default handling of a message nobody handles: result 0.
std::intptr_t DefWindowProcA(TWindowHandle window, std::uint32_t msg, std::uintptr_t wParam,
                             std::intptr_t lParam);
