#include "console/report/ReportPage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "console/report/HtmlText.h"

namespace {

// Chart geometry, in the SVG's own units; the page scales it to its width.
constexpr double kWidth = 600, kLeft = 52, kRight = 12, kTop = 20, kBottom = 30;
constexpr int kSeriesColours = 8;
constexpr int kBins = 40;

std::string Fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Num(double value) {
  return Fixed(value, 1);
}

std::string Count(std::int64_t n) {
  return std::to_string(n);
}

// A round number at or above `value` for an axis's top: 1, 2 or 5 times a power of ten.
double AxisTop(double value) {
  if (!(value > 0)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {1.0, 2.0, 5.0, 10.0}) {
    if (step * power >= value) return step * power;
  }
  return 10 * power;
}

std::string Ms(double ms) {
  return Fixed(ms, 2) + " ms";
}

struct TPlot {
  double Height;
  double X0() const { return kLeft; }
  double X1() const { return kWidth - kRight; }
  double Y0() const { return kTop; }
  double Y1() const { return Height - kBottom; }
};

void OpenSvg(std::ostream& out, const char* kind, double height, const std::string& label) {
  out << "<svg class=\"chart " << kind << "\" viewBox=\"0 0 " << Num(kWidth) << ' ' << Num(height)
      << "\" role=\"img\" aria-label=\"" << HtmlText(label) << "\">\n";
}

// Axis lines, the y axis's grid at 0, half and top, the x axis's first and last label.
void Axes(std::ostream& out, const TPlot& plot, double yTop, const std::string& yUnit,
          const std::string& xFirst, const std::string& xLast, const std::string& xName) {
  for (int i = 0; i <= 2; ++i) {
    const double value = yTop * i / 2;
    const double y = plot.Y1() - (plot.Y1() - plot.Y0()) * i / 2;
    out << "<line class=\"grid\" x1=\"" << Num(plot.X0()) << "\" y1=\"" << Num(y) << "\" x2=\""
        << Num(plot.X1()) << "\" y2=\"" << Num(y) << "\"/>"
        << "<text class=\"tick\" x=\"" << Num(plot.X0() - 4) << "\" y=\"" << Num(y + 3)
        << "\" text-anchor=\"end\">"
        << HtmlText(Fixed(value, value == 0 || value >= 10 ? 0
                                 : value >= 1              ? 1
                                                           : 2))
        << "</text>\n";
  }
  out << "<text class=\"tick\" x=\"4\" y=\"" << Num(plot.Y0() - 6) << "\">" << HtmlText(yUnit)
      << "</text>\n"
      << "<text class=\"tick\" x=\"" << Num(plot.X0()) << "\" y=\"" << Num(plot.Y1() + 14) << "\">"
      << HtmlText(xFirst) << "</text>"
      << "<text class=\"tick\" x=\"" << Num(plot.X1()) << "\" y=\"" << Num(plot.Y1() + 14)
      << "\" text-anchor=\"end\">" << HtmlText(xLast) << "</text>"
      << "<text class=\"tick\" x=\"" << Num((plot.X0() + plot.X1()) / 2) << "\" y=\""
      << Num(plot.Y1() + 24) << "\" text-anchor=\"middle\">" << HtmlText(xName) << "</text>\n";
}

unsigned Cycles(const TPortRecord& port) {
  unsigned cycles = static_cast<unsigned>(port.NotesPerCycle.size());
  for (const TCommandResult& r : port.Results) cycles = std::max(cycles, r.Cycle);
  return std::max(cycles, 1u);
}

// Each command's colour: its series number, in the order the commands first came.
std::map<std::string, int> Series(const TPortRecord& port) {
  std::map<std::string, int> series;
  for (const TCommandResult& r : port.Results) {
    if (!series.contains(r.Command)) {
      const int next = static_cast<int>(series.size()) % kSeriesColours;
      series.emplace(r.Command, next);
    }
  }
  return series;
}

void Timeline(std::ostream& out, const TPortRecord& port) {
  const TPlot plot{230};
  const unsigned cycles = Cycles(port);
  const std::vector<double> times = port.ReplyTimes();
  const double top = AxisTop(times.empty() ? 1 : times.back());
  const auto x = [&](unsigned cycle) {
    return plot.X0() + (plot.X1() - plot.X0()) * (cycle - 0.5) / cycles;
  };
  const auto y = [&](double ms) { return plot.Y1() - (plot.Y1() - plot.Y0()) * ms / top; };
  OpenSvg(out, "timeline", plot.Height, "reply time over the run on " + port.Port);
  Axes(out, plot, top, "ms", "cycle 1", "cycle " + Count(cycles), "cycle");
  const auto series = Series(port);
  for (const TCommandResult& r : port.Results) {
    if (r.TimedOut) {
      out << "<line class=\"timeout\" x1=\"" << Num(x(r.Cycle)) << "\" y1=\"" << Num(plot.Y0() - 14)
          << "\" x2=\"" << Num(x(r.Cycle)) << "\" y2=\"" << Num(plot.Y1()) << "\"/>\n";
    } else {
      out << "<circle class=\"reply s" << series.at(r.Command)
          << (r.ErrorReply ? " error-reply\" r=\"3.5" : "\" r=\"1.8") << "\" cx=\""
          << Num(x(r.Cycle)) << "\" cy=\"" << Num(y(r.Ms)) << "\"/>\n";
    }
  }
  out << "</svg>\n<p class=\"legend\">";
  for (const auto& [command, colour] : series) {
    out << "<span class=\"key s" << colour << "\">" << HtmlText(command) << "</span> ";
  }
  out << "<span class=\"key error-key\">error reply</span> "
         "<span class=\"key timeout-key\">time-out</span></p>\n";
}

void Histogram(std::ostream& out, const std::vector<double>& times, const std::string& port) {
  if (times.empty()) {
    out << "<p class=\"none\">No replies.</p>\n";
    return;
  }
  const double min = times.front(), max = times.back();
  const double median = Percentile(times, 0.5), p99 = Percentile(times, 0.99);
  // A few far-off replies go to one last bar of their own, so that they do
  // not squeeze the rest into one bin.
  const bool overflow = max > 2 * p99 && max - min > 1;
  const double low = std::floor(min), high = overflow ? p99 * 1.5 : std::max(max, low + 0.01);
  const int bins = overflow ? kBins - 1 : kBins;
  std::vector<std::size_t> counts(kBins, 0);
  for (const double t : times) {
    const int bin = t > high
                        ? kBins - 1
                        : std::min(bins - 1, static_cast<int>((t - low) / (high - low) * bins));
    ++counts[static_cast<std::size_t>(bin)];
  }
  const TPlot plot{190};
  const double countTop =
      AxisTop(static_cast<double>(*std::max_element(counts.begin(), counts.end())));
  const double barWidth = (plot.X1() - plot.X0()) / kBins;
  const auto x = [&](double ms) {
    return ms > high ? plot.X1() - barWidth / 2
                     : plot.X0() + (plot.X1() - plot.X0() - (overflow ? barWidth : 0)) *
                                       (ms - low) / (high - low);
  };
  OpenSvg(out, "histogram", plot.Height, "reply times on " + port);
  Axes(out, plot, countTop, "replies", Ms(low), overflow ? "over " + Ms(high) : Ms(high),
       "reply time");
  for (int i = 0; i < kBins; ++i) {
    const std::size_t n = counts[static_cast<std::size_t>(i)];
    if (n == 0) continue;
    const double h = (plot.Y1() - plot.Y0()) * static_cast<double>(n) / countTop;
    const double from = low + (high - low) * i / bins, to = low + (high - low) * (i + 1) / bins;
    const std::string range =
        overflow && i == kBins - 1 ? "over " + Ms(high) : Fixed(from, 2) + "–" + Ms(to);
    out << "<rect class=\"bin" << (overflow && i == kBins - 1 ? " overflow" : "") << "\" x=\""
        << Num(plot.X0() + barWidth * i + 0.5) << "\" y=\"" << Num(plot.Y1() - h) << "\" width=\""
        << Num(barWidth - 1) << "\" height=\"" << Num(h) << "\"><title>" << HtmlText(range) << ": "
        << n << "</title></rect>\n";
  }
  const std::pair<const char*, double> stats[] = {
      {"min", min}, {"median", median}, {"p99", p99}, {"max", max}};
  double labelY = plot.Y0() - 8;
  for (const auto& [name, value] : stats) {
    // Labels near the right edge stand left of their line.
    const bool left = x(value) > plot.X1() - 40;
    out << "<line class=\"stat stat-" << name << "\" x1=\"" << Num(x(value)) << "\" y1=\""
        << Num(plot.Y0() - 4) << "\" x2=\"" << Num(x(value)) << "\" y2=\"" << Num(plot.Y1())
        << "\"/><text class=\"stat-label\" x=\"" << Num(x(value) + (left ? -2 : 2)) << "\" y=\""
        << Num(labelY) << (left ? "\" text-anchor=\"end" : "") << "\">" << name << "</text>\n";
    labelY = labelY == plot.Y0() - 8 ? plot.Y0() + 4 : plot.Y0() - 8;
  }
  out << "</svg>\n<p class=\"stats\">min " << Ms(min) << " · median " << Ms(median) << " · p99 "
      << Ms(p99) << " · max " << Ms(max) << "</p>\n";
}

void NotesChart(std::ostream& out, const TPortRecord& port) {
  const TPlot plot{150};
  const unsigned cycles = Cycles(port);
  std::int64_t most = 0;
  for (const std::int64_t n : port.NotesPerCycle) most = std::max(most, n);
  const double top = AxisTop(static_cast<double>(std::max<std::int64_t>(most, 1)));
  const double width = (plot.X1() - plot.X0()) / cycles;
  OpenSvg(out, "notes", plot.Height, "notes dispensed per cycle on " + port.Port);
  Axes(out, plot, top, "notes", "cycle 1", "cycle " + Count(cycles), "cycle");
  out << "<path class=\"notes\" d=\"";
  for (std::size_t i = 0; i < port.NotesPerCycle.size(); ++i) {
    const std::int64_t n = port.NotesPerCycle[i];
    if (n == 0) continue;
    const double h = (plot.Y1() - plot.Y0()) * static_cast<double>(n) / top;
    out << 'M' << Num(plot.X0() + width * static_cast<double>(i)) << ' ' << Num(plot.Y1()) << 'v'
        << Num(-h) << 'h' << Fixed(std::max(width, 0.3), 2) << 'v' << Num(h) << 'z';
  }
  out << "\"/>\n</svg>\n";
}

void ErrorTable(std::ostream& out, const TPortRecord& port) {
  if (port.ErrorReplies.empty()) {
    out << "<p class=\"none\">No error replies.</p>\n";
    return;
  }
  // Error replies of the same code and text in cycles one after another
  // share a row ("51–200"): a machine left jammed is one row, not thousands.
  out << "<table class=\"errors\"><thead><tr><th>cycle</th><th>replies</th><th>code</th>"
         "<th>text</th></tr></thead><tbody>\n";
  const auto& rows = port.ErrorReplies;
  for (std::size_t first = 0, last = 0; first < rows.size(); first = last) {
    std::size_t count = 1;
    for (last = first + 1;
         last < rows.size() && rows[last].Code == rows[first].Code &&
         rows[last].Text == rows[first].Text && rows[last].Cycle <= rows[last - 1].Cycle + 1;
         ++last) {
      ++count;
    }
    const unsigned from = rows[first].Cycle, to = rows[last - 1].Cycle;
    out << "<tr class=\"error-row\"><td class=\"n\">" << from;
    if (to != from) out << "–" << to;
    out << "</td><td class=\"n\">" << count << "</td><td>" << HtmlText(rows[first].Code)
        << "</td><td>" << HtmlText(rows[first].Text) << "</td></tr>\n";
  }
  out << "</tbody></table>\n";
}

struct TSums {
  std::string Name, Started, Ended, Ending;
  std::int64_t Sent = 0, Replies = 0, Timeouts = 0, Errors = 0, Notes = 0;
  std::vector<double> Times;
};

TSums SumsOf(const TPortRecord& port) {
  TSums sums;
  sums.Name = port.Port;
  sums.Started = port.Started;
  sums.Ended = port.Ended;
  sums.Ending = port.Ending;
  sums.Sent = port.SentCount;
  sums.Timeouts = port.Timeouts();
  sums.Replies = static_cast<std::int64_t>(port.Results.size()) - sums.Timeouts;
  sums.Errors = static_cast<std::int64_t>(port.ErrorReplies.size());
  sums.Notes = port.Notes();
  sums.Times = port.ReplyTimes();
  return sums;
}

void SummaryTable(std::ostream& out, const std::vector<TSums>& columns) {
  out << "<table class=\"summary\"><thead><tr><th></th>";
  for (const TSums& c : columns) out << "<th>" << HtmlText(c.Name) << "</th>";
  out << "</tr></thead><tbody>\n";
  const auto row = [&](const char* name, auto cell) {
    out << "<tr><th>" << name << "</th>";
    for (const TSums& c : columns) out << "<td class=\"n\">" << HtmlText(cell(c)) << "</td>";
    out << "</tr>\n";
  };
  row("started", [](const TSums& c) { return c.Started; });
  row("ended", [](const TSums& c) { return c.Ended; });
  row("sent", [](const TSums& c) { return Count(c.Sent); });
  row("replies", [](const TSums& c) { return Count(c.Replies); });
  row("time-outs", [](const TSums& c) { return Count(c.Timeouts); });
  row("error replies", [](const TSums& c) { return Count(c.Errors); });
  row("notes dispensed", [](const TSums& c) { return Count(c.Notes); });
  const std::pair<const char*, double> shares[] = {
      {"min", 0}, {"median", 0.5}, {"p99", 0.99}, {"max", 1}};
  for (const auto& [name, share] : shares) {
    row(name, [share](const TSums& c) {
      return c.Times.empty() ? std::string("–") : Ms(Percentile(c.Times, share));
    });
  }
  if (std::any_of(columns.begin(), columns.end(),
                  [](const TSums& c) { return !c.Ending.empty(); })) {
    row("cut short",
        [](const TSums& c) { return c.Ending.empty() ? std::string("no") : c.Ending; });
  }
  out << "</tbody></table>\n";
}

constexpr std::string_view kStyle = R"css(
:root { --ink: #1d232b; --muted: #5b6673; --rule: #d5dbe2; --back: #fff; }
* { box-sizing: border-box; }
body { font: 14px/1.45 system-ui, "Segoe UI", "DejaVu Sans", "Noto Sans CJK KR", "NanumGothic", sans-serif;
       color: var(--ink); background: var(--back); margin: 0 auto; padding: 1.5rem; max-width: 90rem; }
h1 { font-size: 1.5rem; margin: 0 0 .2rem; }
h2 { font-size: 1.15rem; margin: 1.4rem 0 .5rem; border-bottom: 1px solid var(--rule); }
h3 { font-size: .95rem; margin: 1rem 0 .3rem; color: var(--muted); }
.lead { color: var(--muted); margin: 0; }
table { border-collapse: collapse; font-size: .9rem; }
th, td { text-align: left; padding: .2rem .7rem .2rem 0; border-bottom: 1px solid var(--rule); vertical-align: top; }
td.n { font-variant-numeric: tabular-nums; }
.top { display: flex; flex-wrap: wrap; gap: 0 3rem; }
.ports { display: grid; grid-template-columns: repeat(auto-fit, minmax(26rem, 1fr)); gap: 0 2rem; }
svg.chart { width: 100%; max-width: 56rem; height: auto; display: block; font-size: 10px; }
.grid { stroke: #e4e8ec; } .tick { fill: var(--muted); }
circle.reply { fill-opacity: .75; }
.s0 { fill: #1f6fb2; color: #1f6fb2; } .s1 { fill: #2a9d4b; color: #2a9d4b; }
.s2 { fill: #8e44ad; color: #8e44ad; } .s3 { fill: #c77c02; color: #c77c02; }
.s4 { fill: #16a2a8; color: #16a2a8; } .s5 { fill: #6d4c41; color: #6d4c41; }
.s6 { fill: #d63384; color: #d63384; } .s7 { fill: #56616d; color: #56616d; }
circle.error-reply { fill: #fff; stroke: #d7261e; stroke-width: 1.6; fill-opacity: 1; }
line.timeout { stroke: #d7261e; stroke-width: 1.2; stroke-opacity: .7; }
rect.bin { fill: #1f6fb2; } rect.overflow { fill: #c77c02; }
line.stat { stroke: var(--ink); stroke-dasharray: 3 2; } .stat-label { fill: var(--ink); }
path.notes { fill: #2a9d4b; }
.legend { font-size: .85rem; margin: .2rem 0; }
.key::before { content: "●"; margin-right: .25rem; }
.error-key::before { content: "○"; color: #d7261e; } .timeout-key::before { content: "|"; color: #d7261e; font-weight: bold; }
.stats { margin: .2rem 0; font-variant-numeric: tabular-nums; }
.none { color: var(--muted); }
footer { margin-top: 2rem; color: var(--muted); font-size: .8rem; }
@page { size: A4; margin: 12mm; }
@media print {
  body { font-size: 9pt; padding: 0; max-width: none; }
  .ports { display: block; }
  .port { break-before: page; }
  h3, svg.chart, table.summary { break-inside: avoid; }
  svg.chart { max-height: 65mm; }
}
)css";

}  // namespace

void WriteReportPage(const TRunReport& report, std::ostream& out) {
  std::vector<TSums> columns;
  for (const TPortRecord& port : report.Ports) columns.push_back(SumsOf(port));
  std::string names;
  for (const TSums& c : columns) names += (names.empty() ? "" : ", ") + c.Name;
  if (columns.size() > 1) {
    TSums total;
    total.Name = "total";
    for (const TSums& c : columns) {
      if (total.Started.empty() || (!c.Started.empty() && c.Started < total.Started))
        total.Started = c.Started;
      total.Ended = std::max(total.Ended, c.Ended);
      total.Sent += c.Sent;
      total.Replies += c.Replies;
      total.Timeouts += c.Timeouts;
      total.Errors += c.Errors;
      total.Notes += c.Notes;
      total.Times.insert(total.Times.end(), c.Times.begin(), c.Times.end());
    }
    std::sort(total.Times.begin(), total.Times.end());
    columns.push_back(std::move(total));
  }
  const TSums& whole = columns.back();
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>Burn-in report: "
      << HtmlText(names) << "</title>\n<style>" << kStyle << "</style></head><body>\n"
      << "<header><h1>Burn-in report</h1><p class=\"lead\">" << HtmlText(names) << " · "
      << HtmlText(whole.Started) << " to " << HtmlText(whole.Ended) << " · "
      << HtmlText(report.Program) << "</p></header>\n"
      << "<div class=\"top\"><section><h2>Summary</h2>\n";
  SummaryTable(out, columns);
  out << "</section><section><h2>Settings</h2><table class=\"settings\"><tbody>\n";
  const auto setting = [&](const std::string& name, const std::string& value) {
    out << "<tr><th>" << HtmlText(name) << "</th><td>" << HtmlText(value) << "</td></tr>\n";
  };
  if (!report.Ports.empty()) {
    for (const auto& [name, value] : report.Ports.front().Settings) setting(name, value);
  }
  for (const TPortRecord& port : report.Ports) {
    setting("line " + port.Port, port.LineSettings.empty() ? "–" : port.LineSettings);
  }
  for (const auto& [name, value] : report.About) setting(name, value);
  setting("program", report.Program);
  out << "</tbody></table></section></div>\n<div class=\"ports\">\n";
  for (const TPortRecord& port : report.Ports) {
    out << "<section class=\"port\"><h2>" << HtmlText(port.Port) << "</h2>\n"
        << "<h3>Reply time over the run</h3>\n";
    Timeline(out, port);
    out << "<h3>Reply times</h3>\n";
    Histogram(out, port.ReplyTimes(), port.Port);
    out << "<h3>Notes dispensed per cycle</h3>\n";
    NotesChart(out, port);
    out << "<h3>Error replies</h3>\n";
    ErrorTable(out, port);
    out << "</section>\n";
  }
  out << "</div>\n<footer>Made by " << HtmlText(report.Program) << " from "
      << HtmlText(report.Source) << ".</footer>\n</body></html>\n";
}
