# The test run itself: banner, name resolution and the interactive prompt.

test_name_from_hosts_file_resolves() {
  local out
  out=$(winreach_cli testhost)
  assert_eq "$(banner testhost)

IP address: 10.77.0.2
Host name: testhost" "$(head -n 7 <<<"$out")"
}

test_dotted_address_resolves_to_itself() {
  local out
  out=$(winreach_cli 10.77.0.2)
  assert_contains "$out" "IP address: 10.77.0.2"
  assert_contains "$out" "Host name: 10.77.0.2"
}

test_unknown_name_reports_host_not_found_and_runs_on() {
  local out
  out=$(winreach_cli nosuchhost.wrtest.test)
  assert_contains "$out" "Name resolution problem! Error code: 00002AF9"
  assert_contains "$out" "Unable to ping the computer!"
  # No NetBIOS lines without an address.
  refute_match "$out" 'NCB\|Ethernet Number\|NetBIOS name'
  # The management checks still run: the last line is the service manager's.
  tail -n 1 <<<"$out" | grep -q 'SCM'
}

test_resolver_down_reports_temporary_failure() {
  local out
  stop_pidfile "$WR_STATE/resolver.pid"
  out=$(winreach_cli nosuchhost.wrtest.test)
  # Bring our resolver back for the tests that follow.
  wr_cli python3 "$TESTNET_DIR/nxdomain-resolver" --pidfile "$WR_STATE/resolver.pid" \
    >>"$WR_STATE/resolver.log" 2>&1 &
  for _ in $(seq 50); do [ -s "$WR_STATE/resolver.pid" ] && break; sleep 0.1; done
  assert_contains "$out" "Name resolution problem! Error code: 00002AFA"
}

test_lower_case_name_is_upper_case_in_banner_only() {
  local out
  out=$(winreach_cli TestHost)
  assert_contains "$out" "Testing network connectivity to the remote computer TESTHOST"
  # Everything after the banner uses the name as typed: the resolver found it.
  assert_contains "$out" "IP address: 10.77.0.2"
}

test_command_line_run_neither_prompts_nor_pauses() {
  local out
  out=$(winreach_cli testhost)
  refute_match "$out" 'Remote computer name:'
  refute_match "$out" 'Press any key to continue'
}

test_interactive_run_prompts_and_waits_for_one_key() {
  # Through a pseudo-terminal: the prompt, the typed name, the pause that
  # waits for a key (still running half a second on), and the end after it.
  local out
  out=$(wr_cli timeout 90 python3 "$(dirname "${BASH_SOURCE[0]}")/pty-drive" "$WINREACH" testhost)
  grep -q '^Remote computer name:testhost$' <<<"$out"
  assert_contains "$out" "IP address: 10.77.0.2"
  assert_contains "$out" "Press any key to continue"
}

test_closing_pause_ignores_type_ahead_and_takes_one_key_whole() {
  # The rest of the typed line is no answer to the pause, and neither it nor
  # the tail of an arrow key's escape sequence is left for the shell.
  local out drive
  drive="$(dirname "${BASH_SOURCE[0]}")/pty-drive"
  out=$(wr_cli timeout 90 python3 "$drive" "$WINREACH" "testhost extra")
  assert_contains "$out" "IP address: 10.77.0.2"
  assert_contains "$out" "left in the terminal: b''"
  out=$(wr_cli timeout 90 python3 "$drive" "$WINREACH" testhost $'\e[A')
  assert_contains "$out" "left in the terminal: b''"
  out=$(wr_cli timeout 90 python3 "$drive" "$WINREACH" testhost $'\e[15~')
  assert_contains "$out" "left in the terminal: b''"
}

test_closed_pipe_ends_the_run_normally() {
  # As after "winreach testhost | head -n 1" once head has gone: every write
  # meets a pipe without a reader, and the run still ends with exit code 0.
  # The pipe is closed before the start, so that no race decides.
  local code
  code=$(wr_cli python3 -c '
import os, subprocess, sys
reader, writer = os.pipe()
os.close(reader)
print(subprocess.call(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=writer))' \
    timeout 60 "$WINREACH" testhost)
  assert_eq 0 "$code" "exit code"
}

test_interactive_end_of_input_runs_with_empty_name() {
  local out
  out=$(wr_cli timeout 60 "$WINREACH" </dev/null)
  grep -q '^Remote computer name:$' <<<"$out"
  assert_contains "$out" "Testing network connectivity to the remote computer "
}

test_over_long_name_is_refused_before_anything_is_sent() {
  local name out err
  name=$(head -c 254 /dev/zero | tr '\0' a)
  out=$(wr_cli timeout 10 "$WINREACH" "$name" </dev/null 2>/tmp/wr-err.$$)
  err=$(cat /tmp/wr-err.$$); rm -f /tmp/wr-err.$$
  assert_eq "" "$out" "standard output"
  assert_eq "winreach: the name is 254 characters long; a computer name has at most 253 characters" "$err" "standard error"
}

test_help_and_version_run_no_check() {
  local out
  out=$(winreach_cli --help)
  grep -q '^Usage: winreach \[COMPUTER\]' <<<"$out"
  out=$(winreach_cli --version)
  assert_eq "$("$WINREACH" --version)" "$out"
  grep -q '^winreach ' <<<"$out"
}
