// Thread priorities on the operating system: one implementation per system
// (posix/, win32/). Internal to the runtime.
#pragma once

#include <cstdint>

#include "platform/runtime/Threads.h"

namespace ThreadPriority {

// The calling thread's handle for later SetOf calls from other threads.
std::intptr_t CurrentHandle();

// Gives the thread `handle` the priority; raises EThread with the system's
// error when the system refuses it.
void SetOf(std::intptr_t handle, TThreadPriority priority);

}  // namespace ThreadPriority
