// The window's resident memory over a long run: the real window (offscreen
// platform) on a pseudo-terminal whose far end this program plays, fed as
// many count replies as a run of two hours at 100 replies per second brings
// (720,000), as fast as the window takes them, in batches of 100. Each reply
// adds two lines to the reply log and five to the session log file.
// Resident memory is sampled every tenth of the run.
//
//   bench_console_memory [--replies N] [--no-log] [--no-limit]
//
// --no-log runs without the session log file; --no-limit lifts the reply
// log's line limit, to show what the limit saves.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "console/widgets/Memo.h"
#include "console/window/MainForm.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtBackend.h"
#include "platform/qt/core/LoopUntil.h"
#include "platform/runtime/Registry.h"

namespace {

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// The count reply for `total` (0 to 999), its checksum computed.
std::string CountReply(int total) {
  char data[12];  // room for any int, so the format never truncates
  std::snprintf(data, sizeof data, "%03d", total);
  std::string frame = std::string("\x02") + "00c0" + data;
  unsigned sum = 0;
  for (const char c : frame) sum += static_cast<unsigned char>(c);
  return frame + static_cast<char>(sum & 0xFF) + '\x03';
}

}  // namespace

int main(int argc, char** argv) {
  long replies = 720'000;
  bool log = true, limit = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--replies" && i + 1 < argc) {
      replies = std::max(100L, std::atol(argv[++i]));
    } else if (arg == "--no-log") {
      log = false;
    } else if (arg == "--no-limit") {
      limit = false;
    } else {
      std::fprintf(stderr, "usage: bench_console_memory [--replies N] [--no-log] [--no-limit]\n");
      return 2;
    }
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  GuardedApplication qt(argc, argv);
  TApplication application(std::make_unique<QtBackend>());
  application.Initialize();

  char scratch[] = "/tmp/bench-console.XXXXXX";
  if (mkdtemp(scratch) == nullptr) return 1;
  TRegistry::SetStoreFile(std::string(scratch) + "/registry");
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return 1;

  TConsoleOptions options;
  options.Port = ptsname(master);
  options.NoLog = !log;
  if (log) options.LogFile = std::string(scratch) + "/session.tsv";
  auto form = std::make_unique<TForm1>(nullptr, options);
  auto* memo = form->findChild<TMemo*>("Memo1");
  auto* total = form->findChild<QLineEdit*>("Edit2");
  if (!limit) memo->SetMaxLines(0);
  form->show();
  form->findChild<QAbstractButton*>("Button2")->click();
  if (!form->Com1->Connected()) return 1;

  std::printf("%10s %12s %10s   (%s, %s)\n", "replies", "resident MiB", "seconds",
              log ? "session log on" : "no session log",
              limit ? "reply log limited" : "reply log unlimited");
  const auto start = std::chrono::steady_clock::now();
  constexpr int kBatch = 100;
  double first = 0;
  for (long sent = 0; sent < replies;) {
    std::string batch;
    int last = 0;
    for (int i = 0; i < kBatch; ++i, ++sent) batch += CountReply(last = static_cast<int>(sent % 1000));
    if (write(master, batch.data(), batch.size()) != static_cast<ssize_t>(batch.size())) return 1;
    char expected[12];
    std::snprintf(expected, sizeof expected, "%03d", last);
    if (!LoopUntil([&] { return total->text() == expected; }, 60'000)) {
      std::fprintf(stderr, "the window stopped taking replies at %ld\n", sent);
      return 1;
    }
    if (sent % (replies / 10) < kBatch || sent >= replies) {
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const double mib = ResidentMiB();
      if (first == 0) first = mib;
      std::printf("%10ld %12.1f %10.1f\n", sent, mib, seconds);
      std::fflush(stdout);
    }
  }
  std::printf("reply log: %d lines; resident memory grew %.1f MiB after the first tenth\n",
              memo->LineCount(), ResidentMiB() - first);
  form.reset();
  close(master);
  std::filesystem::remove_all(scratch);
  return 0;
}
