#include "platform/posix/smb/smb_platform.h"

#include "platform/posix/smb/smb_files.h"
#include "platform/posix/smb/smb_management.h"
#include "platform/posix/smb/smb_registry.h"
#include "platform/posix/smb/smb_services.h"
#include "platform/posix/smb/smb_session.h"
#include "platform/posix/smb/smb_session_info.h"

namespace winreach {

// The session outlives the areas, whose pipes and files it carries.
struct SmbPlatform::Areas {
  SmbSession session;
  SmbManagement management{session};
  SmbRegistry registry{session};
  SmbFiles files{session};
  SmbServices services{session};
  SmbSessionInfo info{session};
};

SmbPlatform::SmbPlatform() : areas_(std::make_unique<Areas>()) {}
SmbPlatform::~SmbPlatform() = default;
Management& SmbPlatform::management() { return areas_->management; }
Registry& SmbPlatform::registry() { return areas_->registry; }
Files& SmbPlatform::files() { return areas_->files; }
Services& SmbPlatform::services() { return areas_->services; }
Session& SmbPlatform::session() { return areas_->info; }

}  // namespace winreach
