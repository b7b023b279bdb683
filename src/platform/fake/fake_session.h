// Scripted session facts: what FirstConnection answers, per call.
#pragma once

#include <optional>

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

  SessionFacts facts;
  int connected_at_call = 0;
  int calls = 0;
};

}  // namespace winreach
