// A platform of programmable fakes for the unit tests.
#pragma once

#include "platform/fake/fake_console.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_libraries.h"
#include "platform/fake/fake_management.h"
#include "platform/fake/fake_netbios.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_session.h"
#include "platform/fake/fake_sockets.h"
#include "platform/fake/fake_system.h"
#include "platform/platform.h"

namespace winreach {

class FakePlatform : public Platform {
 public:
  Console& console() override { return console_; }
  System& system() override { return system_; }
  Sockets& sockets() override { return sockets_; }
  Libraries& libraries() override { return libraries_; }
  Netbios& netbios() override { return netbios_; }
  Management& management() override { return management_; }
  Registry& registry() override { return registry_; }
  Files& files() override { return files_; }
  Services& services() override { return services_; }
  Session& session() override { return session_; }

  FakeConsole console_;
  FakeSystem system_;
  FakeSockets sockets_;
  FakeLibraries libraries_;
  FakeNetbios netbios_;
  FakeManagement management_;
  FakeRegistry registry_;
  FakeFiles files_{system_};
  FakeServices services_{system_};
  FakeSession session_;

  // "srv01" resolves to 10.1.2.3 and its server cannot be reached: every
  // remote check fails with 53 (the service manager with 1722), so that a
  // run's own lines and their order stand out.
  void ScriptUnreachableServer() {
    sockets_.AddHost("srv01", "srv01.example.test", 10, 1, 2, 3);
    registry_.connect_status = 53;
    files_.open_all = false;
    files_.missing_error = 53;
    services_.open_error = 1722;
  }
};

}  // namespace winreach
