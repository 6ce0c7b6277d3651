// The system's broadcast that a serial port has arrived, sent to the device
// watch's hidden window as Windows sends it to top-level windows (a message
// that carries a pointer is sent, never posted). Apart from the test, since
// windows.h and the runtime's Messages.h name the same messages.
#pragma once

namespace console_test {

// False when there is no watch window.
bool SendPortArrival(const wchar_t* port);

}  // namespace console_test
