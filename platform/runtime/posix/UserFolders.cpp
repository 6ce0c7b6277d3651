#include "platform/runtime/UserFolders.h"

#include <cstdlib>

#include "platform/runtime/SysUtils.h"

std::string UserStateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/dispenser-console";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') {
    return std::string(home) + "/.local/state/dispenser-console";
  }
  throw Exception("No place for the session logs: neither XDG_STATE_HOME nor HOME is set");
}
