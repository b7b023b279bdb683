#include "rpc/winreg.h"

#include <gtest/gtest.h>

#include <vector>

#include "rpc/svcctl.h"
#include "tests/data/rpc_captures.h"

namespace winreach::rpc {
namespace {

template <size_t N>
std::vector<uint8_t> Stub(const uint8_t (&pdu)[N]) {
  return std::vector<uint8_t>(pdu + 24, pdu + N);
}

ContextHandle HandleFrom(const std::vector<uint8_t>& stub) {
  ContextHandle handle;
  std::copy(stub.begin(), stub.begin() + 20, handle.bytes.begin());
  return handle;
}

// A BaseRegQueryValue answer built field by field.
struct QueryAnswer {
  bool type = true;
  bool data = true;
  uint32_t maximum = 4, offset = 0, actual = 4;
  std::vector<uint8_t> bytes = {'a', 0, 0, 0};
  bool size = true;
  uint32_t size_value = 4;
  bool length = true;
  uint32_t length_value = 4;
  uint32_t status = 0;

  std::vector<uint8_t> Encode() const {
    NdrWriter ndr;
    if (type) {
      ndr.Referent();
      ndr.U32(1);
    } else {
      ndr.NullPointer();
    }
    if (data) {
      ndr.Referent();
      ndr.U32(maximum);
      ndr.U32(offset);
      ndr.U32(actual);
      ndr.Bytes(bytes);
    } else {
      ndr.NullPointer();
    }
    if (size) {
      ndr.Referent();
      ndr.U32(size_value);
    } else {
      ndr.NullPointer();
    }
    if (length) {
      ndr.Referent();
      ndr.U32(length_value);
    } else {
      ndr.NullPointer();
    }
    ndr.U32(status);
    return ndr.Take();
  }
};

TEST(WinregRequestTest, RequestsAsTheTestHostTookThem) {
  EXPECT_EQ(OpenLocalMachineRequest(kMaximumAllowed), Stub(capture::kOpenLocalMachineRequest));
  const ContextHandle root = HandleFrom(Stub(capture::kOpenLocalMachineResponse));
  EXPECT_EQ(BaseRegOpenKeyRequest(root, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                                  0x20119),
            Stub(capture::kOpenCurrentVersionRequest));
  EXPECT_EQ(BaseRegOpenKeyRequest(
                root, u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ActiveComputerName", 0,
                0x20019),
            Stub(capture::kOpenComputerNameRequest));
  const ContextHandle key = HandleFrom(Stub(capture::kOpenComputerNameResponse));
  EXPECT_EQ(BaseRegQueryValueRequest(key, u"ComputerName", 2048),
            Stub(capture::kQueryComputerNameRequest));
}

TEST(WinregResponseTest, HandleAnswers) {
  ContextHandle handle;
  uint32_t status = 99;
  ASSERT_TRUE(ParseHandleResponse(Stub(capture::kOpenLocalMachineResponse), &handle, &status));
  EXPECT_EQ(status, 0u);
  EXPECT_FALSE(handle.IsNull());
  // The 64-bit view refused by Samba: a null handle and access denied.
  ASSERT_TRUE(ParseHandleResponse(Stub(capture::kOpenCurrentVersionRefused), &handle, &status));
  EXPECT_EQ(status, 5u);
  EXPECT_TRUE(handle.IsNull());
  // Closing hands back a null handle.
  ASSERT_TRUE(ParseHandleResponse(Stub(capture::kCloseComputerNameResponse), &handle, &status));
  EXPECT_TRUE(handle.IsNull());
  const auto stub = Stub(capture::kOpenLocalMachineResponse);
  for (size_t cut = 0; cut < 24; ++cut) {
    std::vector<uint8_t> part(stub.begin(), stub.begin() + static_cast<ptrdiff_t>(cut));
    EXPECT_FALSE(ParseHandleResponse(part, &handle, &status)) << cut;
    EXPECT_TRUE(handle.IsNull());
  }
}

TEST(WinregResponseTest, QueryValueOfTheTestHost) {
  QueryValueResponse r;
  ASSERT_TRUE(ParseBaseRegQueryValueResponse(Stub(capture::kQueryComputerNameResponse), 2048, &r));
  EXPECT_EQ(r.status, 0u);
  EXPECT_EQ(r.type, 1u);  // REG_SZ
  EXPECT_EQ(r.size, 18u);
  const std::vector<uint8_t> expected = {'T', 0, 'E', 0, 'S', 0, 'T', 0, 'H',
                                         0,   'O', 0, 'S', 0, 'T', 0, 0,   0};
  EXPECT_EQ(r.data, expected);
}

TEST(WinregResponseTest, QueryValueMoreDataReportsTheNeededSize) {
  QueryAnswer a;
  a.maximum = 5000;
  a.actual = 0;
  a.bytes.clear();
  a.size_value = 5000;
  a.length_value = 0;
  a.status = 234;
  QueryValueResponse r;
  ASSERT_TRUE(ParseBaseRegQueryValueResponse(a.Encode(), 2048, &r));
  EXPECT_EQ(r.status, 234u);
  EXPECT_EQ(r.size, 5000u);
  EXPECT_TRUE(r.data.empty());
}

TEST(WinregResponseTest, QueryValueAnswersThatLieAreRejected) {
  struct Case {
    const char* what;
    QueryAnswer answer;
  };
  std::vector<Case> cases;
  {
    QueryAnswer a;
    a.actual = 5;  // more than the maximum
    cases.push_back({"actual beyond maximum", a});
  }
  {
    QueryAnswer a;
    a.offset = 1;
    cases.push_back({"non-zero offset", a});
  }
  {
    QueryAnswer a;
    a.maximum = a.actual = 400;  // the bytes are not there
    cases.push_back({"data shorter than its count", a});
  }
  {
    QueryAnswer a;
    a.maximum = a.actual = 3000;
    a.bytes.assign(3000, 0);
    a.size_value = a.length_value = 3000;
    cases.push_back({"more data than asked for", a});
  }
  {
    QueryAnswer a;
    a.size_value = 4096;
    cases.push_back({"success with a size beyond the buffer", a});
  }
  {
    QueryAnswer a;
    a.length_value = 2;
    cases.push_back({"length that disagrees with the data", a});
  }
  {
    QueryAnswer a;
    a.size_value = 2;
    cases.push_back({"size below the data returned", a});
  }
  for (const Case& c : cases) {
    QueryValueResponse r;
    EXPECT_FALSE(ParseBaseRegQueryValueResponse(c.answer.Encode(), 2048, &r)) << c.what;
  }
  const auto good = QueryAnswer{}.Encode();
  for (size_t cut = 0; cut < good.size(); ++cut) {
    std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut));
    QueryValueResponse r;
    EXPECT_FALSE(ParseBaseRegQueryValueResponse(part, 2048, &r)) << "cut " << cut;
  }
}

