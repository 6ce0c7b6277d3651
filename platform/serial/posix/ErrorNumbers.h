// The named system errors on POSIX: errno values.
#pragma once

#include <cerrno>
#include <cstdint>

namespace comm {

inline constexpr std::int32_t kErrBadHandle = EBADF;         // no open device behind the handle
inline constexpr std::int32_t kErrInvalidArgument = EINVAL;  // a call's argument is refused
inline constexpr std::int32_t kErrCancelled = ECANCELED;     // ended by a purge or a close
inline constexpr std::int32_t kErrTimedOut = ETIMEDOUT;      // the write time-out ran out
inline constexpr std::int32_t kErrDeviceGone = EIO;          // the device was unplugged
inline constexpr std::int32_t kErrNoDevice = ENOENT;         // no device of that name
inline constexpr std::int32_t kErrDeviceBusy = EBUSY;        // the device is open elsewhere

}  // namespace comm
