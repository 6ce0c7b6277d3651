// The subcommand table. A new subcommand is a source file with its Run
// function, declared and listed here.
#include "tools/cli/CliCommand.h"

int RunFrames(TCliArgs args, std::ostream& out, std::ostream& err);
int RunFrame(TCliArgs args, std::ostream& out, std::ostream& err);
int RunDecode(TCliArgs args, std::ostream& out, std::ostream& err);
int RunPorts(TCliArgs args, std::ostream& out, std::ostream& err);
int RunSend(TCliArgs args, std::ostream& out, std::ostream& err);
int RunMonitor(TCliArgs args, std::ostream& out, std::ostream& err);
int RunRun(TCliArgs args, std::ostream& out, std::ostream& err);
int RunReport(TCliArgs args, std::ostream& out, std::ostream& err);

namespace {

constexpr TCliCommand kCommands[] = {
    {"frames", "", "the eight command frames: name, then the frame in hex", RunFrames},
    {"frame", "NAME", "one command's frame in hex", RunFrame},
    {"decode", "[--json] HEX", "the effects of one received block given in hex", RunDecode},
    {"ports", "[--root DIR]", "the machine's serial ports, one name a line", RunPorts},
    {"send", "--port NAME [--wait MS] [--replies N] [--json] COMMAND",
     "send one command frame; print, decoded, the reply\n"
     "frames received within MS ms (default 1000), each\n"
     "by itself however the line cut or glued them (a\n"
     "wrong checksum adds a line); --replies N ends the\n"
     "wait once N reply frames have come. Fewer whole\n"
     "frames (one without --replies) exit 1: a frame\n"
     "start cut off is no reply",
     RunSend},
    {"monitor", "--port NAME [--json]",
     "print every block read, time-stamped with its\n"
     "bytes in hex, then the effects of the reply frames\n"
     "it completed, and between the blocks each break,\n"
     "line error and modem-line change (a burst summed\n"
     "up each second), until interrupted",
     RunMonitor},
    {"run",
     "--port NAME... [--ports FILE] [--repeat N] [--interval MS]\n"
     "      [--timeout MS] [--stop-on-error] [--log FILE] [--report FILE]\n"
     "      [--json] (COMMAND... | --script FILE)",
     "a burn-in run on open ports: the commands in\n"
     "order, the whole list N times (default 1), each\n"
     "waiting for its reply up to MS ms (default 1000),\n"
     "then the interval (default 0); a summary at the end\n"
     "or on Ctrl-C (--json: one JSON object, last line);\n"
     "exit 0 only when every command got its whole reply\n"
     "(a cut-off one is a time-out, counted incomplete),\n"
     "no error reply came and it was not interrupted. A\n"
     "script has a command name or \"wait MS\" a line; #\n"
     "starts a comment line. Several ports run side by\n"
     "side: a summary per port and their total, a log\n"
     "per port (FILE-PORT.ext); --report writes an HTML\n"
     "page with the run's charts",
     RunRun},
    {"report", "LOG... -o FILE",
     "the burn-in report (HTML) of session logs, a port\n"
     "per log; lines that do not read are named, the\n"
     "rest kept (exit 1)",
     RunReport},
};

}  // namespace

std::span<const TCliCommand> CliCommands() {
  return kCommands;
}
