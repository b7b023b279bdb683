// The NTLM challenge reader on arbitrary bytes, then the authenticator
// given them as the server's CHALLENGE (inside a well-formed negTokenResp)
// and as its final token.
#include <cstddef>
#include <cstdint>
#include <span>

#include "smb/der.h"
#include "smb/ntlm.h"
#include "smb/ntlm_authenticator.h"
#include "smb/spnego.h"
#include "smb/utf16.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace winreach::smb;
  const ByteSpan input(data, size);

  NtlmChallenge challenge;
  if (ParseNtlmChallenge(input, &challenge)) {
    // What it holds came from the message, and the pairs end in EOL.
    // (The fields may overlap: each lies within the message.)
    if (challenge.target_info.size() > size || challenge.target_name.size() > size) __builtin_trap();
    const Bytes& info = challenge.target_info;
    if (!info.empty() && (info.size() < 4 || info[info.size() - 4] != 0 || info[info.size() - 3] != 0)) {
      __builtin_trap();
    }
    const Bytes pairs = ClientTargetInfo(info, true, {});
    if (pairs.size() > info.size() + 12) __builtin_trap();
  }

  Bytes fields = Der(DerContext(0), Der(kDerEnumerated, Bytes{1}));
  AppendDer(fields, DerContext(2), Der(kDerOctetString, input));
  const Bytes wrapped = Der(DerContext(1), Der(kDerSequence, fields));

  NtlmAuthenticator auth({u"user", u"", Utf16Le(u"password")}, u"WORKSTATION", u"host",
                         [](std::span<uint8_t> out) {
                           for (auto& byte : out) byte = 0x5a;
                           return true;
                         },
                         0);
  Bytes out;
  if (auth.Next({}, &out) != Authenticator::Step::kContinue) __builtin_trap();
  if (auth.Next(wrapped, &out) == Authenticator::Step::kContinue) {
    if (auth.SessionKey().size() != 16) __builtin_trap();
    auth.Next(input, &out);
  }
  return 0;
}
