#include "tools/cli/RunTally.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "console/protocol/DispenserFrames.h"
#include "tools/cli/JsonString.h"

namespace {

constexpr std::string_view kReleased = "장 방출되었습니다.";

// The notes a decoded reply says left the machine: a dispense reply's count
// (Edit1), or an error reply's dialog ("4장 방출되었습니다.").
std::int64_t NotesOf(const TDecodedReply& decoded) {
  for (const TReplyEffect& effect : decoded.Effects) {
    std::string text = effect.Text + std::string(effect.Raw.begin(), effect.Raw.end());
    if (effect.Target == rtDialog && text.ends_with(kReleased)) {
      text.resize(text.size() - kReleased.size());
    } else if (effect.Target != rtEdit1) {
      continue;
    }
    try {
      return std::max<std::int64_t>(0, StrToInt(text));
    } catch (const EConvertError&) {
      return 0;
    }
  }
  return 0;
}

// Nearest rank: the smallest value with at least share p of them at or below it.
double Percentile(const std::vector<double>& sorted, double p) {
  const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

// Reply times to the hundredth of a millisecond.
std::string Decimal2(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::string Printable(std::uint8_t byte) {
  return byte >= 0x20 && byte < 0x7F ? std::string(1, static_cast<char>(byte))
                                     : "\\x" + IntToHex(byte, 2);
}

}  // namespace

bool TRunTally::CountFrame(const TReplyBlock& block, const TDecodedReply& decoded) {
  const TRawBytes& bytes = block.Bytes;
  const bool wrongChecksum =
      block.Kind == rbFrame && bytes.size() == TFrame{}.size() && bytes[8] != FrameChecksum(bytes);
  if (wrongChecksum) ++ChecksumErrors;
  const bool cutOff = block.Kind == rbIncomplete;
  if (cutOff) ++Incomplete;
  Notes += NotesOf(decoded);
  if (bytes.size() < 5 || bytes[3] != 'E') return wrongChecksum || cutOff;
  const std::string key = "E" + Printable(bytes[4]);
  ++ErrorReplies[key];
  // The log line after the hex line tells what the code means.
  if (decoded.Effects.size() > 2 && decoded.Effects[2].Target == rtMemo1) {
    ErrorMeanings[key] = decoded.Effects[2].Text;
  }
  return true;
}

bool TRunTally::Passed() const {
  return Replies == Sent && Timeouts == 0 && Incomplete == 0 && ErrorReplies.empty() &&
         ChecksumErrors == 0 && !Interrupted;
}

void TRunTally::Add(const TRunTally& other) {
  Sent += other.Sent;
  Replies += other.Replies;
  Timeouts += other.Timeouts;
  Unmatched += other.Unmatched;
  Incomplete += other.Incomplete;
  ChecksumErrors += other.ChecksumErrors;
  Interrupted = Interrupted || other.Interrupted;
  for (const auto& [key, count] : other.ErrorReplies) ErrorReplies[key] += count;
  ErrorMeanings.insert(other.ErrorMeanings.begin(), other.ErrorMeanings.end());
  Notes += other.Notes;
  ReplyMs.insert(ReplyMs.end(), other.ReplyMs.begin(), other.ReplyMs.end());
}

void TRunTally::PrintText(std::ostream& out) const {
  out << "sent " << Sent << ", replies " << Replies << ", time-outs " << Timeouts;
  if (Incomplete != 0) out << ", incomplete " << Incomplete;
  if (Unmatched != 0) out << ", unmatched replies " << Unmatched;
  if (ChecksumErrors != 0) out << ", wrong checksums " << ChecksumErrors;
  if (Interrupted) out << ", interrupted";
  out << "\nerror replies:";
  if (ErrorReplies.empty()) out << " none";
  for (const auto& [key, count] : ErrorReplies) {
    const auto meaning = ErrorMeanings.find(key);
    out << "\n  " << key << "  " << count << "  "
        << (meaning != ErrorMeanings.end() ? meaning->second : "unknown error code");
  }
  out << "\nnotes dispensed: " << Notes << "\nreply time: ";
  if (ReplyMs.empty()) {
    out << "no replies\n";
    return;
  }
  std::vector<double> sorted = ReplyMs;
  std::sort(sorted.begin(), sorted.end());
  out << "min " << Decimal2(sorted.front()) << " ms, median " << Decimal2(Percentile(sorted, 0.5))
      << " ms, p99 " << Decimal2(Percentile(sorted, 0.99)) << " ms, max " << Decimal2(sorted.back())
      << " ms\n";
}

void TRunTally::PrintJson(std::ostream& out) const {
  out << R"({"sent": )" << Sent << R"(, "replies": )" << Replies << R"(, "timeouts": )" << Timeouts
      << R"(, "error_replies": {)";
  const char* separator = "";
  for (const auto& [key, count] : ErrorReplies) {
    out << separator << JsonString(key) << ": " << count;
    separator = ", ";
  }
  out << R"(}, "notes": )" << Notes << R"(, "reply_ms": )";
  if (ReplyMs.empty()) {
    out << R"({"min": null, "median": null, "p99": null, "max": null})";
  } else {
    std::vector<double> sorted = ReplyMs;
    std::sort(sorted.begin(), sorted.end());
    out << R"({"min": )" << Decimal2(sorted.front()) << R"(, "median": )"
        << Decimal2(Percentile(sorted, 0.5)) << R"(, "p99": )" << Decimal2(Percentile(sorted, 0.99))
        << R"(, "max": )" << Decimal2(sorted.back()) << "}";
  }
  out << R"(, "unmatched": )" << Unmatched << R"(, "incomplete": )" << Incomplete
      << R"(, "checksum_errors": )" << ChecksumErrors << R"(, "interrupted": )"
      << (Interrupted ? "true" : "false") << "}\n";
}
