// Account names and passwords between the UTF-8 they are given in and the
// UTF-16LE that NTLM hashes and sends.
#pragma once

#include <string>
#include <string_view>

#include "smb/crypto.h"

namespace winreach::smb {

// UTF-16LE of UTF-8 text (ill-formed sequences become U+FFFD); the
// result may hold a password, hence SecretBytes.
SecretBytes Utf16LeFromUtf8(std::string_view text);
// The same with the letters in upper case, as NTOWFv2 wants the user name.
Bytes UpperUtf16LeFromUtf8(std::string_view text);
// UTF-8 of UTF-16 units (a lone surrogate becomes U+FFFD).
std::string Utf8FromUtf16(std::u16string_view units);

}  // namespace winreach::smb
