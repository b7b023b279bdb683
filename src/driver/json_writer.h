// A small writer of one-line JSON documents. Every string is written as
// ASCII: characters from U+007F on and every control character become \u
// escapes, so the document is valid UTF-8 and one line whatever the text
// holds, and no text can close its string early or add members of its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace winreach {

// `text` as a quoted JSON string. Code points that cannot be encoded (lone
// surrogates, values beyond U+10FFFF) become U+FFFD.
std::string JsonString(std::wstring_view text);

class JsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The member name of the next value, inside an object.
  void Key(std::string_view name);
  void String(std::wstring_view text);
  void Number(int64_t value);
  void Bool(bool value);
  void Null();

  const std::string& text() const { return text_; }

 private:
  void BeforeValue();

  std::string text_;
  std::vector<bool> first_;  // per open container: nothing written in it yet
  bool after_key_ = false;
};

}  // namespace winreach
