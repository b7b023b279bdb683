#include "smb/preauth_hash.h"

namespace winreach::smb {

void PreauthHash::Update(ByteSpan message) { value_ = Sha512({value_, message}); }

}  // namespace winreach::smb
