// dispenser-cli run's HTML report (drawn by headless chromium where it is
// installed) and the report of session logs.
#include <QImage>
#include <set>

#include "tests/integration/dispenser/CliRun.h"

using namespace simtest;

namespace {

std::size_t Occurrences(const std::string& text, const std::string& piece) {
  std::size_t n = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    ++n;
  return n;
}

// The report's port sections, in order: each reply is a circle of class
// "reply", each time-out a line of class "timeout".
struct TDrawn {
  std::size_t Replies, Timeouts, ErrorReplies;
  friend bool operator==(const TDrawn&, const TDrawn&) = default;
};
std::vector<TDrawn> Drawn(const std::string& html) {
  std::vector<TDrawn> ports;
  const std::string marker = "<section class=\"port\">";
  for (std::size_t at = html.find(marker); at != std::string::npos;) {
    const std::size_t next = html.find(marker, at + 1);
    const std::string section = html.substr(at, next - at);
    ports.push_back({Occurrences(section, "<circle class=\"reply "),
                     Occurrences(section, "<line class=\"timeout\""),
                     Occurrences(section, " error-reply\"")});
    at = next;
  }
  return ports;
}

}  // namespace

// Two dispensers side by side for 200 cycles: one jams at its 50th dispense,
// the other falls silent after 380 replies. The report draws each reply and
// time-out where it came; the report made again from the run's logs is the
// same; chromium draws it.
TEST(CliReport, DrawsEveryReplyAndTimeOutOfEachPortAndReadsTheSameFromTheLogs) {
  TScratchDir dir;
  const std::vector<std::string> ports = {SimName("jam@50"), SimName("mute-after=380")};
  const TCliRun run = Cli(dir, {"run", "--port", ports[0], "--port", ports[1], "--repeat", "200",
                                "--timeout", "20", "--json", "--log", dir.File("run.tsv"),
                                "--report", dir.File("run.html"), "dispense", "count-query"});
  EXPECT_EQ(run.Exit, 1) << run.Err;  // error replies and time-outs
  const std::vector<long> replies = Numbers(run.Out, "replies"),
                          timeouts = Numbers(run.Out, "timeouts");
  ASSERT_EQ(replies.size(), 3u) << run.Out;  // two ports and the total
  EXPECT_EQ(replies[0], 400);
  EXPECT_EQ(timeouts[1], 20);
  const std::string html = ReadWholeFile(dir.File("run.html"));
  const std::vector<TDrawn> drawn = Drawn(html);
  ASSERT_EQ(drawn.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(drawn[i].Replies, static_cast<std::size_t>(replies[i])) << ports[i];
    EXPECT_EQ(drawn[i].Timeouts, static_cast<std::size_t>(timeouts[i])) << ports[i];
  }
  EXPECT_EQ(drawn[0].ErrorReplies, static_cast<std::size_t>(Numbers(run.Out, "E2")[0]));
  EXPECT_NE(html.find("<td>jam 1 or jam 2.</td>"), std::string::npos);

  // The logs, one per port, give the same report; a line that does not read
  // is named by file and line, and all else is kept.
  const std::vector<std::string> logs = {dir.File(RunLogOf(ports[0])),
                                         dir.File(RunLogOf(ports[1]))};
  const TCliRun fromLogs = Cli(dir, {"report", logs[0], logs[1], "-o", dir.File("logs.html")});
  EXPECT_EQ(fromLogs.Exit, 0) << fromLogs.Err;
  EXPECT_EQ(Drawn(ReadWholeFile(dir.File("logs.html"))), drawn);
  std::string log = ReadWholeFile(logs[1]);
  const std::size_t reply = log.find("\treply\t", log.size() / 2);
  log.replace(log.find('\t', reply + 7), 0, "x");
  std::ofstream(logs[1], std::ios::trunc) << log << "2026-12-08 06:00:00.000\tsent\tdisp";
  const std::string line = std::to_string(std::count(log.begin(), log.begin() + reply, '\n') + 1);
  const TCliRun malformed = Cli(dir, {"report", logs[1], "-o", dir.File("bad.html")});
  EXPECT_EQ(malformed.Exit, 1);
  EXPECT_NE(malformed.Err.find("dispenser-cli: " + logs[1] + ":" + line + ": reply: "),
            std::string::npos)
      << malformed.Err;
  EXPECT_NE(malformed.Err.find(logs[1] + ":" +
                               std::to_string(std::count(log.begin(), log.end(), '\n') + 1) +
                               ": not five tab-separated fields"),
            std::string::npos)
      << malformed.Err;
  const std::vector<TDrawn> kept = Drawn(ReadWholeFile(dir.File("bad.html")));
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].Replies, drawn[1].Replies - 1);
  EXPECT_EQ(kept[0].Timeouts, drawn[1].Timeouts);

  if (access("/usr/bin/chromium", X_OK) != 0)
    GTEST_SKIP() << "chromium is not installed: the drawing is not checked";
  const std::string png = dir.File("run.png");
  const pid_t chromium = Spawn("/usr/bin/chromium",
                               {"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                                "--user-data-dir=" + dir.File("profile"), "--screenshot=" + png,
                                "--window-size=1280,1600", "file://" + dir.File("run.html")},
                               dir.File("chromium.out"), dir.File("chromium.err"));
  ASSERT_EQ(WaitExit(chromium), 0) << ReadWholeFile(dir.File("chromium.err"));
  const QImage shot(QString::fromStdString(png));
  ASSERT_FALSE(shot.isNull());
  std::set<QRgb> colours;
  long inked = 0;
  for (int y = 0; y < shot.height(); y += 2) {
    for (int x = 0; x < shot.width(); x += 2) {
      const QRgb pixel = shot.pixel(x, y);
      colours.insert(pixel);
      inked += pixel != shot.pixel(0, 0);
    }
  }
  // Text, charts and the legend's colours, not a blank page.
  EXPECT_GT(inked, shot.width() * shot.height() / 4 / 50);
  EXPECT_GT(colours.size(), 20u);
}
