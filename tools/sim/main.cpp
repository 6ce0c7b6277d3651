// dispenser-sim: a virtual dispenser on a pseudo-terminal.
#include <signal.h>

#include <iostream>
#include <string_view>
#include <vector>

#include "ProjectVersion.h"
#include "tools/sim/SimServer.h"

int main(int argc, char** argv) {
  TSimOptions options;
  try {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    options = ParseSimOptions(args);
  } catch (const ESimUsage& e) {
    std::cerr << "dispenser-sim: " << e.Message() << '\n' << SimUsage();
    return 2;
  }
  if (options.Help) {
    std::cout << SimUsage();
    return 0;
  }
  if (options.Version) {
    std::cout << "dispenser-sim " << kProjectVersion << '\n';
    return 0;
  }
  signal(SIGPIPE, SIG_IGN);
  try {
    const TStopSignals signals;
    TSimServer server(options, std::cerr);
    // The one line on stdout: scripts read it to learn what to open.
    if (!(std::cout << server.SlavePath() << std::endl)) {
      std::cerr << "dispenser-sim: cannot write to standard output\n";
      return 1;
    }
    return server.Run(signals);
  } catch (const std::exception& e) {
    std::cerr << "dispenser-sim: " << e.what() << '\n';
    return 1;
  }
}
