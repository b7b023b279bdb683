#include "driver/json_writer.h"

namespace winreach {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

void AppendUnit(std::string& out, uint32_t unit) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(unit >> shift) & 0xF];
}

void AppendCodePoint(std::string& out, uint32_t code_point) {
  switch (code_point) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    default:
      break;
  }
  if (code_point >= 0x20 && code_point < 0x7F) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x10000) {
    AppendUnit(out, code_point);
  } else {
    const uint32_t offset = code_point - 0x10000;
    AppendUnit(out, 0xD800 + (offset >> 10));
    AppendUnit(out, 0xDC00 + (offset & 0x3FF));
  }
}

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string JsonString(std::wstring_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t unit = static_cast<uint32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) unit &= 0xFFFF;
    if (IsHighSurrogate(unit) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<uint32_t>(text[i + 1]) & 0xFFFF)) {
      const uint32_t low = static_cast<uint32_t>(text[++i]) & 0xFFFF;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit) || unit > 0x10FFFF) {
      unit = kReplacement;
    }
    AppendCodePoint(out, unit);
  }
  out += '"';
  return out;
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) text_ += ',';
    first_.back() = false;
  }
}

void JsonWriter::BeginObject() {
  BeforeValue();
  text_ += '{';
  first_.push_back(true);
}

void JsonWriter::EndObject() {
  text_ += '}';
  first_.pop_back();
}

void JsonWriter::BeginArray() {
  BeforeValue();
  text_ += '[';
  first_.push_back(true);
}

void JsonWriter::EndArray() {
  text_ += ']';
  first_.pop_back();
}

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  text_ += JsonString(std::wstring(name.begin(), name.end()));
  text_ += ':';
  after_key_ = true;
}

void JsonWriter::String(std::wstring_view text) {
  BeforeValue();
  text_ += JsonString(text);
}

void JsonWriter::Number(int64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  text_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  text_ += "null";
}

}  // namespace winreach
