#include "driver/prometheus_report.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace winreach {
namespace {

TEST(PrometheusTest, EveryFamilyWholeWithHelpTypeAndItsSamples) {
  ComputerRecord record;
  record.target = L"srv01";
  record.outcomes = {{"resolve", true, std::nullopt, 2, {}},
                     {"server_info_503", false, 0x7C, 1500, {}},
                     {"scm", false, std::nullopt, 3, {}}};
  record.explanation = RunExplanation{};
  record.explanation->verdict.kind = "partly";
  EXPECT_EQ(
      "# HELP winreach_check_success Whether the check passed (1) or failed (0).\n"
      "# TYPE winreach_check_success gauge\n"
      "winreach_check_success{target=\"srv01\",check=\"resolve\"} 1\n"
      "winreach_check_success{target=\"srv01\",check=\"server_info_503\"} 0\n"
      "winreach_check_success{target=\"srv01\",check=\"scm\"} 0\n"
      "# HELP winreach_check_status_code The Windows code the check ended with (0 when it "
      "passed); absent for a failure without one.\n"
      "# TYPE winreach_check_status_code gauge\n"
      "winreach_check_status_code{target=\"srv01\",check=\"resolve\"} 0\n"
      "winreach_check_status_code{target=\"srv01\",check=\"server_info_503\"} 124\n"
      "# HELP winreach_check_duration_seconds How long the check took.\n"
      "# TYPE winreach_check_duration_seconds gauge\n"
      "winreach_check_duration_seconds{target=\"srv01\",check=\"resolve\"} 0.002\n"
      "winreach_check_duration_seconds{target=\"srv01\",check=\"server_info_503\"} 1.500\n"
      "winreach_check_duration_seconds{target=\"srv01\",check=\"scm\"} 0.003\n"
      "# HELP winreach_verdict_info What the checks add up to: administrable, partly, "
      "access_denied, no_answer, unresolved, ...\n"
      "# TYPE winreach_verdict_info gauge\n"
      "winreach_verdict_info{target=\"srv01\",verdict=\"partly\"} 1\n"
      "# HELP winreach_run_duration_seconds How long the whole run took.\n"
      "# TYPE winreach_run_duration_seconds gauge\n"
      "winreach_run_duration_seconds 1.505\n"
      "# HELP winreach_last_run_timestamp_seconds When the run ended, in seconds since 1970 "
      "UTC.\n"
      "# TYPE winreach_last_run_timestamp_seconds gauge\n"
      "winreach_last_run_timestamp_seconds 1700000000.042\n",
      PrometheusText({record}, 1505, 1700000000042));
}

TEST(PrometheusTest, HostileNameIsEscapedInEveryLabel) {
  EXPECT_EQ("a\\\\b\\\"c\\nd\te\xC3\xA9", PrometheusLabelValue(L"a\\b\"c\nd\te\u00e9"));
  ComputerRecord record;
  record.target = L"x\"} 1\nwinreach_check_success{target=\"y";
  record.outcomes = {{"ping", true, std::nullopt, 0, {}}};
  const std::string text = PrometheusText({record}, 0, 0);
  EXPECT_NE(std::string::npos,
            text.find("winreach_verdict_info{target=\"x\\\"} 1\\nwinreach_check_success{"
                      "target=\\\"y\",verdict=\"unknown\"} 1\n"));
  // Six families: their HELP and TYPE lines and six samples, no forged line.
  EXPECT_EQ(18, std::count(text.begin(), text.end(), '\n'));
}

}  // namespace
}  // namespace winreach
