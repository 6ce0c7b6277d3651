// The subcommand table. A new subcommand is a source file with its Run
// function, declared and listed here.
#include "tools/cli/CliCommand.h"

int RunFrames(TCliArgs args, std::ostream& out, std::ostream& err);
int RunFrame(TCliArgs args, std::ostream& out, std::ostream& err);
int RunDecode(TCliArgs args, std::ostream& out, std::ostream& err);
int RunPorts(TCliArgs args, std::ostream& out, std::ostream& err);
int RunSend(TCliArgs args, std::ostream& out, std::ostream& err);
int RunMonitor(TCliArgs args, std::ostream& out, std::ostream& err);

namespace {

constexpr TCliCommand kCommands[] = {
    {"frames", "", "the eight command frames: name, then the frame in hex", RunFrames},
    {"frame", "NAME", "one command's frame in hex", RunFrame},
    {"decode", "[--json] HEX", "the effects of one received block given in hex", RunDecode},
    {"ports", "[--root DIR]", "the machine's serial ports, one name a line", RunPorts},
    {"send", "--port NAME [--wait MS] [--replies N] [--json] COMMAND",
     "send one command frame; print, decoded, the reply frames received within\n"
     "MS ms (default 1000), each by itself however the line cut or glued them;\n"
     "a frame with a wrong checksum also gets a line that says so; --replies N\n"
     "ends the wait once N reply frames have come",
     RunSend},
    {"monitor", "--port NAME [--json]",
     "print every block read, time-stamped with its bytes in hex, then the\n"
     "effects of the reply frames it completed, until interrupted",
     RunMonitor},
};

}  // namespace

std::span<const TCliCommand> CliCommands() {
  return kCommands;
}
