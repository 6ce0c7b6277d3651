// Internal to the runtime: what the hidden windows know about the threads
// whose sent messages the main thread is handling.
#pragma once

#include <thread>

// On the main thread: true while it handles a message that `sender` sent and
// has not replied to yet, so that `sender` is blocked until the handler ends.
bool HandlesUnrepliedMessageFrom(std::thread::id sender);
