// The interface's comm blocks as the system's own structures and back. The
// interface keeps the Windows field names and meanings, so each mapping is
// field for field.
#pragma once

#include <windows.h>

#include "platform/serial/CommDevice.h"

namespace comm::win32 {

::DCB ToSystem(const comm::DCB& dcb);
comm::DCB FromSystem(const ::DCB& dcb);

::COMMTIMEOUTS ToSystem(const comm::COMMTIMEOUTS& timeouts);
comm::COMMTIMEOUTS FromSystem(const ::COMMTIMEOUTS& timeouts);

}  // namespace comm::win32
