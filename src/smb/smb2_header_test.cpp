#include "smb/smb2_header.h"

#include <gtest/gtest.h>

#include "tests/data/smb2_captures.h"

namespace winreach::smb {
namespace {

TEST(Smb2HeaderTest, SyncAndAsyncFormsRoundTrip) {
  Header sync;
  sync.credit_charge = 1;
  sync.command = Command::kTreeConnect;
  sync.credits = 31;
  sync.flags = kFlagSigned;
  sync.message_id = 0x0102030405060708;
  sync.tree_id = 0xAABBCCDD;
  sync.session_id = 0x1122334455667788;
  sync.signature[0] = 0x5A;
  const Bytes sync_bytes = Request(sync, Bytes{0xEE});
  ASSERT_EQ(kHeaderSize + 1, sync_bytes.size());
  // Windows' reserved word, then the tree id.
  EXPECT_EQ((Bytes{0xFF, 0xFE, 0, 0, 0xDD, 0xCC, 0xBB, 0xAA}),
            Bytes(sync_bytes.begin() + 32, sync_bytes.begin() + 40));
  EXPECT_EQ(0x5A, sync_bytes[kSignatureOffset]);

  Header async = sync;
  async.flags = kFlagAsyncCommand | kFlagServerToRedir;
  async.async_id = 0x8877665544332211;
  async.status = 0x103;
  for (const Header& original : {sync, async}) {
    Header parsed;
    ASSERT_TRUE(ParseHeader(Request(original, {}), &parsed));
    EXPECT_EQ(original.command, parsed.command);
    EXPECT_EQ(original.status, parsed.status);
    EXPECT_EQ(original.credits, parsed.credits);
    EXPECT_EQ(original.message_id, parsed.message_id);
    EXPECT_EQ(original.flags & kFlagAsyncCommand ? original.async_id : 0, parsed.async_id);
    EXPECT_EQ(original.flags & kFlagAsyncCommand ? 0 : original.tree_id, parsed.tree_id);
    EXPECT_EQ(original.session_id, parsed.session_id);
    EXPECT_EQ(original.signature, parsed.signature);
  }
}

TEST(Smb2HeaderTest, RefusesWhatIsNotAnSmb2Header) {
  const ByteSpan good(capture::kTreeConnectIpc);
  Header header;
  ASSERT_TRUE(ParseHeader(good, &header));
  EXPECT_FALSE(ParseHeader(good.first(kHeaderSize - 1), &header));
  Bytes smb1(good.begin(), good.end());
  smb1[0] = 0xFF;  // an SMB1 answer
  EXPECT_FALSE(ParseHeader(smb1, &header));
  Bytes transform(good.begin(), good.end());
  transform[0] = 0xFD;  // encrypted: to be decrypted first
  EXPECT_FALSE(ParseHeader(transform, &header));
  Bytes size(good.begin(), good.end());
  size[4] = 65;
  EXPECT_FALSE(ParseHeader(size, &header));
}

}  // namespace
}  // namespace winreach::smb
