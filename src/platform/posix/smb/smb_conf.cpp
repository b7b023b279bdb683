#include "platform/posix/smb/smb_conf.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <sstream>

namespace winreach {

namespace {

using smb::ClientSettings;
using smb::Dialect;

// Samba reads names and values without regard to case, and names without
// regard to spaces or underscores.
std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

std::string KeyOf(std::string_view name) {
  std::string key;
  for (char c : Lower(name)) {
    if (c != ' ' && c != '_' && c != '\t') key += c;
  }
  return key;
}

// A protocol name as Samba spells it; `as_max` picks the variant that
// SMB2 and SMB3 stand for at the top of the range. nullopt: below SMB2.
struct Protocol {
  std::optional<Dialect> dialect;  // empty: an SMB1 or older protocol
  bool known = true;
};

Protocol ProtocolOf(const std::string& value, bool as_max) {
  if (value == "smb2_02") return {Dialect::k202};
  if (value == "smb2_10") return {Dialect::k210};
  if (value == "smb2") return {as_max ? Dialect::k210 : Dialect::k202};
  if (value == "smb3_00") return {Dialect::k300};
  if (value == "smb3_02") return {Dialect::k302};
  if (value == "smb3_11" || value == "default") return {Dialect::k311};
  if (value == "smb3") return {as_max ? Dialect::k311 : Dialect::k300};
  if (value == "nt1" || value == "lanman2" || value == "lanman1" || value == "core" ||
      value == "coreplus") {
    return {std::nullopt};
  }
  return {std::nullopt, false};
}

}  // namespace

SmbClientConf ParseSmbClientConf(std::string_view text) {
  SmbClientConf conf;
  bool global = true;  // keys before any section are global ones
  std::istringstream lines{std::string(text)};
  for (std::string raw; std::getline(lines, raw);) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t end = line.find(']');
      global = end != std::string_view::npos && KeyOf(line.substr(1, end - 1)) == "global";
      continue;
    }
    const size_t equals = line.find('=');
    if (!global || equals == std::string_view::npos) continue;
    const std::string key = KeyOf(line.substr(0, equals));
    const std::string value = Lower(Trim(line.substr(equals + 1)));
    ClientSettings& settings = conf.settings;
    if (key == "clientminprotocol") {
      const Protocol protocol = ProtocolOf(value, false);
      // SMB1 is never offered: a range that starts below SMB2 starts at it.
      if (protocol.known) settings.min_dialect = protocol.dialect.value_or(Dialect::k202);
    } else if (key == "clientmaxprotocol") {
      const Protocol protocol = ProtocolOf(value, true);
      if (protocol.known) {
        conf.smb1_only = !protocol.dialect.has_value();
        if (protocol.dialect) settings.max_dialect = *protocol.dialect;
      }
    } else if (key == "clientsigning") {
      if (value == "required" || value == "mandatory") {
        settings.signing = ClientSettings::Signing::kRequired;
      } else if (value == "if_required") {
        settings.signing = ClientSettings::Signing::kIfRequired;
      } else if (value == "disabled" || value == "off" || value == "no" || value == "false") {
        settings.signing = ClientSettings::Signing::kDisabled;
      } else if (value == "default" || value == "auto" || value == "desired" || value == "yes" ||
                 value == "true" || value == "on") {
        settings.signing = ClientSettings::Signing::kDesired;
      }
    } else if (key == "clientsmbencrypt") {
      if (value == "required" || value == "mandatory" || value == "force") {
        settings.encryption = ClientSettings::Encryption::kRequired;
      } else if (value == "desired") {
        settings.encryption = ClientSettings::Encryption::kDesired;
      } else if (value == "off" || value == "disabled" || value == "no" || value == "false") {
        settings.encryption = ClientSettings::Encryption::kOff;
      } else if (value == "default" || value == "if_required") {
        settings.encryption = ClientSettings::Encryption::kIfRequired;
      }
    } else if (key == "clientusekerberos") {
      if (value == "required") {
        conf.kerberos = SmbClientConf::Kerberos::kRequired;
      } else if (value == "off" || value == "disabled" || value == "no" || value == "false") {
        conf.kerberos = SmbClientConf::Kerberos::kOff;
      } else if (value == "desired" || value == "yes" || value == "true" || value == "auto") {
        conf.kerberos = SmbClientConf::Kerberos::kDesired;
      }
    } else if (key == "workgroup" && !value.empty()) {
      std::string name(Trim(line.substr(equals + 1)));
      std::transform(name.begin(), name.end(), name.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      conf.workgroup = name;
    }
  }
  return conf;
}

SmbClientConf LoadSmbClientConf() {
  std::ifstream file("/etc/samba/smb.conf");
  if (!file) return {};
  std::ostringstream text;
  text << file.rdbuf();
  return ParseSmbClientConf(text.str());
}

}  // namespace winreach
