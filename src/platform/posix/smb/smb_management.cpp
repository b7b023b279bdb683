#include "platform/posix/smb/smb_management.h"

#include "platform/format.h"
#include "platform/posix/smb/server_info_block.h"
#include "platform/status_codes.h"
#include "rpc/srvsvc.h"

namespace winreach {

void SmbManagement::BlockDeleter::operator()(uint8_t* block) const {
  DeleteServerInfoBlock(block);
}

void SmbManagement::DropSrvsvc() {
  srvsvc_.client.reset();  // before the pipe it talks through
  srvsvc_.pipe.reset();
  srvsvc_host_.clear();
}

uint32_t SmbManagement::Srvsvc(std::wstring_view server, BoundPipe** result) {
  const std::string host = SmbHostOf(server).key;
  if (srvsvc_.client == nullptr || host != srvsvc_host_) {
    DropSrvsvc();
    if (const uint32_t error = OpenBoundPipe(session_, server, kSrvsvcPipe, &srvsvc_);
        error != 0) {
      return error;
    }
    srvsvc_host_ = host;
  }
  *result = &srvsvc_;
  return 0;
}

uint32_t SmbManagement::ServerGetInfo(std::wstring_view server, uint32_t level,
                                      uint8_t** buffer) {
  *buffer = nullptr;
  if (rpc::ServerInfoLayout(level) == nullptr) return status::kInvalidLevel;
  BoundPipe* srvsvc = nullptr;
  if (const uint32_t error = Srvsvc(server, &srvsvc); error != 0) return error;
  // The server's name goes in as the caller wrote it.
  const auto request = rpc::NetrServerGetInfoRequest(Utf16FromWide(server), level);
  std::vector<uint8_t> answer;
  rpc::ServerInfoResponse response;
  uint32_t error = srvsvc->client->Call(rpc::kNetrServerGetInfo, request, &answer);
  if (error == 0 && !rpc::ParseNetrServerGetInfoResponse(answer, level, &response)) {
    error = status::kRpcProtocolError;
  }
  if (error != 0) {
    DropSrvsvc();
    return error;
  }
  // Success without the information is an answer that contradicts itself.
  if (!response.has_info && response.status == 0) return status::kRpcProtocolError;
  if (response.has_info) {
    uint8_t* block = NewServerInfoBlock(level, response.fields);
    if (block == nullptr) return status::kNotEnoughMemory;
    *buffer = static_cast<uint8_t*>(blocks_.Add(HandleTable<uint8_t, BlockDeleter>::Owned(block)));
  }
  return response.status;
}

uint32_t SmbManagement::BufferFree(void* buffer) {
  if (buffer == nullptr) return 0;
  // Only what we handed out, and only once.
  return blocks_.Take(buffer) != nullptr ? 0 : status::kInvalidParameter;
}

}  // namespace winreach
