// A byte stream cut into SMB2 frames, fed in pieces whose sizes the input's
// first bytes choose; the messages must be the same whatever the cuts. And
// the NetBIOS session answer parser on the same bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "smb/frame.h"
#include "smb/netbios_session.h"

namespace {

using winreach::smb::Bytes;
using winreach::smb::ByteSpan;
using winreach::smb::FrameReader;

constexpr size_t kMaxMessage = 4096;

// The messages of `stream` fed in pieces of the sizes `cuts` gives in turn
// (0 is taken as 1), and whether the stream ended bad.
std::vector<Bytes> Read(ByteSpan stream, ByteSpan cuts, bool* bad) {
  FrameReader reader(kMaxMessage);
  std::vector<Bytes> messages;
  *bad = false;
  size_t at = 0, turn = 0;
  while (at < stream.size() && !*bad) {
    size_t piece = cuts.empty() ? stream.size() : cuts[turn++ % cuts.size()];
    if (piece == 0) piece = 1;
    if (piece > stream.size() - at) piece = stream.size() - at;
    reader.Feed(stream.subspan(at, piece));
    at += piece;
    for (;;) {
      Bytes message;
      const auto result = reader.Next(&message);
      if (result == FrameReader::kBad) *bad = true;
      if (result != FrameReader::kMessage) break;
      if (message.size() > kMaxMessage) __builtin_trap();
      messages.push_back(std::move(message));
    }
  }
  return messages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ByteSpan input(data, size);
  const size_t cut_count = size > 0 ? data[0] % 8 : 0;
  if (size < 1 + cut_count) return 0;
  const ByteSpan cuts = input.subspan(1, cut_count);
  const ByteSpan stream = input.subspan(1 + cut_count);

  bool whole_bad = false, cut_bad = false;
  const auto whole = Read(stream, {}, &whole_bad);
  const auto cut = Read(stream, cuts, &cut_bad);
  if (whole != cut || whole_bad != cut_bad) __builtin_trap();

  winreach::smb::SessionAnswer answer;
  if (winreach::smb::ParseSessionAnswer(stream, &answer) &&
      winreach::smb::SessionPacketSize(stream) != stream.size()) {
    __builtin_trap();
  }
  return 0;
}
