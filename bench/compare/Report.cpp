#include "bench/compare/Report.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

#include "bench/common/Percentile.h"

namespace {

struct Row {
  const char* label;
  std::function<double(const RunFigures&)> value;
  bool higherIsBetter;
  const char* format;
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"receive latency, median (µs)", [](const RunFigures& r) { return r.latencyMedianUs; }, false,
       "%.1f"},
      {"receive latency, 99th percentile (µs)", [](const RunFigures& r) { return r.latencyP99Us; },
       false, "%.1f"},
      {"round trips per second", [](const RunFigures& r) { return r.tripsPerSecond; }, true,
       "%.0f"},
      {"CPU per 1,000 round trips (ms)", [](const RunFigures& r) { return r.cpuMsPer1000Trips; },
       false, "%.1f"},
      {"context switches per round trip", [](const RunFigures& r) { return r.switchesPerTrip; },
       false, "%.1f"},
      {"idle wake-ups per 10 s", [](const RunFigures& r) { return r.idleWakeUps; }, false, "%.0f"},
      {"throughput (MiB/s)", [](const RunFigures& r) { return r.mibPerSecond; }, true, "%.2f"},
      {"peak resident size (MiB)", [](const RunFigures& r) { return r.peakRssMiB; }, false, "%.1f"},
  };
  return rows;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

double MedianOf(const ProgramFigures& program, const Row& row) {
  std::vector<double> values;
  for (const RunFigures& run : program.runs) values.push_back(row.value(run));
  return values.empty() ? std::numeric_limits<double>::quiet_NaN() : Median(values);
}

// ours / best peer, "=" when both are zero, "✓" or "✗" for the target.
std::string Ratio(double ours, double best, bool higherIsBetter) {
  if (std::isnan(ours) || std::isnan(best)) return "–";
  if (ours == 0 && best == 0) return "0 = 0 ✓";
  if (best == 0) return "∞ ✗";
  const double ratio = ours / best;
  const bool met = higherIsBetter ? ratio >= 1.0 : ratio <= 1.0;
  return Format("%.2f", ratio) + (met ? " ✓" : " ✗");
}

std::string ReadFirstLine(const char* path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

}  // namespace

std::string LoadAverages() {
  std::istringstream fields(ReadFirstLine("/proc/loadavg"));
  std::string one, five, fifteen;
  fields >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

double LoadAverage1() {
  std::istringstream fields(ReadFirstLine("/proc/loadavg"));
  double one = 0;
  fields >> one;
  return one;
}

std::string MachineDescription() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string model;
  int cpus = 0;
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0) {
      ++cpus;
      if (model.empty()) model = line.substr(line.find(':') + 2);
    }
  }
  utsname system{};
  ::uname(&system);
  std::string memory = ReadFirstLine("/proc/meminfo");  // "MemTotal:  24684336 kB"
  memory = memory.substr(memory.find_first_of("0123456789"));
  std::ostringstream text;
  text << "CPU: " << cpus << " × " << model << "; kernel: " << system.sysname << ' '
       << system.release << ' ' << system.machine << "; memory: " << memory;
  return text.str();
}

void PrintSummary(std::ostream& out, const std::vector<ProgramFigures>& programs) {
  std::vector<const ProgramFigures*> ours, peers;
  for (const ProgramFigures& program : programs) (program.ours ? ours : peers).push_back(&program);
  // Ours beside the peer on the same loop, where that peer ran.
  std::vector<std::pair<const ProgramFigures*, const ProgramFigures*>> sameLoop;
  for (const ProgramFigures* program : ours) {
    for (const ProgramFigures* peer : peers) {
      if (peer->name == program->sameLoopPeer) sameLoop.emplace_back(program, peer);
    }
  }

  out << "| measure |";
  for (const ProgramFigures& program : programs) out << ' ' << program.name << " |";
  for (const ProgramFigures* program : ours) out << ' ' << program->name << " ÷ best peer |";
  for (const auto& [program, peer] : sameLoop) out << ' ' << program->name << " ÷ " << peer->name << " |";
  out << "\n|---|";
  for (std::size_t i = 0; i < programs.size() + ours.size() + sameLoop.size(); ++i) out << "---:|";
  out << '\n';
  for (const Row& row : Rows()) {
    out << "| " << row.label << " |";
    for (const ProgramFigures& program : programs) {
      out << ' ' << Format(row.format, MedianOf(program, row)) << " |";
    }
    double best = std::numeric_limits<double>::quiet_NaN();
    for (const ProgramFigures* peer : peers) {
      const double value = MedianOf(*peer, row);
      if (std::isnan(value)) continue;
      if (std::isnan(best) || (row.higherIsBetter ? value > best : value < best)) best = value;
    }
    for (const ProgramFigures* program : ours) {
      out << ' ' << Ratio(MedianOf(*program, row), best, row.higherIsBetter) << " |";
    }
    for (const auto& [program, peer] : sameLoop) {
      out << ' ' << Ratio(MedianOf(*program, row), MedianOf(*peer, row), row.higherIsBetter) << " |";
    }
    out << '\n';
  }
  for (const ProgramFigures& program : programs) {
    for (const std::string& failure : program.failures) {
      out << "\n" << program.name << " failed: " << failure << '\n';
    }
  }
}

void PrintSwitchesByRole(std::ostream& out, const std::vector<ProgramFigures>& programs) {
  out << "| program | thread | voluntary | involuntary |\n|---|---|---:|---:|\n";
  for (const ProgramFigures& program : programs) {
    std::map<std::string, std::pair<std::vector<double>, std::vector<double>>> byRole;
    for (const RunFigures& run : program.runs) {
      for (const auto& [role, counts] : run.switchesPerTripByRole) {
        byRole[role].first.push_back(counts.first);
        byRole[role].second.push_back(counts.second);
      }
    }
    for (auto& [role, counts] : byRole) {
      out << "| " << program.name << " | " << role << " | " << Format("%.2f", Median(counts.first))
          << " | " << Format("%.2f", Median(counts.second)) << " |\n";
    }
  }
}

void PrintRuns(std::ostream& out, const std::vector<ProgramFigures>& programs) {
  out << "| program | run | load before | load after |";
  for (const Row& row : Rows()) out << ' ' << row.label << " |";
  out << "\n|---|---:|---:|---:|";
  for (std::size_t i = 0; i < Rows().size(); ++i) out << "---:|";
  out << '\n';
  for (const ProgramFigures& program : programs) {
    for (std::size_t i = 0; i < program.runs.size(); ++i) {
      const RunFigures& run = program.runs[i];
      out << "| " << program.name << " | " << i + 1 << " | " << Format("%.2f", run.loadBefore)
          << " | " << Format("%.2f", run.loadAfter) << " |";
      for (const Row& row : Rows()) out << ' ' << Format(row.format, row.value(run)) << " |";
      out << '\n';
    }
  }
}
