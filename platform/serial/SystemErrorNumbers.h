// The system error numbers that the device layer, the simulated device and
// the engine report of their own accord (a closed handle, a refused
// argument, a cancelled or timed-out transfer, a device that is gone or
// missing or in use), by name. Each system gives them its own numbers, in
// its own header, so that a number reads as the same failure there as the
// system's calls mean by it.
#pragma once

#if defined(_WIN32)
#include "platform/serial/win32/ErrorNumbers.h"
#else
#include "platform/serial/posix/ErrorNumbers.h"
#endif
