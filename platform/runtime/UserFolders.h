// The per-user folders where the programs keep what they write as they run:
// one implementation per operating system (posix/, win32/).
#pragma once

#include <string>

// The program's folder for state that outlives a run but is no setting
// (session logs): $XDG_STATE_HOME/dispenser-console, else
// ~/.local/state/dispenser-console on Linux; %LOCALAPPDATA%\dispenser-console
// on Windows. Not created here. Raises Exception when the system names no
// such place (neither variable set).
std::string UserStateFolder();
