#include "driver/targets.h"

#include <cwctype>

namespace winreach {

namespace {

constexpr size_t kReadSize = 64 * 1024;

// A name of a list: more bytes than any name can take in UTF-8 is no name.
constexpr size_t kMostListLine = 4096;

// A record is a line of a few kilobytes; one beyond this is no record of ours.
constexpr size_t kMostRecordLine = 1 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

void AppendCodePoint(std::wstring& out, uint32_t code_point) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (code_point >= 0x10000) {
      const uint32_t offset = code_point - 0x10000;
      out += static_cast<wchar_t>(0xD800 + (offset >> 10));
      out += static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
      return;
    }
  }
  out += static_cast<wchar_t>(code_point);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Four hex digits at `at`, or nothing.
std::optional<uint32_t> HexUnit(std::string_view text, size_t at) {
  if (at + 4 > text.size()) return std::nullopt;
  uint32_t unit = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return std::nullopt;
    unit = unit * 16 + static_cast<uint32_t>(digit);
  }
  return unit;
}

// The JSON string that starts at `*at` (its opening quote); `*at` moves
// past its closing quote. Nothing for a string that is not whole and valid.
std::optional<std::wstring> JsonStringAt(std::string_view text, size_t* at) {
  size_t i = *at;
  if (i >= text.size() || text[i] != '"') return std::nullopt;
  ++i;
  std::string plain;  // the bytes between escapes, decoded as UTF-8
  std::wstring out;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') {
      out += DecodeUtf8Text(plain);
      *at = i + 1;
      return out;
    }
    if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
    if (c != '\\') {
      plain += c;
      ++i;
      continue;
    }
    out += DecodeUtf8Text(plain);
    plain.clear();
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '"': out += L'"'; break;
      case '\\': out += L'\\'; break;
      case '/': out += L'/'; break;
      case 'b': out += L'\b'; break;
      case 'f': out += L'\f'; break;
      case 'n': out += L'\n'; break;
      case 'r': out += L'\r'; break;
      case 't': out += L'\t'; break;
      case 'u': {
        std::optional<uint32_t> unit = HexUnit(text, i + 1);
        if (!unit) return std::nullopt;
        i += 4;
        if (*unit >= 0xD800 && *unit <= 0xDBFF && i + 2 < text.size() && text[i + 1] == '\\' &&
            text[i + 2] == 'u') {
          const std::optional<uint32_t> low = HexUnit(text, i + 3);
          if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
            *unit = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
            i += 6;
          }
        }
        AppendCodePoint(out, *unit);
        break;
      }
      default:
        return std::nullopt;
    }
    ++i;
  }
  return std::nullopt;
}

}  // namespace

uint64_t SeenNames::Key(std::wstring_view name) {
  // FNV-1a over the lower-case code units.
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const wchar_t c : name) {
    const auto unit = static_cast<uint32_t>(std::towlower(static_cast<wint_t>(c)));
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (unit >> shift) & 0xFF;
      hash *= 0x100000001b3ull;
    }
  }
  return hash == 0 ? 1 : hash;
}

size_t SeenNames::Slot(uint64_t key) const {
  const size_t mask = slots_.size() - 1;
  size_t slot = static_cast<size_t>(key ^ (key >> 32)) & mask;
  while (slots_[slot] != 0 && slots_[slot] != key) slot = (slot + 1) & mask;
  return slot;
}

void SeenNames::Grow() {
  std::vector<uint64_t> old = std::move(slots_);
  slots_.assign(old.empty() ? 1024 : old.size() * 2, 0);
  for (const uint64_t key : old) {
    if (key != 0) slots_[Slot(key)] = key;
  }
}

bool SeenNames::Insert(std::wstring_view name) {
  // At most half full, so that a probe ends soon.
  if ((count_ + 1) * 2 > slots_.size()) Grow();
  const uint64_t key = Key(name);
  const size_t slot = Slot(key);
  if (slots_[slot] == key) return false;
  slots_[slot] = key;
  ++count_;
  return true;
}

bool SeenNames::Contains(std::wstring_view name) const {
  if (slots_.empty()) return false;
  const uint64_t key = Key(name);
  return slots_[Slot(key)] == key;
}

