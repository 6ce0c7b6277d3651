// compare: the port engine and the serial libraries a programmer would pick
// instead, doing the same work on the same kind of pty in one run. Each
// probe program runs in its own process on the slave end of a fresh pty;
// this process is the far end on the master side. After a warm-up run of
// each, the probes take turns for every repetition; the table shows the
// medians over the repetitions and ours divided by the best peer.
//
// Usage: compare [--reps N] [--replies N] [--seconds S] [--idle S] [--mib N]
//                [--gap MICROSECONDS] [--no-warmup] [--only NAME]
// Markdown on stdout, progress on stderr. Probes are looked for next to
// this program; those that were not built are left out.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/common/Percentile.h"
#include "bench/compare/FarEnd.h"
#include "bench/compare/ProbeProcess.h"
#include "bench/compare/Report.h"
#include "tools/sim/PtyPair.h"

namespace {

struct Settings {
  int reps = 5;
  int replies = 10000;
  double seconds = 10;
  double idleSeconds = 10;
  int mib = 8;
  int gapMicros = 500;
  bool warmup = true;
  std::string only;
};

struct Probe {
  const char* name;
  const char* program;
  bool ours;
  const char* sameLoopPeer;  // ours: the peer on the same event loop, if one
};

constexpr Probe kProbes[] = {
    {"ours", "compare_probe_ours", true, ""},
    {"ours, Qt loop", "compare_probe_ours_qt", true, "QSerialPort"},
    {"QSerialPort", "compare_probe_qserialport", false, ""},
    {"libserialport", "compare_probe_libserialport", false, ""},
};

Settings ParseArguments(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::invalid_argument(option + " needs a value");
      return argv[++i];
    };
    if (option == "--reps") {
      settings.reps = std::stoi(value());
    } else if (option == "--replies") {
      settings.replies = std::stoi(value());
    } else if (option == "--seconds") {
      settings.seconds = std::stod(value());
    } else if (option == "--idle") {
      settings.idleSeconds = std::stod(value());
    } else if (option == "--mib") {
      settings.mib = std::stoi(value());
    } else if (option == "--gap") {
      settings.gapMicros = std::stoi(value());
    } else if (option == "--no-warmup") {
      settings.warmup = false;
    } else if (option == "--only") {
      settings.only = value();
    } else {
      throw std::invalid_argument("unknown option " + option);
    }
  }
  if (settings.reps < 1 || settings.replies < 1 || settings.seconds <= 0 ||
      settings.idleSeconds <= 0 || settings.mib < 1 || settings.gapMicros < 0) {
    throw std::invalid_argument("counts and durations must be positive");
  }
  return settings;
}

