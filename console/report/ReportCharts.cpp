#include "console/report/ReportCharts.h"

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

}  // namespace

void WriteTimeline(std::ostream& out, const TPortRecord& port) {
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

void WriteHistogram(std::ostream& out, const std::vector<double>& times, const std::string& port) {
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
  Axes(out, plot, countTop, "replies", MsText(low),
       overflow ? "over " + MsText(high) : MsText(high), "reply time");
  for (int i = 0; i < kBins; ++i) {
    const std::size_t n = counts[static_cast<std::size_t>(i)];
    if (n == 0) continue;
    const double h = (plot.Y1() - plot.Y0()) * static_cast<double>(n) / countTop;
    const double from = low + (high - low) * i / bins, to = low + (high - low) * (i + 1) / bins;
    const std::string range =
        overflow && i == kBins - 1 ? "over " + MsText(high) : Fixed(from, 2) + "–" + MsText(to);
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
  out << "</svg>\n<p class=\"stats\">min " << MsText(min) << " · median " << MsText(median)
      << " · p99 " << MsText(p99) << " · max " << MsText(max) << "</p>\n";
}

void WriteNotesChart(std::ostream& out, const TPortRecord& port) {
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

std::string MsText(double ms) {
  return Fixed(ms, 2) + " ms";
}
