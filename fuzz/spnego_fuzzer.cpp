// The SPNEGO readers on arbitrary bytes, and the authenticator given them
// as the negotiate response's token and as the answer to its first token.
#include <cstddef>
#include <cstdint>
#include <span>

#include "smb/ntlm_authenticator.h"
#include "smb/spnego.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace winreach::smb;
  const ByteSpan input(data, size);

  NegTokenInit init;
  if (ParseNegTokenInit(input, &init)) {
    if (init.mech_types.empty() || init.mech_token.size() > size) __builtin_trap();
  }
  NegTokenResp resp;
  if (ParseNegTokenResp(input, &resp)) {
    // What we build from what we read reads back the same.
    const Bytes mic = resp.mech_list_mic.value_or(Bytes());
    NegTokenResp again;
    if (!ParseNegTokenResp(BuildNegTokenResp(resp.response_token, mic), &again)) __builtin_trap();
    if (again.response_token != resp.response_token) __builtin_trap();
  }

  for (int round = 0; round < 2; ++round) {
    NtlmAuthenticator auth({}, u"WORKSTATION", u"host", [](std::span<uint8_t>) { return true; }, 0);
    Bytes out;
    if (round == 0) {
      auth.Next(input, &out);
    } else if (auth.Next({}, &out) == Authenticator::Step::kContinue) {
      auth.Next(input, &out);
    }
  }
  return 0;
}
