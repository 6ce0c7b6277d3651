// How the main thread's loop sleeps, one implementation per system: on its
// own wake-up signal and on the waitables of its sources, never on a timer.
// Internal to the runtime.
#pragma once

#include <vector>

#include "platform/runtime/LoopSources.h"

namespace LoopSleep {

// Sets the wake-up signal (any thread).
void Kick();
// Clears it: true if it was set.
bool Drain();
// Sleeps until the wake-up signal is set or a waitable is ready (block), or
// only looks (not block); ready gets how each waitable was found.
void Wait(const std::vector<MainThread::Waitable>& waitables,
          std::vector<MainThread::Readiness>& ready, bool block);

}  // namespace LoopSleep
