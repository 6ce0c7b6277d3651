// Hidden message windows: a main-thread target whose messages go to one
// procedure. SendMessageA from another thread queues the message, wakes the
// main thread and blocks until the procedure returns or calls ReplyMessage;
// from the main thread it calls the procedure directly.
#pragma once

#include <cstdint>
#include <functional>

struct TMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

using TWndMethod = std::function<void(TMessage& message)>;

struct TMessageWindow;                // opaque
using HWND = TMessageWindow*;

inline constexpr std::uint32_t WM_USER = 0x0400;

// AllocateHWnd: a new hidden window whose messages go to method on the main thread.
HWND AllocateHWnd(TWndMethod method);
// DeallocateHWnd: destroys it; messages still queued for it are dropped and
// their senders released with result 0. Main thread.
void DeallocateHWnd(HWND window);

// Sends a message and returns its result (0 when the window is gone).
std::intptr_t SendMessageA(HWND window, std::uint32_t msg, std::uintptr_t wParam,
                           std::intptr_t lParam);
// Inside a window procedure: true when the message came from another thread
// whose sender still waits.
bool InSendMessage();
// Inside a window procedure: releases the waiting sender now with result.
void ReplyMessage(std::intptr_t result);
// The default handling of a message nobody handles: result 0.
std::intptr_t DefWindowProcA(HWND window, std::uint32_t msg, std::uintptr_t wParam,
                             std::intptr_t lParam);
