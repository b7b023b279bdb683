#include "platform/fake/fake_management.h"

namespace winreach {

FakeManagement::~FakeManagement() {
  for (void* block : outstanding) delete[] static_cast<uint8_t*>(block);
}

uint32_t FakeManagement::ServerGetInfo(std::wstring_view server, uint32_t level,
                                       uint8_t** buffer) {
  calls.emplace_back(std::wstring(server), level);
  const auto it = answers.find(level);
  const Answer answer = it == answers.end() ? Answer{53, false} : it->second;
  if (answer.block) {
    *buffer = new uint8_t[16]{};
    outstanding.insert(*buffer);
  }
  return answer.status;
}

uint32_t FakeManagement::BufferFree(void* buffer) {
  freed.push_back(buffer);
  if (outstanding.erase(buffer) == 1) delete[] static_cast<uint8_t*>(buffer);
  return 0;
}

}  // namespace winreach
