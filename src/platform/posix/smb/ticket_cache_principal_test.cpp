#include "platform/posix/smb/ticket_cache_principal.h"

#include <gtest/gtest.h>

#include <vector>

namespace winreach {
namespace {

// The start of the file cache kinit wrote for administrator@WRDOM.TEST
// (version 4, a 12-byte header), up to the first credential.
const std::vector<uint8_t> kCache = {
    0x05, 0x04, 0x00, 0x0c, 0x00, 0x01, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0a,
    'W',  'R',  'D',  'O',  'M',  '.',  'T',  'E',  'S',  'T',  0x00, 0x00, 0x00, 0x0d,
    'a',  'd',  'm',  'i',  'n',  'i',  's',  't',  'r',  'a',  't',  'o',  'r',  0x00};

TEST(FileCachePrincipalTest, ReadsTheDefaultPrincipal) {
  EXPECT_EQ(std::optional<std::string>("administrator@WRDOM.TEST"), FileCachePrincipal(kCache));
}

TEST(FileCachePrincipalTest, CutShortOrLyingCachesTellNothing) {
  for (size_t size = 0; size < 55; ++size) {  // the principal ends at byte 55
    EXPECT_FALSE(FileCachePrincipal(std::span(kCache.data(), size))) << size;
  }
  std::vector<uint8_t> cache = kCache;
  cache[1] = 0x02;  // version 2: the writer's own byte order
  EXPECT_FALSE(FileCachePrincipal(cache));
  cache = kCache;
  cache[3] = 0xff;  // a header longer than the file
  EXPECT_FALSE(FileCachePrincipal(cache));
  cache = kCache;
  cache[23] = 0x00;  // no component
  EXPECT_FALSE(FileCachePrincipal(cache));
  cache = kCache;
  cache[26] = 0x7f;  // a realm longer than any
  EXPECT_FALSE(FileCachePrincipal(cache));
  cache = kCache;
  cache[46] = '@';  // a name that would forge another realm
  EXPECT_FALSE(FileCachePrincipal(cache));
}

}  // namespace
}  // namespace winreach
