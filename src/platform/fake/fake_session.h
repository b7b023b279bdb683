// Scripted session facts: what FirstConnection answers, per call; the
// connections made ahead, logged.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/session.h"

namespace winreach {

class FakeSession : public Session {
 public:
  std::optional<SessionFacts> FirstConnection() override {
    ++calls;
    // The connection comes about during the check that makes call
    // `connected_at_call` (counted from 1); 0: never.
    if (connected_at_call == 0 || calls < connected_at_call) return std::nullopt;
    return facts;
  }

  void Connect(std::wstring_view machine) override {
    connects.emplace_back(machine);
    if (on_connect) on_connect(machine);
  }

  SessionFacts facts;
  int connected_at_call = 0;
  std::vector<std::wstring> connects;                 // each Connect's machine
  std::function<void(std::wstring_view)> on_connect;  // runs on the connecting thread
  int calls = 0;
};

}  // namespace winreach
