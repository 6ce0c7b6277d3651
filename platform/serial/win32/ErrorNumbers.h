// The named system errors on Windows: GetLastError() values, as the comm
// calls report the same failures. Written as numbers so that no system
// header is needed; SystemErrors.cpp checks them against <windows.h>.
#pragma once

#include <cstdint>

namespace comm {

inline constexpr std::int32_t kErrBadHandle = 6;         // ERROR_INVALID_HANDLE
inline constexpr std::int32_t kErrInvalidArgument = 87;  // ERROR_INVALID_PARAMETER
inline constexpr std::int32_t kErrCancelled = 995;       // ERROR_OPERATION_ABORTED
inline constexpr std::int32_t kErrTimedOut = 121;        // ERROR_SEM_TIMEOUT
inline constexpr std::int32_t kErrDeviceGone = 1167;     // ERROR_DEVICE_NOT_CONNECTED
inline constexpr std::int32_t kErrNoDevice = 2;          // ERROR_FILE_NOT_FOUND
inline constexpr std::int32_t kErrDeviceBusy = 5;        // ERROR_ACCESS_DENIED

}  // namespace comm
