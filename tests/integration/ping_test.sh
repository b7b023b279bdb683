# The ping: which method the kernel's settings select, what each prints, and
# how long a silent host holds it up. net.ipv4.ping_group_range of the client
# namespace decides whether ICMP datagram sockets, and so the ICMP helper
# functions, are there: closed ("1 0") selects the raw-socket ping, open the
# library ping with its IPv6 fallback. Each test sets it for itself.

icmp_sockets_closed() { wr_cli sysctl -qw net.ipv4.ping_group_range="1 0"; }
# Open for this test only: each test runs in a subshell, whose end closes
# them again, failed assertion or not, so later tests find the default.
icmp_sockets_open() {
  trap icmp_sockets_closed EXIT
  wr_cli sysctl -qw net.ipv4.ping_group_range="0 2147483647"
}

# The lines that the ping prints, the driver's verdict included.
PING_LINE='^(Ping0 - |IPv6Ping - |Received packed does not match|Unable to create the socket for the ping|Failed to (set the timeout|send the packet|receive the packet)|Name resolution problem\. |Ping OK!$|Unable to ping the computer!$)'
ping_lines() { grep -E "$PING_LINE" <<<"$1" || true; }

# Runs the program with each output line prefixed by the wall time in
# milliseconds at which it arrived (the program writes every message at once,
# unbuffered). The reader may stamp a line a few milliseconds late, so the
# bounds below leave 50 ms below the waits.
timed_run() {
  winreach_cli "$@" | while IFS= read -r line; do
    printf '%s %s\n' "$(( ${EPOCHREALTIME/./} / 1000 ))" "$line"
  done
}

# Milliseconds from the last line before the ping to its verdict line.
ping_duration() {
  awk -v re="$PING_LINE" '
    { t = $1; sub(/^[0-9]+ /, "") }
    !started && $0 ~ re { started = 1; start = prev }
    /^(Ping OK!|Unable to ping the computer!)$/ { print t - start; exit }
    { prev = t }' <<<"$1"
}
untimed() { sed -E 's/^[0-9]+ //' <<<"$1"; }

# The library ping's own time (ms), from the JSON report: its echo waits
# beside the NetBIOS query, so its lines come out after the NetBIOS lines
# and their times no longer tell its wait.
library_ping_ms() {
  winreach_cli --json "$1" | /usr/bin/python3 -c 'import json, sys
print(next(c["elapsed_ms"] for c in json.load(sys.stdin)["checks"] if c["check"] == "ping"))'
}

test_raw_socket_ping_answers_when_icmp_sockets_are_closed() {
  icmp_sockets_closed
  local out
  out=$(winreach_cli testhost)
  assert_eq "Ping OK!" "$(ping_lines "$out")" "ping lines"
  out=$(winreach_cli 10.77.0.2)
  assert_eq "Ping OK!" "$(ping_lines "$out")" "ping lines for the address"
}

test_raw_socket_ping_is_selected_and_refuses_a_routers_error() {
  # Only the raw socket sees the router's ICMP error as a foreign datagram.
  icmp_sockets_closed
  local out
  out=$(winreach_cli unreachable)
  assert_eq "Received packed does not match
Unable to ping the computer!" "$(ping_lines "$out")" "ping lines"
}

test_raw_socket_ping_reports_a_name_that_does_not_resolve() {
  icmp_sockets_closed
  local out
  out=$(winreach_cli nosuchhost.wrtest.test)
  assert_eq "Name resolution problem. Error code: 00002AF9
Unable to ping the computer!" "$(ping_lines "$out")" "ping lines"
}

test_library_ping_answers_when_icmp_sockets_are_open() {
  icmp_sockets_open
  local out
  out=$(winreach_cli testhost)
  assert_eq "Ping OK!" "$(ping_lines "$out")" "ping lines"
}

test_library_ping_prints_the_ip_status_of_an_unreachable_route() {
  icmp_sockets_open
  local out
  out=$(winreach_cli unreachable)
  # IP_DEST_HOST_UNREACHABLE in decimal; "unreachable" has no IPv6 address.
  assert_eq "Ping0 - Check the IP status is OK - LastErr 11003
Ping0 - IPv4 Ping failed, try IPv6 Ping 
Unable to ping the computer!" "$(ping_lines "$out")" "ping lines"
}

test_library_ping_falls_back_to_ipv6_for_the_dual_stack_name() {
  icmp_sockets_open
  local out
  out=$(winreach_cli dualstack)
  assert_eq "Ping0 - IPv4 Ping failed, try IPv6 Ping 
Ping OK!" "$(ping_lines "$out")" "ping lines"
  # One second for the silent IPv4 address, then an answer over IPv6.
  assert_between 950 1500 "$(library_ping_ms dualstack)" "ping time"
}

test_library_ping_reports_a_name_that_does_not_resolve_without_fallback() {
  icmp_sockets_open
  local out
  out=$(winreach_cli nosuchhost.wrtest.test)
  assert_eq "Ping0 - Name resolution problem
Unable to ping the computer!" "$(ping_lines "$out")" "ping lines"
  # An IPv6 literal is no name to gethostbyname: no IPv6 attempt either.
  out=$(winreach_cli fd77::2)
  assert_eq "Ping0 - Name resolution problem
Unable to ping the computer!" "$(ping_lines "$out")" "ping lines for an IPv6 literal"
}

test_silent_host_holds_the_raw_socket_ping_for_one_second() {
  icmp_sockets_closed
  local out
  out=$(timed_run silent)
  assert_eq "Unable to ping the computer!" "$(ping_lines "$(untimed "$out")")" "ping lines"
  assert_between 950 1500 "$(ping_duration "$out")" "ping time"
}

test_silent_host_holds_the_library_ping_one_second_per_address() {
  icmp_sockets_open
  local out
  out=$(winreach_cli silent)
  # 10.77.9.9, then its one IPv6 address fd77:9::9: both dropped.
  assert_eq "Ping0 - IPv4 Ping failed, try IPv6 Ping 
Unable to ping the computer!" "$(ping_lines "$out")" "ping lines"
  assert_between 1950 2600 "$(library_ping_ms silent)" "ping time"
}

test_icmp_sockets_are_closed_again_after_a_test_that_opened_them() {
  ( icmp_sockets_open )
  assert_eq "1	0" "$(wr_cli cat /proc/sys/net/ipv4/ping_group_range)" "ping_group_range"
}

test_name_beyond_eight_bits_is_not_pinged_as_the_local_computer() {
  # Cut before its first character above U+00FF, "Ωtesthost" would be the
  # empty name, which resolves as this computer: here named testhost, so
  # that the cut name would answer. Each method reports its resolution
  # failure instead.
  local out
  run_named_testhost() {
    wr_cli unshare --uts sh -c 'hostname testhost && exec timeout 60 "$0" "$1" </dev/null' \
      "$WINREACH" "Ωtesthost"
  }
  icmp_sockets_closed
  out=$(run_named_testhost)
  assert_contains "$out" "Local computer: testhost"
  assert_eq "Name resolution problem. Error code: 00002AF9
Unable to ping the computer!" "$(ping_lines "$out")" "raw-socket ping"
  icmp_sockets_open
  out=$(run_named_testhost)
  assert_eq "Ping0 - Name resolution problem
Unable to ping the computer!" "$(ping_lines "$out")" "library ping"
}
