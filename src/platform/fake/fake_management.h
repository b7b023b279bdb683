// Scripted server information: per level, a status and whether a block comes
// back.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/management.h"

namespace winreach {

class FakeManagement : public Management {
 public:
  ~FakeManagement() override;
  uint32_t ServerGetInfo(std::wstring_view server, uint32_t level, uint8_t** buffer) override;
  uint32_t BufferFree(void* buffer) override;

  struct Answer {
    uint32_t status = 0;
    bool block = true;
  };
  std::map<uint32_t, Answer> answers;  // by level; absent: status 53, no block
  std::vector<std::pair<std::wstring, uint32_t>> calls;
  std::vector<void*> freed;
  std::set<void*> outstanding;  // blocks handed out and not yet freed
};

}  // namespace winreach
