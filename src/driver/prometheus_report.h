// The run as a file for Prometheus' textfile collector (node exporter,
// windows_exporter): the text exposition format, one series per computer
// and check, every label of a bounded set of values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.h"

namespace winreach {

// The metrics of the computers' records: per computer and check whether it
// passed, its Windows code and its time; per computer its verdict; the
// run's time (`elapsed_ms`) and when it ended (`finished_unix_ms`).
std::string PrometheusText(const std::vector<ComputerRecord>& records, int64_t elapsed_ms,
                           int64_t finished_unix_ms);

// A label's value between its quotes: UTF-8, with backslash, double quote
// and line feed escaped as the format asks.
std::string PrometheusLabelValue(std::wstring_view text);

}  // namespace winreach
