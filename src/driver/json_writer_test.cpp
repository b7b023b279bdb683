#include "driver/json_writer.h"

#include <gtest/gtest.h>

namespace winreach {
namespace {

TEST(JsonStringTest, RemoteTextCannotEndTheStringOrTheLine) {
  EXPECT_EQ(R"("a\"b\\c")", JsonString(L"a\"b\\c"));
  EXPECT_EQ(R"("\u0000\u0001\u000a\u000d\u001b\u001f\u007f")",
            JsonString(std::wstring(L"\0\x01\n\r\x1b\x1f\x7f", 7)));
  EXPECT_EQ(R"("x\",\"ok\":true}\u000a{")", JsonString(L"x\",\"ok\":true}\n{"));
}

TEST(JsonStringTest, EverythingBeyondAsciiIsEscapedAndBrokenCodePointsReplaced) {
  EXPECT_EQ(R"("\u00e9\u20ac\ud83d\ude00")", JsonString(L"\u00e9\u20ac\U0001F600"));
  EXPECT_EQ(R"("\ufffda")", JsonString(std::wstring{static_cast<wchar_t>(0xD800), L'a'}));
  if constexpr (sizeof(wchar_t) == 4) {
    EXPECT_EQ(R"("\ufffd")", JsonString(std::wstring{static_cast<wchar_t>(0x110000)}));
  }
}

TEST(JsonWriterTest, SeparatesMembersAndElementsAtEveryDepth) {
  JsonWriter json;
  json.BeginObject();
  json.Key("a");
  json.BeginArray();
  json.Number(-1);
  json.BeginObject();
  json.EndObject();
  json.Null();
  json.EndArray();
  json.Key("b");
  json.Bool(false);
  json.EndObject();
  EXPECT_EQ(R"({"a":[-1,{},null],"b":false})", json.text());
}

}  // namespace
}  // namespace winreach
