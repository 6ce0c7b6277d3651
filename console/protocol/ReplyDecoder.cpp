#include "console/protocol/ReplyDecoder.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "console/protocol/HexText.h"

namespace {

// What a block offers the decision chain. Positions count from 1, as in the
// frame layout; pieces reaching past the end come out shorter or empty, and a
// short piece equals none of the two-digit literals it is compared with.
class TReplyFields {
 public:
  explicit TReplyFields(std::span<const std::uint8_t> block)
      : FHex(HexText(block)),
        FRaw(block.begin(), std::find(block.begin(), block.end(), std::uint8_t{0})) {}

  const std::string& Hex() const { return FHex; }
  const TRawBytes& Raw() const { return FRaw; }

  // The two hex digits at 1-based character position `position` of the hex line.
  std::string_view HexField(std::size_t position) const {
    return std::string_view(FHex).substr(std::min(position - 1, FHex.size()), 2);
  }
  std::string_view FirstByte() const { return HexField(1); }
  std::string_view Letter() const { return HexField(7); }
  std::string_view Code() const { return HexField(9); }
  std::string_view Data3() const { return HexField(13); }
  std::string_view Data4() const { return HexField(15); }
  std::string_view Checksum() const { return HexField(17); }

  // `count` raw-text bytes from 1-based position `position`, fewer at the end.
  TRawBytes RawPiece(std::size_t position, std::size_t count) const {
    const std::size_t first = std::min(position - 1, FRaw.size());
    const std::size_t last = std::min(first + count, FRaw.size());
    return TRawBytes(FRaw.begin() + first, FRaw.begin() + last);
  }
  TRawBytes TotalCount() const { return RawPiece(6, 3); }
  TRawBytes NoteCount() const { return RawPiece(7, 2); }

 private:
  std::string FHex;
  TRawBytes FRaw;
};

// An error reply (letter E): its log line, and whether its dialog reports the
// note count as it is (the two no-notes errors) or one less (the mechanical
// faults). Kind 9 has no dialog.
struct TErrorKind {
  std::string_view Code;
  const char* Line;
  enum { NoDialog, CountAsIs, CountLessOne } Dialog;
};

constexpr std::array<TErrorKind, 9> kErrorKinds = {{
    {"31", "no bills (HOST 의 요구에 의한 배출 중 에러.)", TErrorKind::CountAsIs},
    {"32", "jam 1 or jam 2.", TErrorKind::CountLessOne},
    {"33", "chain.", TErrorKind::CountLessOne},
    {"34", "half.", TErrorKind::CountLessOne},
    {"35", "short.", TErrorKind::CountLessOne},
    {"36", "no bills (start key의 요구에 의한 배출중 에러).", TErrorKind::CountAsIs},
    {"37", "double.", TErrorKind::CountLessOne},
    {"38", "over count 4000 pcs.", TErrorKind::CountLessOne},
    {"39", "E11 통신테스트 시 수신에러.", TErrorKind::NoDialog},
}};

class TReplyDecoding {
 public:
  explicit TReplyDecoding(std::span<const std::uint8_t> block) : FFields(block) {}

  TDecodedReply Run() {
    Add(rtEdit3, "", FFields.Raw());
    Add(rtMemo1, FFields.Hex());
    if (FFields.FirstByte() == "0A") Add(rtDialog, "에러를 처리하세요");
    DecisionChain();
    if (!FResult.Failure) Add(rtProgressBar2, "");
    return std::move(FResult);
  }

 private:
  void Add(TReplyTarget target, std::string text, TRawBytes raw = {}) {
    FResult.Effects.push_back(TReplyEffect{target, std::move(text), std::move(raw)});
  }

  // The first row whose conditions hold produces its effects; none may hold.
  void DecisionChain() {
    const TReplyFields& f = FFields;
    if (f.Letter() == "63") {
      Add(rtEdit2, "", f.TotalCount());
      Add(rtMemo1, "Read data : ", f.Raw());
    } else if (f.Letter() == "62") {
      Add(rtEdit1, "", f.NoteCount());
    } else if (f.Letter() == "73" && f.Code() == "72" && f.Checksum() == "D7") {
      Add(rtMemo1, "대기상태입니다.");
    } else if (f.Data3() == "31" && f.Data4() == "31" && f.Checksum() == "D9") {
      Add(rtMemo1, "버튼 홀드 상태입니다.");
    } else if (f.Letter() == "73" && f.Code() == "65") {
      Add(rtMemo1, "에러상태입니다.");
    } else if (f.Letter() == "45") {
      const auto kind = std::find_if(kErrorKinds.begin(), kErrorKinds.end(),
                                     [&](const TErrorKind& k) { return k.Code == f.Code(); });
      if (kind != kErrorKinds.end()) ErrorReply(*kind);
    }
  }

  // The log line goes first, so it stays even when the count is not a number;
  // a count that is not ends the block without its dialog.
  void ErrorReply(const TErrorKind& kind) {
    Add(rtMemo1, kind.Line);
    if (kind.Dialog == TErrorKind::NoDialog) return;
    TRawBytes piece = FFields.NoteCount();
    std::int64_t count = 0;
    try {
      count = StrToInt(std::string(piece.begin(), piece.end()));
    } catch (const EConvertError& error) {
      FResult.Failure = TReplyFailure{error, std::move(piece)};
      return;
    }
    const std::int64_t released = kind.Dialog == TErrorKind::CountAsIs ? count : count - 1;
    Add(rtDialog, IntToStr(released) + "장 방출되었습니다.");
  }

  TReplyFields FFields;
  TDecodedReply FResult;
};

}  // namespace

TDecodedReply DecodeReply(std::span<const std::uint8_t> block) {
  return TReplyDecoding(block).Run();
}

const char* ReplyTargetName(TReplyTarget target) {
  switch (target) {
    case rtEdit3:
      return "Edit3";
    case rtMemo1:
      return "Memo1";
    case rtEdit2:
      return "Edit2";
    case rtEdit1:
      return "Edit1";
    case rtDialog:
      return "dialog";
    case rtProgressBar2:
      return "ProgressBar2";
  }
  return "?";
}

TDecodedReply DecodeReplyBlock(const TReplyBlock& block) {
  TDecodedReply reply = DecodeReply(block.Bytes);
  if (block.Kind != rbFrame || block.Bytes.size() != TFrame{}.size()) return reply;
  const std::uint8_t received = block.Bytes[8];
  const std::uint8_t computed = FrameChecksum(block.Bytes);
  if (received != computed) {
    reply.Effects.push_back(
        {rtMemo1,
         "체크섬 오류: 받음 " + IntToHex(received, 2) + ", 계산 " + IntToHex(computed, 2),
         {}});
  }
  return reply;
}
