// What a burn-in run counted, and its summary: for people, or as one JSON
// object.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "console/protocol/ReplyAssembler.h"
#include "console/protocol/ReplyDecoder.h"

struct TRunTally {
  unsigned Sent = 0;
  unsigned Replies = 0;         // commands that got their reply within the time-out
  unsigned Timeouts = 0;        // commands that did not
  unsigned Unmatched = 0;       // reply frames that answered no waiting command (late ones)
  unsigned Incomplete = 0;      // frame starts whose rest never came: no reply
  unsigned ChecksumErrors = 0;  // reply frames whose checksum byte was wrong
  bool Interrupted = false;     // a stop signal or the device's loss cut the run short
  // Error replies by their letter and code as the reply carries them ("E2").
  std::map<std::string, unsigned> ErrorReplies;
  std::map<std::string, std::string> ErrorMeanings;  // "E2": "jam 1 or jam 2."
  std::int64_t Notes = 0;                            // dispensed, as the replies say
  std::vector<double> ReplyMs;                       // write's end to the last byte read

  // Counts what a reply frame says (notes, an error reply, a wrong
  // checksum, a frame cut off), whether or not it answered the waiting
  // command. Returns true for an error reply, a wrong checksum or a cut-off
  // frame.
  bool CountFrame(const TReplyBlock& block, const TDecodedReply& decoded);

  // Every command got its reply, no error reply, bad checksum or cut-off
  // frame came, and the run was not interrupted.
  bool Passed() const;

  // Adds another port's counts, error replies and reply times to these.
  void Add(const TRunTally& other);

  void PrintText(std::ostream& out) const;
  // One line: {"sent": 60, "replies": 60, "timeouts": 0, "error_replies":
  // {"E2": 1}, "notes": 200, "reply_ms": {"min": 1.25, "median": 3.40, "p99":
  // 9.91, "max": 12.07}, "unmatched": 0, "incomplete": 0, "checksum_errors": 0,
  // "interrupted": false}
  void PrintJson(std::ostream& out) const;
};
