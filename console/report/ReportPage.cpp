#include "console/report/ReportPage.h"

#include <algorithm>

#include "console/report/HtmlText.h"
#include "console/report/ReportCharts.h"

namespace {

// "2.20 ms", kept on one line in a narrow column.
std::string Ms(double ms) {
  std::string text = MsText(ms);
  return text.replace(text.size() - 3, 1, "\u00A0");
}

std::string Count(std::int64_t n) {
  return std::to_string(n);
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

// A reply time of the sorted times by its share ("–" without replies).
std::string Share(const TSums& sums, double share) {
  return sums.Times.empty() ? std::string("–") : Ms(Percentile(sums.Times, share));
}

// A row per port and one for their total, so that sixty-four ports still
// fit a page's width.
void SummaryTable(std::ostream& out, const std::vector<TSums>& rows) {
  using TCell = std::string (*)(const TSums&);
  std::vector<std::pair<const char*, TCell>> columns = {
      {"started", [](const TSums& c) { return c.Started; }},
      {"ended", [](const TSums& c) { return c.Ended; }},
      {"sent", [](const TSums& c) { return Count(c.Sent); }},
      {"replies", [](const TSums& c) { return Count(c.Replies); }},
      {"time-outs", [](const TSums& c) { return Count(c.Timeouts); }},
      {"error replies", [](const TSums& c) { return Count(c.Errors); }},
      {"notes", [](const TSums& c) { return Count(c.Notes); }},
      {"min", [](const TSums& c) { return Share(c, 0); }},
      {"median", [](const TSums& c) { return Share(c, 0.5); }},
      {"p99", [](const TSums& c) { return Share(c, 0.99); }},
      {"max", [](const TSums& c) { return Share(c, 1); }},
  };
  if (std::any_of(rows.begin(), rows.end(), [](const TSums& c) { return !c.Ending.empty(); })) {
    columns.emplace_back("cut short", [](const TSums& c) { return c.Ending; });
  }
  out << "<table class=\"summary\"><thead><tr><th>port</th>";
  for (const auto& [name, cell] : columns) out << "<th>" << name << "</th>";
  out << "</tr></thead><tbody>\n";
  for (const TSums& row : rows) {
    out << "<tr><th>" << HtmlText(row.Name) << "</th>";
    for (const auto& [name, cell] : columns) {
      out << "<td class=\"n\">" << HtmlText(cell(row)) << "</td>";
    }
    out << "</tr>\n";
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
table.summary td, table.summary th { padding-right: 1rem; }
table.summary tbody tr:last-child th { font-weight: bold; }
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
    WriteTimeline(out, port);
    out << "<h3>Reply times</h3>\n";
    WriteHistogram(out, port.ReplyTimes(), port.Port);
    out << "<h3>Notes dispensed per cycle</h3>\n";
    WriteNotesChart(out, port);
    out << "<h3>Error replies</h3>\n";
    ErrorTable(out, port);
    out << "</section>\n";
  }
  out << "</div>\n<footer>Made by " << HtmlText(report.Program) << " from "
      << HtmlText(report.Source) << ".</footer>\n</body></html>\n";
}
