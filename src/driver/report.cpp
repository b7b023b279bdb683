#include "driver/report.h"

#include <chrono>

#include "driver/json_writer.h"
#include "driver/session_text.h"
#include "platform/format.h"

namespace winreach {

namespace {

std::wstring TwoDigits(unsigned value) {
  return std::wstring(1, static_cast<wchar_t>(L'0' + value / 10 % 10)) +
         static_cast<wchar_t>(L'0' + value % 10);
}

// The logon method as the JSON report names it; empty when unknown.
std::wstring_view MethodName(LogonMethod method) {
  switch (method) {
    case LogonMethod::kKerberos:
      return L"kerberos";
    case LogonMethod::kNtlm:
      return L"ntlm";
    case LogonMethod::kAnonymous:
      return L"anonymous";
    case LogonMethod::kUnknown:
      break;
  }
  return L"";
}

void StringOrNull(JsonWriter& json, std::wstring_view text) {
  if (text.empty()) {
    json.Null();
  } else {
    json.String(text);
  }
}

void BoolOrNull(JsonWriter& json, std::optional<bool> value) {
  if (value) {
    json.Bool(*value);
  } else {
    json.Null();
  }
}

void WriteSession(JsonWriter& json, const std::optional<SessionFacts>& session) {
  if (!session) {
    json.Null();
    return;
  }
  json.BeginObject();
  json.Key("server");
  StringOrNull(json, session->server);
  json.Key("port");
  if (session->port != 0) {
    json.Number(session->port);
  } else {
    json.Null();
  }
  json.Key("identity");
  StringOrNull(json, Identity(*session));
  json.Key("method");
  StringOrNull(json, MethodName(session->method));
  json.Key("dialect");
  StringOrNull(json, session->dialect);
  json.Key("signing");
  BoolOrNull(json, session->signing);
  json.Key("encryption");
  BoolOrNull(json, session->encryption);
  json.Key("signing_algorithm");
  StringOrNull(json, session->signing_algorithm);
  json.Key("cipher");
  StringOrNull(json, session->cipher);
  json.EndObject();
}

}  // namespace

std::wstring Rfc3339Utc(int64_t unix_ms) {
  using namespace std::chrono;
  const sys_time<milliseconds> time{milliseconds{unix_ms}};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss<milliseconds> clock{time - day};
  const int year = static_cast<int>(date.year());
  const auto millis = static_cast<uint32_t>(clock.subseconds().count());
  return Decimal(year) + L"-" + TwoDigits(static_cast<unsigned>(date.month())) + L"-" +
         TwoDigits(static_cast<unsigned>(date.day())) + L"T" +
         TwoDigits(static_cast<unsigned>(clock.hours().count())) + L":" +
         TwoDigits(static_cast<unsigned>(clock.minutes().count())) + L":" +
         TwoDigits(static_cast<unsigned>(clock.seconds().count())) + L"." +
         static_cast<wchar_t>(L'0' + millis / 100) + TwoDigits(millis % 100) + L"Z";
}

namespace {

void WriteExplanation(JsonWriter& json, const Explanation& item) {
  json.BeginObject();
  json.Key("meaning");
  json.String(item.meaning);
  json.Key("cause");
  json.String(item.cause);
  json.Key("next");
  json.String(item.next);
  json.Key("expected");
  json.Bool(item.expected);
  json.EndObject();
}

}  // namespace

std::string JsonReport(const RunFacts& facts, const std::vector<CheckOutcome>& outcomes,
                       const RunExplanation* explanation) {
  JsonWriter json;
  json.BeginObject();
  json.Key("version");
  json.String(facts.version);
  json.Key("target");
  json.String(facts.target);
  json.Key("local_computer");
  json.String(facts.local_computer);
  json.Key("started");
  json.String(Rfc3339Utc(facts.started_unix_ms));
  json.Key("elapsed_ms");
  json.Number(facts.elapsed_ms);
  json.Key("session");
  WriteSession(json, facts.session);
  if (explanation != nullptr) {
    json.Key("verdict");
    json.BeginObject();
    json.Key("kind");
    json.String(std::wstring(explanation->verdict.kind.begin(), explanation->verdict.kind.end()));
    json.Key("text");
    json.String(explanation->verdict.text);
    json.EndObject();
  }
  json.Key("checks");
  json.BeginArray();
  for (size_t i = 0; i < outcomes.size(); ++i) {
    const CheckOutcome& outcome = outcomes[i];
    json.BeginObject();
    json.Key("check");
    json.String(std::wstring(outcome.check.begin(), outcome.check.end()));
    json.Key("ok");
    json.Bool(outcome.ok);
    json.Key("code");
    if (outcome.code) {
      json.Number(*outcome.code);
    } else {
      json.Null();
    }
    json.Key("elapsed_ms");
    json.Number(outcome.elapsed_ms);
    json.Key("detail");
    json.BeginObject();
    for (const auto& [key, value] : outcome.detail) {
      json.Key(key);
      if (const auto* text = std::get_if<std::wstring>(&value)) {
        json.String(*text);
      } else {
        json.Number(std::get<int64_t>(value));
      }
    }
    json.EndObject();
    if (explanation != nullptr && i < explanation->item_of.size() &&
        explanation->item_of[i] >= 0) {
      json.Key("explanation");
      WriteExplanation(json, explanation->items[static_cast<size_t>(explanation->item_of[i])]);
    }
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  return json.text() + "\n";
}

int ExitStatusOf(const std::vector<CheckOutcome>& outcomes) {
  bool all_passed = true;
  bool resolved = true;
  bool remote_passed = false;
  for (const CheckOutcome& outcome : outcomes) {
    all_passed = all_passed && outcome.ok;
    if (outcome.check == "resolve") {
      resolved = outcome.ok;
    } else if (outcome.ok) {
      remote_passed = true;
    }
  }
  if (!resolved && !remote_passed) return kUnresolved;
  return all_passed ? kAllPassed : kSomeFailed;
}

}  // namespace winreach
