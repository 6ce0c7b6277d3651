// The soak: long round trips with dispenser-sim, unplugs mid-traffic and a
// minute of hostile bytes, through the port engine as the console uses it.
// Prints one table (Markdown) with the machine it ran on, and writes it to
// --out as well. Exit 0 only if every figure holds: nothing lost or
// corrupted, one report per unplug and a port that then closes, every
// hostile byte received, memory flat (less than 1 MiB of growth).
//
//   bench_soak [--round-trips N] [--unplugs N] [--hostile-seconds S]
//              [--sim PATH] [--out FILE]
#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "bench/common/Percentile.h"
#include "bench/soak/Soak.h"

namespace {

constexpr long kFlatKiB = 1024;

std::string FirstLineWith(const char* path, const std::string& key) {
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key, 0) != 0) continue;
    const std::size_t value = line.find_first_not_of(" \t", line.find(':') + 1);
    return value == std::string::npos ? "?" : line.substr(value);
  }
  return "?";
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  double one = 0, five = 0, fifteen = 0;
  in >> one >> five >> fifteen;
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
  return text;
}

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  long roundTrips = 100'000;
  int unplugs = 100;
  double hostileSeconds = 60;
  std::string sim = DISPENSER_SIM, out;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--round-trips" && hasValue) {
      roundTrips = std::max(1L, std::atol(argv[++i]));
    } else if (arg == "--unplugs" && hasValue) {
      unplugs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--hostile-seconds" && hasValue) {
      hostileSeconds = std::max(1.0, std::atof(argv[++i]));
    } else if (arg == "--sim" && hasValue) {
      sim = argv[++i];
    } else if (arg == "--out" && hasValue) {
      out = argv[++i];
    } else {
      std::cerr << "usage: bench_soak [--round-trips N] [--unplugs N] [--hostile-seconds S] "
                   "[--sim PATH] [--out FILE]\n";
      return 2;
    }
  }

  try {
    const std::string loadBefore = LoadAverage();
    std::cerr << "soak: " << roundTrips << " round trips...\n";
    const TRoundTripResult trips = RunRoundTrips(sim, roundTrips);
    std::cerr << "soak: " << unplugs << " unplugs...\n";
    const TUnplugResult plugs = RunUnplugs(unplugs);
    std::cerr << "soak: hostile bytes for " << hostileSeconds << " s...\n";
    const THostileResult hostile = RunHostileBytes(hostileSeconds);
    const std::string loadAfter = LoadAverage();

    const bool tripsHold = trips.Lost == 0 && trips.Corrupted == 0 && trips.Intact == roundTrips &&
                           trips.ResidentEndKiB - trips.ResidentStartKiB < kFlatKiB;
    const bool plugsHold = plugs.ReportedOnce == unplugs && plugs.ClosedCleanly == unplugs;
    const bool hostileHolds = hostile.Received == hostile.Sent && hostile.ResidentStartKiB > 0 &&
                              hostile.ResidentEndKiB - hostile.ResidentStartKiB < kFlatKiB;
    utsname system{};
    uname(&system);

    std::ostringstream table;
    table << "Machine: " << FirstLineWith("/proc/cpuinfo", "model name") << ", "
          << std::thread::hardware_concurrency() << " cores, "
          << Format("%.0f GiB",
                    std::atof(FirstLineWith("/proc/meminfo", "MemTotal").c_str()) / 1048576)
          << " memory, Linux " << system.release << "; load average " << loadBefore << " before, "
          << loadAfter << " after\n\n";
    table << "| Run | Figures | Holds |\n|---|---|---|\n";
    table << "| " << roundTrips << " round trips with dispenser-sim | "
          << Format(
                 "%ld intact, %ld lost, %ld corrupted in %.1f s (%.0f/s); resident memory "
                 "%ld KiB after the first 1000, %ld KiB at the end",
                 trips.Intact, trips.Lost, trips.Corrupted, trips.Seconds,
                 double(trips.Sent) / trips.Seconds, trips.ResidentStartKiB, trips.ResidentEndKiB)
          << " | " << (tripsHold ? "yes" : "NO") << " |\n";
    table << "| " << unplugs << " unplugs mid-traffic | "
          << Format(
                 "%d reported exactly once, %d closed after; hang-up to report median %.1f ms, "
                 "worst %.1f ms; CPU in the second after: median %.1f ms, worst %.1f ms",
                 plugs.ReportedOnce, plugs.ClosedCleanly, Median(plugs.ReportMs),
                 Percentile(plugs.ReportMs, 1.0), Median(plugs.CpuMsAfter),
                 Percentile(plugs.CpuMsAfter, 1.0))
          << " | " << (plugsHold ? "yes" : "NO") << " |\n";
    table << "| " << Format("%.0f", hostileSeconds) << " s of random bytes | "
          << Format(
                 "%.1f MiB sent, %.1f MiB received in %ld blocks, %d errors shown; resident "
                 "memory %ld KiB after the first seconds, %ld KiB at the end, %ld KiB at most",
                 double(hostile.Sent) / 1048576, double(hostile.Received) / 1048576, hostile.Blocks,
                 hostile.ErrorsShown, hostile.ResidentStartKiB, hostile.ResidentEndKiB,
                 hostile.ResidentPeakKiB)
          << " | " << (hostileHolds ? "yes" : "NO") << " |\n";
    if (!trips.FirstFault.empty())
      table << "\nFirst round-trip fault: " << trips.FirstFault << "\n";
    if (!plugs.FirstFault.empty()) table << "\nFirst unplug fault: " << plugs.FirstFault << "\n";

    std::cout << table.str();
    if (!out.empty()) std::ofstream(out) << table.str();
    return tripsHold && plugsHold && hostileHolds ? 0 : 1;
  } catch (const std::exception& error) {
    std::cerr << "bench_soak: " << error.what() << '\n';
    return 1;
  }
}
