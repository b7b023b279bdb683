// What the codes the checks print mean, why a check usually gets one and
// what to look at next: one table of data, read by --explain.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace winreach {

// The row's code column: a code, a failure that printed none, or any code
// (the check's own advice when no row names the code).
inline constexpr int64_t kNoCode = -1;
inline constexpr int64_t kAnyCode = -2;

// What else must hold for a row to apply, from facts the checks learned.
enum class RowWhen {
  kAlways,
  kServerAnswered,  // some SMB check got an answer from the server
  kPingAnswered,    // the computer answered the ping
  kUnresolved,      // the name did not resolve
  kAsGuest,         // the server took the logon as its guest
  kAnonymous,       // the checks ran anonymously
  kAsNamed,         // the server took the logon for a named account
};

struct ExplanationRow {
  // A check id ("scm"), a family of them ("registry_", every id it begins),
  // "ping:library" (the ping through the ICMP helper, whose codes are IP
  // statuses), or "" for every check.
  std::string_view check;
  int64_t code;
  RowWhen when;
  // Our own one-line description. Set only on "" rows, for system error
  // codes (which Windows describes itself), and on rows of a check whose
  // codes are its own (NetBIOS return codes, IP statuses).
  const wchar_t* meaning;
  const wchar_t* cause;  // in the check's context; nullptr: a wider row's
  const wchar_t* next;
  bool expected = false;  // harmless: does not count against the verdict
};

std::span<const ExplanationRow> ExplanationTable();

// What a row lookup found for one failed check.
struct CodeKnowledge {
  std::wstring_view meaning;  // empty: the table does not describe the code
  bool system_code = true;    // the system may describe it in its own words
  std::wstring_view cause;
  std::wstring_view next;
  bool expected = false;
};

struct LookupFacts {
  bool server_answered = false;
  bool pinged = false;
  bool unresolved = false;
  RowWhen account = RowWhen::kAlways;  // kAsGuest, kAnonymous, kAsNamed or unknown
};

// `context` is the check id, or "ping:library" for the ping through the ICMP
// helper; `check` the check id itself.
CodeKnowledge LookUp(std::string_view check, std::string_view context, std::optional<uint32_t> code,
                     const LookupFacts& facts);

}  // namespace winreach