// One run of one probe on a fresh pty: every phase, then its exit.
RunFigures RunOnce(const std::string& program, const Settings& settings) {
  RunFigures figures;
  figures.loadBefore = LoadAverage1();
  TPtyPair pty;
  ProbeProcess probe(program, pty.SlavePath());
  Message ready;
  if (!ReceiveMessage(probe.Control(), &ready, 30000)) throw FarEndError{"the probe did not start"};
  if (ready.kind == Msg::Failed) throw FarEndError{std::string("probe: ") + ready.text};
  FarEnd far(pty.Master(), probe.Control(), probe.Pid());

  const LatencyResult latency = far.Latency(settings.replies, settings.gapMicros);
  if (latency.errors != 0) throw FarEndError{"latency: wrong replies"};
  figures.latencyMedianUs = Percentile(latency.micros, 0.5);
  figures.latencyP99Us = Percentile(latency.micros, 0.99);

  const RoundTripResult trips = far.RoundTrips(settings.seconds);
  if (trips.errors != 0 || trips.trips == 0) throw FarEndError{"round trips: wrong replies"};
  figures.tripsPerSecond = static_cast<double>(trips.trips) / trips.seconds;
  figures.cpuMsPer1000Trips = trips.cpuMs * 1000.0 / static_cast<double>(trips.trips);
  figures.switchesPerTrip = static_cast<double>(trips.switches) / static_cast<double>(trips.trips);
  for (const auto& [role, counts] : trips.switchesByRole) {
    figures.switchesPerTripByRole[role] = {
        static_cast<double>(counts.first) / static_cast<double>(trips.trips),
        static_cast<double>(counts.second) / static_cast<double>(trips.trips)};
  }

  figures.idleWakeUps =
      static_cast<double>(far.IdleWakeUps(settings.idleSeconds)) * 10.0 / settings.idleSeconds;

  const ThroughputResult throughput = far.Throughput(std::int64_t{settings.mib} << 20);
  if (throughput.errors != 0) throw FarEndError{"throughput: bytes lost or wrong"};
  figures.mibPerSecond = throughput.mibPerSecond;

  SendMessage(probe.Control(), MakeMessage(Msg::Quit));
  const long peakKiB = probe.WaitForExit(30000);
  if (peakKiB < 0) throw FarEndError{"the probe did not exit cleanly"};
  figures.peakRssMiB = static_cast<double>(peakKiB) / 1024.0;
  figures.loadAfter = LoadAverage1();
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  try {
    settings = ParseArguments(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "compare: %s\n", error.what());
    return 2;
  }
  const std::filesystem::path here = std::filesystem::canonical("/proc/self/exe").parent_path();

  std::vector<ProgramFigures> programs;
  std::vector<std::string> paths;
  for (const Probe& probe : kProbes) {
    const std::filesystem::path path = here / probe.program;
    if (!settings.only.empty() && settings.only != probe.name) continue;
    if (::access(path.c_str(), X_OK) != 0) {
      std::fprintf(stderr, "compare: %s not built, left out\n", probe.program);
      continue;
    }
    programs.push_back({probe.name, probe.ours, probe.sameLoopPeer, {}, {}});
    paths.push_back(path.string());
  }
  if (programs.empty()) {
    std::fprintf(stderr, "compare: no probe to run\n");
    return 1;
  }

  const std::string loadAtStart = LoadAverages();
  auto run = [&](std::size_t index, const Settings& with, const char* what) {
    std::fprintf(stderr, "%-14s %-8s load %s ...", programs[index].name.c_str(), what,
                 LoadAverages().c_str());
    try {
      RunFigures figures = RunOnce(paths[index], with);
      std::fprintf(stderr, " %.1f µs, %.0f trips/s, %.0f wake-ups, %.1f MiB/s, %.1f MiB\n",
                   figures.latencyMedianUs, figures.tripsPerSecond, figures.idleWakeUps,
                   figures.mibPerSecond, figures.peakRssMiB);
      return std::optional<RunFigures>(figures);
    } catch (const FarEndError& error) {
      std::fprintf(stderr, " failed: %s\n", error.what.c_str());
      programs[index].failures.push_back(error.what);
    } catch (const std::exception& error) {
      std::fprintf(stderr, " failed: %s\n", error.what());
      programs[index].failures.push_back(error.what());
    }
    return std::optional<RunFigures>();
  };

  if (settings.warmup) {
    Settings brief = settings;
    brief.replies = std::min(settings.replies, 1000);
    brief.seconds = 1;
    brief.idleSeconds = 1;
    brief.mib = 1;
    for (std::size_t i = 0; i < programs.size(); ++i) run(i, brief, "warm-up");
    for (ProgramFigures& program : programs) program.failures.clear();
  }
  for (int rep = 0; rep < settings.reps; ++rep) {
    // Each repetition starts with the next program, so none always runs
    // right after the same neighbour.
    for (std::size_t k = 0; k < programs.size(); ++k) {
      const std::size_t index = (k + static_cast<std::size_t>(rep)) % programs.size();
      const std::string label = "run " + std::to_string(rep + 1);
      if (auto figures = run(index, settings, label.c_str())) {
        programs[index].runs.push_back(*figures);
      }
    }
  }

  std::cout << "Machine: " << MachineDescription() << "  \n"
            << "Load average (1, 5, 15 min): " << loadAtStart << " at the start, " << LoadAverages()
            << " at the end  \n"
            << "Settings: " << settings.replies << " replies (" << settings.gapMicros
            << " µs apart), round trips for " << settings.seconds << " s, idle for "
            << settings.idleSeconds << " s, " << settings.mib << " MiB streamed; " << settings.reps
            << " repetitions, medians shown\n\n";
  PrintSummary(std::cout, programs);
  std::cout << "\nContext switches per round trip by thread (medians):\n\n";
  PrintSwitchesByRole(std::cout, programs);
  std::cout << "\nEvery run:\n\n";
  PrintRuns(std::cout, programs);
  bool failed = false;
  for (const ProgramFigures& program : programs) failed = failed || !program.failures.empty();
  return failed ? 1 : 0;
}
