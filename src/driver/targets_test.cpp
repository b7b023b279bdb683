#include "driver/targets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace winreach {
namespace {

// A file that hands out its bytes `step` at a time, as a pipe may.
class StepFile : public LocalFile {
 public:
  StepFile(std::string text, size_t step) : text_(std::move(text)), step_(step) {}
  long Read(char* buffer, size_t size) override {
    const size_t n = std::min({size, step_, text_.size() - at_});
    std::memcpy(buffer, text_.data() + at_, n);
    at_ += n;
    return static_cast<long>(n);
  }
  bool Append(std::string_view) override { return false; }
  bool Truncate(uint64_t) override { return false; }

 private:
  std::string text_;
  size_t step_;
  size_t at_ = 0;
};

std::vector<std::wstring> ReadAll(TargetReader& reader) {
  std::vector<std::wstring> names;
  while (auto target = reader.Next()) names.push_back(target->too_long ? L"<long>" : target->name);
  return names;
}

TEST(TargetReaderTest, ArgumentsThenTheListEachNameOnceInAnyCase) {
  StepFile list(
      "\xEF\xBB\xBFsrv01\r\n"
      "# a comment\n"
      "\n"
      "   SRV02  \n"
      "srv01\n"
      "\t#not-a-comment-after-blanks\n"
      "srv\xC3\xA9\n"
      "SRV03",  // the last line without its end
      3);
  SeenNames seen;
  TargetReader reader({L"Srv02", L"srv02", L"srv04"}, &list, seen);
  EXPECT_EQ((std::vector<std::wstring>{L"Srv02", L"srv04", L"srv01", L"srv\u00e9", L"SRV03"}),
            ReadAll(reader));
  EXPECT_TRUE(seen.Contains(L"sRv03"));
  EXPECT_FALSE(seen.Contains(L"srv05"));
}

TEST(TargetReaderTest, AnOverlongLineIsToldAndTheNextStillRead) {
  StepFile list(std::string(10000, 'a') + "\nsrv01\n" + std::string(5000, 'b'), 4096);
  SeenNames seen;
  TargetReader reader({}, &list, seen);
  EXPECT_EQ((std::vector<std::wstring>{L"<long>", L"srv01", L"<long>"}), ReadAll(reader));
}

TEST(SeenNamesTest, KeepsManyNamesApart) {
  SeenNames seen;
  for (int i = 0; i < 100000; ++i) ASSERT_TRUE(seen.Insert(L"host" + std::to_wstring(i))) << i;
  for (int i = 0; i < 100000; i += 997) EXPECT_FALSE(seen.Insert(L"HOST" + std::to_wstring(i)));
  EXPECT_EQ(100000u, seen.size());
}

std::string Record(const std::string& target, size_t padding = 0) {
  return "{\"version\":\"0.1.0\",\"target\":\"" + target + "\",\"x\":\"" +
         std::string(padding, 'p') + "\"}\n";
}

TEST(RecordTargetTest, ReadsTheTargetOfOurDocumentOnly) {
  EXPECT_EQ(L"srv01", RecordTarget(Record("srv01").substr(0, Record("srv01").size() - 1)));
  EXPECT_EQ(L"a\"b\\c\u00e9\U0001F600",
            RecordTarget("{\"version\":\"1\",\"target\":\"a\\\"b\\\\c\\u00e9\\ud83d\\ude00\"}"));
  // Torn, lying or foreign lines.
  for (const char* line : {
           "{\"version\":\"1\",\"target\":\"srv01\"",      // no end
           "{\"version\":\"1\",\"target\":\"srv01}",       // the string never ends
           "{\"version\":\"1\",\"target\":\"a\\u00\"}",    // a short escape
           "{\"version\":\"1\",\"target\":\"a\\q\"}",      // no such escape
           "{\"version\":\"1,\"target\":\"srv01\"}",       // the version's string swallows it
           "{\"target\":\"srv01\",\"version\":\"1\"}",     // not our document's order
           "{\"version\":\"1\",\"target\":srv01}",         // not a string
           "",
       }) {
    EXPECT_FALSE(RecordTarget(line)) << line;
  }
}

TEST(ReadRecordsTest, CountsWholeRecordsAcrossReadsAndStopsBeforeATornOne) {
  // Records of about 1.5 KiB, so that many straddle the reader's buffers.
  std::string text;
  for (int i = 0; i < 200; ++i) text += Record("srv" + std::to_string(i), 1500);
  text += "not a record\n";
  const uint64_t whole = text.size();
  text += Record("torn", 100).substr(0, 50);
  StepFile file(text, 1000);
  SeenNames seen;
  size_t records = 0;
  EXPECT_EQ(whole, ReadRecords(file, seen, &records));
  EXPECT_EQ(200u, records);
  EXPECT_TRUE(seen.Contains(L"srv0"));
  EXPECT_TRUE(seen.Contains(L"srv199"));
  EXPECT_FALSE(seen.Contains(L"torn"));
}

}  // namespace
}  // namespace winreach