TEST(WinregResponseTest, QueryValueWithoutOptionalPointers) {
  QueryAnswer a;
  a.type = false;
  a.size = false;
  a.length = false;
  QueryValueResponse r;
  ASSERT_TRUE(ParseBaseRegQueryValueResponse(a.Encode(), 2048, &r));
  EXPECT_FALSE(r.has_type);
  EXPECT_FALSE(r.has_size);
  EXPECT_EQ(r.data.size(), 4u);
}

TEST(SvcctlRequestTest, RequestsAsTheTestHostTookThem) {
  EXPECT_EQ(ROpenSCManagerWRequest(u"\\\\testhost", nullptr, 0x10000000),
            Stub(capture::kOpenSCManagerRequest));
}

TEST(SvcctlRequestTest, NamedDatabaseIsSent) {
  const std::u16string_view database = u"ServicesActive";
  const auto request = ROpenSCManagerWRequest(u"\\\\h", &database, 1);
  NdrReader ndr(request);
  ndr.Pointer();
  EXPECT_EQ(ndr.String(), u"\\\\h");
  EXPECT_NE(ndr.Pointer(), 0u);
  EXPECT_EQ(ndr.String(), u"ServicesActive");
  EXPECT_EQ(ndr.U32(), 1u);
  EXPECT_TRUE(ndr.AtEnd());
}

}  // namespace
}  // namespace winreach::rpc