bool LineReader::Fill() {
  if (end_) return false;
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  const size_t had = buffer_.size();
  buffer_.resize(had + kReadSize);
  const long n = file_.Read(buffer_.data() + had, kReadSize);
  buffer_.resize(had + (n > 0 ? static_cast<size_t>(n) : 0));
  if (n <= 0) end_ = true;
  return n > 0;
}

std::optional<LineReader::Line> LineReader::Next() {
  Line line;
  size_t searched = 0;  // bytes after start_ known to hold no line feed
  for (;;) {
    const size_t end = buffer_.find('\n', start_ + searched);
    if (end != std::string::npos) {
      const size_t length = end - start_;
      if (!line.too_long) {
        line.text.assign(buffer_, start_, length);
        if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
      }
      consumed_ += length + 1;
      start_ = end + 1;
      return line;
    }
    if (buffer_.size() - start_ > most_) {
      // Too long: drop what was read of it and read on to its end.
      line.too_long = true;
      consumed_ += buffer_.size() - start_;
      buffer_.clear();
      start_ = 0;
    }
    searched = buffer_.size() - start_;
    if (!Fill()) break;  // moves the unread bytes to the buffer's start
  }
  if (start_ == buffer_.size() && !line.too_long) return std::nullopt;
  // The last line, without a line feed.
  line.whole = false;
  if (!line.too_long) line.text.assign(buffer_, start_, std::string::npos);
  consumed_ += buffer_.size() - start_;
  start_ = buffer_.size();
  return line;
}

TargetReader::TargetReader(std::vector<std::wstring> names, LocalFile* list, SeenNames& seen)
    : names_(std::move(names)), seen_(seen) {
  if (list != nullptr) lines_.emplace(*list, kMostListLine);
}

std::optional<TargetReader::Target> TargetReader::Next() {
  while (next_name_ < names_.size()) {
    Target target{std::move(names_[next_name_++]), false};
    if (seen_.Insert(target.name)) return target;
  }
  names_.clear();
  while (lines_) {
    std::optional<LineReader::Line> line = lines_->Next();
    if (!line) break;
    if (line->too_long) return Target{{}, true};
    std::string_view text = Trimmed(line->text);
    // A byte order mark, as an editor may put before the first name.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text = Trimmed(text.substr(3));
    if (text.empty() || text.front() == '#') continue;
    Target target{DecodeUtf8Text(text), false};
    if (seen_.Insert(target.name)) return target;
  }
  return std::nullopt;
}

std::wstring DecodeUtf8Text(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    size_t extra = 0;
    uint32_t code_point = lead;
    uint32_t least = 0;
    if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, code_point = lead & 0x07, least = 0x10000;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, code_point = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, code_point = lead & 0x1F, least = 0x80;
    } else if (lead >= 0x80) {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    bool valid = true;
    for (size_t k = 1; valid && k <= extra; ++k) {
      if (i + k >= bytes.size()) {
        valid = false;
        break;
      }
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) valid = false;
      code_point = (code_point << 6) | (next & 0x3F);
    }
    if (!valid || code_point < least || code_point > 0x10FFFF ||
        (code_point >= 0xD800 && code_point <= 0xDFFF)) {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    AppendCodePoint(out, code_point);
    i += extra + 1;
  }
  return out;
}

std::optional<std::wstring> RecordTarget(std::string_view line) {
  constexpr std::string_view kStart = "{\"version\":";
  constexpr std::string_view kTarget = ",\"target\":";
  if (line.substr(0, kStart.size()) != kStart || line.empty() || line.back() != '}') {
    return std::nullopt;
  }
  size_t at = kStart.size();
  if (!JsonStringAt(line, &at)) return std::nullopt;
  if (line.substr(at, kTarget.size()) != kTarget) return std::nullopt;
  at += kTarget.size();
  return JsonStringAt(line, &at);
}

uint64_t ReadRecords(LocalFile& file, SeenNames& seen, size_t* records) {
  LineReader lines(file, kMostRecordLine);
  uint64_t whole = 0;
  *records = 0;
  while (std::optional<LineReader::Line> line = lines.Next()) {
    if (!line->whole) break;  // torn: cut off, checked again
    whole = lines.consumed();
    if (line->too_long) continue;
    if (const std::optional<std::wstring> target = RecordTarget(line->text)) {
      seen.Insert(*target);
      ++*records;
    }
  }
  return whole;
}

}  // namespace winreach
