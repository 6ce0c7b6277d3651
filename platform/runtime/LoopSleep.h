// How the main thread's loop sleeps, one implementation per system: on its
// own wake-up signal and on the waitables of its sources, until the earliest
// of their deadlines. Internal to the runtime.
#pragma once

#include <vector>

#include "platform/loop/LoopSource.h"

namespace LoopSleep {

// Sets the wake-up signal (any thread).
void Kick();
// Clears it: true if it was set.
bool Drain();
// Sleeps until the wake-up signal is set, a waitable of the plan is ready or
// its deadline has come (block), or only looks (not block); ready gets how
// each waitable was found.
void Wait(const loop::SleepPlan& plan, std::vector<loop::Readiness>& ready, bool block);

}  // namespace LoopSleep
