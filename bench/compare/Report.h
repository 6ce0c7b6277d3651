// The figures of each probe program over the repetitions, and the tables the
// harness prints: the medians side by side with the ratio of ours to the best
// peer, the machine, and every run.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

struct RunFigures {
  double latencyMedianUs = 0;
  double latencyP99Us = 0;
  double tripsPerSecond = 0;
  double cpuMsPer1000Trips = 0;
  double switchesPerTrip = 0;
  // By thread role: voluntary and involuntary switches per round trip.
  std::map<std::string, std::pair<double, double>> switchesPerTripByRole;
  double idleWakeUps = 0;
  double mibPerSecond = 0;
  double peakRssMiB = 0;
  double loadBefore = 0;  // 1-minute load average when the run started
  double loadAfter = 0;
};

struct ProgramFigures {
  std::string name;
  bool ours = false;  // compared with the best of the others
  std::string sameLoopPeer;  // ours: also compared with this peer (both on Qt's loop)
  std::vector<RunFigures> runs;
  std::vector<std::string> failures;
};

// The 1-, 5- and 15-minute load averages as text, and the first of them.
std::string LoadAverages();
double LoadAverage1();
// CPU model and count, kernel, memory.
std::string MachineDescription();

// The medians side by side, each of ours divided by the best peer, and by
// the peer on its own event loop where it names one.
void PrintSummary(std::ostream& out, const std::vector<ProgramFigures>& programs);
// Where the context switches of a round trip go: each program's threads by
// role, voluntary and involuntary, medians over the repetitions.
void PrintSwitchesByRole(std::ostream& out, const std::vector<ProgramFigures>& programs);
void PrintRuns(std::ostream& out, const std::vector<ProgramFigures>& programs);
