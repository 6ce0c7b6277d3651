// dispenser-cli run as a workshop runs it, on many ports at once: N
// pseudo-terminals whose far ends this process serves (one thread, one
// epoll, a standby reply to each command frame), and one dispenser-cli run
// with a --port for each. Measures the run's process: CPU (user + system)
// per round trip, its largest resident set and its most threads.
//
//   bench_ports [--repeat N] [--ports 1,4,16,64] [--cli PATH]
//
// Prints one line per port count; exit 0 only if every run passed.
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "console/protocol/DispenserFrames.h"

namespace {

// The far ends: each complete command frame read gets the reply of a
// dispenser in standby.
class TFarEnds {
 public:
  explicit TFarEnds(int count) {
    FPoll = epoll_create1(EPOLL_CLOEXEC);
    for (int i = 0; i < count; ++i) {
      const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
      if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("bench_ports: posix_openpt");
        std::exit(2);
      }
      FMasters.push_back(master);
      FNames.emplace_back(ptsname(master));
      epoll_event event{EPOLLIN, {.u32 = static_cast<std::uint32_t>(i)}};
      epoll_ctl(FPoll, EPOLL_CTL_ADD, master, &event);
    }
    FPending.resize(FMasters.size(), 0);
    FThread = std::thread([this] { Serve(); });
  }
  ~TFarEnds() {
    FStop = true;
    FThread.join();
    for (const int master : FMasters) close(master);
    close(FPoll);
  }
  const std::vector<std::string>& Names() const { return FNames; }

 private:
  void Serve() {
    static const std::uint8_t kStandby[] = {0x02, 0x30, 0x30, 0x73, 0x72,
                                            0x30, 0x30, 0x30, 0xD7, 0x03};
    epoll_event events[64];
    while (!FStop) {
      const int n = epoll_wait(FPoll, events, 64, 50);
      for (int e = 0; e < n; ++e) {
        const std::uint32_t i = events[e].data.u32;
        std::uint8_t buffer[512];
        const ssize_t got = read(FMasters[i], buffer, sizeof buffer);
        if (got <= 0) {
          // The run has the terminal closed (a hang-up): wait for it to open.
          if (events[e].events & EPOLLHUP) usleep(1000);
          continue;
        }
        for (FPending[i] += static_cast<std::size_t>(got); FPending[i] >= TFrame{}.size();
             FPending[i] -= TFrame{}.size()) {
          if (write(FMasters[i], kStandby, sizeof kStandby) < 0) break;
        }
      }
    }
  }

  int FPoll = -1;
  std::vector<int> FMasters;
  std::vector<std::string> FNames;
  std::vector<std::size_t> FPending;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

// A number of /proc/PID/status ("Threads", "VmRSS" in kB), 0 if gone.
long StatusNumber(pid_t pid, const std::string& key) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(key + ":")) return std::atol(line.c_str() + key.size() + 1);
  }
  return 0;
}

struct TMeasure {
  int Exit = -1;
  double CpuSeconds = 0, WallSeconds = 0;
  long MaxRssKb = 0, MaxThreads = 0;
};

TMeasure RunCli(const std::string& cli, const std::vector<std::string>& ports, long repeat) {
  std::vector<std::string> args = {cli, "run", "--repeat", std::to_string(repeat), "--json"};
  for (const std::string& port : ports) args.insert(args.end(), {"--port", port});
  args.push_back("state-query");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto started = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    execv(cli.c_str(), argv.data());
    _exit(127);
  }
  TMeasure measure;
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, WNOHANG, &usage) == 0) {
    measure.MaxThreads = std::max(measure.MaxThreads, StatusNumber(pid, "Threads"));
    usleep(20'000);
  }
  measure.WallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  measure.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  measure.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  measure.MaxRssKb = usage.ru_maxrss;
  return measure;
}

}  // namespace

int main(int argc, char** argv) {
  long repeat = 1000;
  std::vector<int> counts = {1, 4, 16, 64};
  std::string cli = DISPENSER_CLI;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--repeat") {
      repeat = std::max(1L, std::atol(argv[i + 1]));
    } else if (arg == "--ports") {
      counts.clear();
      std::istringstream list(argv[i + 1]);
      for (std::string n; std::getline(list, n, ',');)
        counts.push_back(std::max(1, std::atoi(n.c_str())));
    } else if (arg == "--cli") {
      cli = argv[i + 1];
    } else {
      std::fprintf(stderr, "usage: bench_ports [--repeat N] [--ports 1,4,16,64] [--cli PATH]\n");
      return 2;
    }
  }
  std::printf("%6s %12s %8s %14s %10s %8s\n", "ports", "round trips", "wall s", "CPU us/trip",
              "RSS MiB", "threads");
  bool passed = true;
  double cpuOne = 0;
  long threadsOne = 0;
  for (const int count : counts) {
    TFarEnds farEnds(count);
    const TMeasure m = RunCli(cli, farEnds.Names(), repeat);
    const double trips = static_cast<double>(repeat) * count;
    const double cpu = m.CpuSeconds / trips * 1e6;
    std::printf("%6d %12.0f %8.2f %14.1f %10.1f %8ld%s\n", count, trips, m.WallSeconds, cpu,
                static_cast<double>(m.MaxRssKb) / 1024, m.MaxThreads,
                m.Exit == 0 ? "" : "  (the run failed)");
    std::fflush(stdout);
    passed = passed && m.Exit == 0;
    if (count == counts.front()) {
      cpuOne = cpu;
      threadsOne = m.MaxThreads;
    } else {
      std::printf("       CPU per round trip %.2fx of %d port(s); %.1f threads a port more\n",
                  cpu / cpuOne, counts.front(),
                  static_cast<double>(m.MaxThreads - threadsOne) / (count - counts.front()));
    }
  }
  return passed ? 0 : 1;
}
