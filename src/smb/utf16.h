// What NTLM does with UTF-16 text of its own: the UTF-16LE bytes it hashes
// and sends, and the upper case NTOWFv2 wants the user name in. Text comes
// in as UTF-16 already; the platform converts it from its own encoding.
#pragma once

#include <string>
#include <string_view>

#include "smb/crypto.h"

namespace winreach::smb {

// UTF-16LE bytes of `text`; SecretBytes, as the text may be a password.
SecretBytes Utf16Le(std::u16string_view text);

// `text` with the letters in upper case, for the scripts account names are
// written in (Latin, Greek, Cyrillic); other units stay as they are.
std::u16string UpperCase(std::u16string_view text);

}  // namespace winreach::smb
