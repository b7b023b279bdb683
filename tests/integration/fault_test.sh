# Faults: servers that die between checks, hang, lack their RPC daemon, or
# answer with broken DCE/RPC messages; a stale entry in Samba's shared name
# cache. Every test checks the exact report and a bounded time: the checks
# report, nothing hangs.

# The lines after the ping's verdict: the four remote areas.
remote_lines() { sed -n '/^Ping OK!$\|^Unable to ping the computer!$/,$p' | tail -n +2; }

# Runs the program in the client namespace; its peak resident size in KiB
# goes to the file $1.
winreach_measured() {
  local rss_file=$1
  shift
  wr_cli timeout 60 /usr/bin/time -f '%M' -o "$rss_file" "$WINREACH" "$@" </dev/null
}

GOOD_REMOTE_LINES='NetServerGetInfo level 100 OK!
NetServerGetInfo level 101 OK!
NetServerGetInfo level 102 OK!
NetServerGetInfo level 503 OK!
Remote access to the registry (HKEY_LOCAL_MACHINE) OK!
Successfully retrieved current version! 6.3
Read access to the Winlogon key OK!
Full access to the Winlogon key OK!
Read access to the key "Control\ComputerName\ActiveComputerName" OK!
Read access to the key "TcpIp\Parameters" OK!
Remote access to the ADMIN$ share OK!
Connection to the SCM is OK!'

# The report of a server whose every RPC answer fails with CODE (eight hex
# digits) while its ADMIN$ share can be read.
rpc_failure_lines() {
  printf '%s\n' "NetServerGetInfo level 100 failed! Error $1" \
    "NetServerGetInfo level 101 failed! Error $1" \
    "NetServerGetInfo level 102 failed! Error $1" \
    "NetServerGetInfo level 503 failed! Error $1" \
    "Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error $1" \
    'Remote access to the ADMIN$ share OK!' \
    "Unable to connect to the SCM! Error $1"
}

# The registry reachable and every value read failing with CODE.
value_failure_lines() {
  printf '%s\n' 'Remote access to the registry (HKEY_LOCAL_MACHINE) OK!' \
    "Failed to read the current version! Error $1" \
    "Failed to read the value \"Userinit\" in the Winlogon key! Error $1" \
    'Full access to the Winlogon key OK!' \
    "Failed to read the value \"ComputerName\" in the \"Control\\ComputerName\\ActiveComputerName\" key! Error $1" \
    "Failed to read the value \"HostName\" in the \"TcpIp\\Parameters\" key! Error $1"
}

# --- Samba's shared name cache ---

test_stale_samba_name_cache_is_not_used() {
  # Samba's programs look names up in a cache that every one of them on the
  # machine shares and trusts for 11 minutes. An entry that sends a name to
  # the refusing host must not win over the resolver, which knows the name
  # as the test host: every check talks to the address the report printed.
  local name=wrstale$sfx key out
  key="NBT/$(tr '[:lower:]' '[:upper:]' <<<"$name")#20"
  trap "set +e; net cache del '$key' >/dev/null 2>&1; sed -i '/ $name\$/d' '/etc/netns/$CLI/hosts'" EXIT
  echo "10.77.0.2 $name" >>"/etc/netns/$CLI/hosts"
  # The cache lives in Samba's lock directory, which only Samba's services
  # create: on a machine where none runs yet, make it.
  mkdir -p "$(smbd -b | awk '/LOCKDIR:/ { print $2 }')"
  net cache add "$key" "10.77.7.2:0" 120 >/dev/null
  out=$(winreach_cli "$name")
  assert_contains "$out" "IP address: 10.77.0.2"
  assert_contains "$out" "NetServerGetInfo level 100 OK!"
  assert_contains "$out" "Remote access to the registry (HKEY_LOCAL_MACHINE) OK!"
  # Nor does the run leave an entry of its own there.
  net cache del "$key" >/dev/null 2>&1
  winreach_cli "$name" >/dev/null
  if net cache get "$key" >/dev/null 2>&1; then
    echo "  the run stored $key in Samba's name cache"; return 1
  fi
}

# --- a Samba server that stops, hangs or lacks its RPC daemon ---

test_server_killed_after_server_information() {
  # smbd and samba-dcerpcd die with SIGKILL once the four server information
  # lines are out; the later checks print their failure lines at once. Each
  # write of the program is held back 100 ms (strace), and the watcher
  # stops the program while it kills, so the kill always falls between the
  # server information and the registry check.
  local address=10.77.7.41 out start elapsed
  trap "set +e; '$FAULTS/samba-variant' down killed" EXIT
  "$FAULTS/samba-variant" up killed "$address"
  winreach_cli "$address" >/dev/null  # samba-dcerpcd starts on the first call
  start=$(now_ms)
  # LeakSanitizer cannot work under ptrace; the sanitizer build still checks
  # every access.
  out=$(ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
    wr_cli timeout 60 "$PY" "$FAULTS/on_line.py" \
    'NetServerGetInfo level 503 failed! Error 0000007C' "'$FAULTS/samba-variant' kill killed" -- \
    strace -f -qq --seccomp-bpf -o /dev/null -e trace=write -e inject=write:delay_exit=100000 \
    "$WINREACH" "$address")
  elapsed=$(( $(now_ms) - start ))
  assert_eq 'NetServerGetInfo level 100 OK!
NetServerGetInfo level 101 OK!
NetServerGetInfo level 102 OK!
NetServerGetInfo level 503 failed! Error 0000007C
Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 00000035
Remote access to the ADMIN$ share failed! Error 00000035
Unable to connect to the SCM! Error 000006BA' "$(remote_lines <<<"$out")" "remote lines"
  echo "  whole run with the server killed: $elapsed ms"
  assert_between 0 15000 "$elapsed" "whole run (ms)"
}

test_server_that_accepts_and_never_answers() {
  # TCP connects, SMB never answers: one SMB time-out (10 s) for the first
  # check, and every later check fails at once with the same code.
  local address=10.77.7.42 out start elapsed stamps first last
  trap "set +e; kill \$(cat '$WR_STATE/tarpit.pid' 2>/dev/null) 2>/dev/null; remove_fault_address $address" EXIT
  add_fault_address "$address"
  ip netns exec "$REF" "$PY" "$FAULTS/tarpit.py" "$address" 445 "$WR_STATE/tarpit.pid" \
    2>"$WR_STATE/tarpit.log" &
  wait_for_file "$WR_STATE/tarpit.pid"
  stamps=$WR_STATE/tarpit-times
  start=$(now_ms)
  out=$(ON_LINE_TIMES=$stamps wr_cli timeout 60 "$PY" "$FAULTS/on_line.py" - true -- \
    "$WINREACH" "$address" 2>/dev/null)
  elapsed=$(( $(now_ms) - start ))
  assert_eq "$(printf '%s\n' 'NetServerGetInfo level 100 failed! Error 00000035' \
    'NetServerGetInfo level 101 failed! Error 00000035' \
    'NetServerGetInfo level 102 failed! Error 00000035' \
    'NetServerGetInfo level 503 failed! Error 00000035' \
    'Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 00000035' \
    'Remote access to the ADMIN$ share failed! Error 00000035' \
    'Unable to connect to the SCM! Error 000006BA')" "$(remote_lines <<<"$out")" "remote lines"
  first=$(grep -m1 'level 100' "$stamps" | cut -d' ' -f1)
  last=$(tail -n 1 "$stamps" | cut -d' ' -f1)
  echo "  first remote line after $first ms, last $((last - first)) ms later; whole run $elapsed ms"
  assert_between 9000 14000 "$elapsed" "whole run (ms)"
  assert_between 0 1500 $((last - first)) "time from the first remote line to the last (ms)"
}

test_rpc_daemon_absent_pipes_missing() {
  # smbd without samba-dcerpcd: IPC$ connects, but srvsvc, winreg and svcctl
  # do not exist. The file share still works.
  local address=10.77.7.43 out
  trap "set +e; '$FAULTS/samba-variant' down nopipes" EXIT
  "$FAULTS/samba-variant" up nopipes "$address" 'rpc start on demand helpers = no'
  out=$(winreach_cli "$address")
  assert_eq 'NetServerGetInfo level 100 failed! Error 00000035
NetServerGetInfo level 101 failed! Error 00000035
NetServerGetInfo level 102 failed! Error 00000035
NetServerGetInfo level 503 failed! Error 00000035
Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 00000035
Remote access to the ADMIN$ share OK!
Unable to connect to the SCM! Error 000006BA' "$(remote_lines <<<"$out")" "remote lines"
}

# --- our own RPC server, answering as each scenario says ---

RPC_ADDRESS=10.77.7.44

start_rpc_server() {
  local state=$WR_STATE/rpc-server
  mkdir -p "$state"
  rm -f "$state/rpc_server.pid" "$state/scenario"
  trap "set +e; stop_rpc_server" EXIT
  add_fault_address "$RPC_ADDRESS"
  ip netns exec "$REF" "$PY" "$FAULTS/rpc_server.py" "$RPC_ADDRESS" good "$state" \
    >"$state/stdout" 2>&1 &
  wait_for_file "$state/rpc_server.pid"
}

stop_rpc_server() {
  local state=$WR_STATE/rpc-server
  [ -s "$state/rpc_server.pid" ] && kill "$(cat "$state/rpc_server.pid")" 2>/dev/null
  remove_fault_address "$RPC_ADDRESS"
}

# Runs the program against the RPC server playing SCENARIO and leaves the
# remote lines in $WR_STATE/rpc-server/lines; the run must take at most
# MAX_MS and, unless sanitized, stay under 32 MiB.
rpc_scenario() {
  local scenario=$1 max_ms=${2:-5000} state=$WR_STATE/rpc-server start elapsed
  echo "$scenario" >"$state/scenario"
  start=$(now_ms)
  winreach_measured "$state/rss" "$RPC_ADDRESS" | remote_lines >"$state/lines"
  elapsed=$(( $(now_ms) - start ))
  echo "  $scenario: $elapsed ms, $(cat "$state/rss") KiB"
  assert_between 0 "$max_ms" "$elapsed" "run against the $scenario server (ms)"
  sanitized || assert_between 0 32768 "$(cat "$state/rss")" "peak memory (KiB)"
}

# assert_scenario EXPECTED SCENARIO [MAX_MS]
assert_scenario() {
  rpc_scenario "$2" "${3:-5000}"
  assert_eq "$1" "$(cat "$WR_STATE/rpc-server/lines")" "remote lines ($2)"
}

test_rpc_server_answering_well_passes_every_check() {
  # The harness itself: relayed pipes and well-formed answers give a report
  # with every check passing, as a healthy Windows server would.
  start_rpc_server
  assert_scenario "$GOOD_REMOTE_LINES" good
}

test_rpc_fault_pdus_report_their_status() {
  start_rpc_server
  # nca_op_rng_error becomes RPC_S_PROCNUM_OUT_OF_RANGE (1745); a fault
  # carrying a Windows code (access denied) is printed as it stands.
  assert_scenario "$(rpc_failure_lines 000006D1)" fault
  assert_scenario "$(rpc_failure_lines 00000005)" fault-access
}

test_rpc_truncated_answers_are_protocol_errors() {
  start_rpc_server
  # The fragment ends before its announced length and the pipe closes.
  assert_scenario "$(rpc_failure_lines 000006C0)" truncated
  # Whole fragments whose stub data stops short of the status.
  assert_scenario "$(rpc_failure_lines 000006C0)" truncated-stub
  assert_scenario "$(rpc_failure_lines 000006C0)" bind-truncated
}

test_rpc_oversized_answers_are_refused_without_growing() {
  start_rpc_server
  # Strings and values that claim about 2 GiB, an allocation hint of 4 GiB:
  # nothing of that size is allocated, the reads fail, the handles work.
  assert_scenario "$(printf '%s\n' 'NetServerGetInfo level 100 failed! Error 000006C0' \
    'NetServerGetInfo level 101 failed! Error 000006C0' \
    'NetServerGetInfo level 102 failed! Error 000006C0' \
    'NetServerGetInfo level 503 failed! Error 000006C0' \
    "$(value_failure_lines 000006C0)" \
    'Remote access to the ADMIN$ share OK!' 'Connection to the SCM is OK!')" \
    oversized
  # 1.2 MB of fragments without a last one: given up after 1 MiB.
  assert_scenario "$(rpc_failure_lines 000006C0)" flood 50000
  assert_scenario "$(rpc_failure_lines 000006C0)" bind-oversized
}

test_rpc_fragments_without_stub_data_are_given_up() {
  start_rpc_server
  # Empty fragments, or fragments whose authentication trailer fills the
  # body, one after another without end: counted, and given up.
  assert_scenario "$(rpc_failure_lines 000006C0)" empty-fragments 50000
  assert_scenario "$(rpc_failure_lines 000006C0)" auth-filled 50000
}

test_rpc_bind_under_ndr64_and_success_without_information_are_protocol_errors() {
  start_rpc_server
  assert_scenario "$(rpc_failure_lines 000006C0)" ndr64
  assert_scenario "$(printf '%s\n' 'NetServerGetInfo level 100 failed! Error 000006C0' \
    'NetServerGetInfo level 101 failed! Error 000006C0' \
    'NetServerGetInfo level 102 failed! Error 000006C0' \
    'NetServerGetInfo level 503 failed! Error 000006C0' \
    "$(sed -n '5,$p' <<<"$GOOD_REMOTE_LINES")")" no-info
}

test_slow_server_cannot_hold_the_run_past_a_minute() {
  # Each of a good server's messages held 8 s, inside the 10 s that one SMB
  # request may take: the SMB checks share what is left of the minute, then
  # the check under way and every later one fail with ERROR_SEM_TIMEOUT.
  local address=10.77.7.46 state=$WR_STATE/rpc-server out start elapsed
  start_rpc_server
  trap "set +e; stop_rpc_server; kill \$(cat '$WR_STATE/slow_proxy.pid' 2>/dev/null) 2>/dev/null; remove_fault_address $address" EXIT
  add_fault_address "$address"
  rm -f "$WR_STATE/slow_proxy.pid"
  ip netns exec "$REF" "$PY" "$FAULTS/slow_proxy.py" "$address" 445 "$RPC_ADDRESS:445" 8 \
    "$WR_STATE/slow_proxy.pid" 2>"$WR_STATE/slow_proxy.log" &
  wait_for_file "$WR_STATE/slow_proxy.pid"
  start=$(now_ms)
  out=$(wr_cli timeout 120 "$WINREACH" "$address" </dev/null)
  elapsed=$(( $(now_ms) - start ))
  echo "  whole run through the slow relay: $elapsed ms"
  assert_eq "$(printf '%s\n' 'NetServerGetInfo level 100 failed! Error 00000079' \
    'NetServerGetInfo level 101 failed! Error 00000079' \
    'NetServerGetInfo level 102 failed! Error 00000079' \
    'NetServerGetInfo level 503 failed! Error 00000079' \
    'Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 00000079' \
    'Remote access to the ADMIN$ share failed! Error 00000079' \
    'Unable to connect to the SCM! Error 00000079')" "$(remote_lines <<<"$out")" "remote lines"
  assert_between 40000 60000 "$elapsed" "whole run (ms)"
}

test_rpc_misaligned_answers_are_protocol_errors() {
  start_rpc_server
  # Values of odd length with their padding left out: the counts that
  # follow are read where NDR puts them and no longer agree.
  assert_scenario "$(printf '%s\n' 'NetServerGetInfo level 100 OK!' 'NetServerGetInfo level 101 OK!' \
    'NetServerGetInfo level 102 OK!' 'NetServerGetInfo level 503 OK!' \
    "$(value_failure_lines 000006C0)" \
    'Remote access to the ADMIN$ share OK!' 'Connection to the SCM is OK!')" \
    misaligned
}

test_rpc_lying_answers_are_protocol_errors() {
  start_rpc_server
  # Strings longer than their maximum, values longer than their data.
  assert_scenario "$(printf '%s\n' 'NetServerGetInfo level 100 failed! Error 000006C0' \
    'NetServerGetInfo level 101 failed! Error 000006C0' \
    'NetServerGetInfo level 102 failed! Error 000006C0' \
    'NetServerGetInfo level 503 failed! Error 000006C0' \
    "$(value_failure_lines 000006C0)" \
    'Remote access to the ADMIN$ share OK!' 'Connection to the SCM is OK!')" \
    lying
  # Another call's id, another packet type, a fragment shorter than its
  # header, a bind ack that ends inside its result.
  local scenario
  for scenario in lying-call-id lying-type lying-length bind-lying; do
    assert_scenario "$(rpc_failure_lines 000006C0)" $scenario
  done
  # A refused bind: "local limit exceeded" is RPC_S_SERVER_TOO_BUSY.
  assert_scenario "$(rpc_failure_lines 000006BB)" bind-nak
}

test_rpc_remote_text_cannot_forge_lines_or_drive_the_terminal() {
  # A CurrentVersion value with a line break, a forged result line and
  # escape sequences: one line, control characters shown as '?'.
  start_rpc_server
  assert_scenario "$(printf '%s\n' 'NetServerGetInfo level 100 OK!' 'NetServerGetInfo level 101 OK!' \
    'NetServerGetInfo level 102 OK!' 'NetServerGetInfo level 503 OK!' \
    'Remote access to the registry (HKEY_LOCAL_MACHINE) OK!' \
    'Successfully retrieved current version! 6.3?Remote access to the ADMIN$ share OK!?[2K?]0;owned?' \
    'Read access to the Winlogon key OK!' 'Full access to the Winlogon key OK!' \
    'Read access to the key "Control\ComputerName\ActiveComputerName" OK!' \
    'Read access to the key "TcpIp\Parameters" OK!' \
    'Remote access to the ADMIN$ share OK!' 'Connection to the SCM is OK!')" escapes
}

test_rpc_remote_text_cannot_forge_lines_with_unicode_separators() {
  # A line separator, a right-to-left override, a zero-width space and a
  # private-use character in the value: one '?' each, the report valid UTF-8.
  start_rpc_server
  rpc_scenario separators
  assert_eq 'Successfully retrieved current version! 6.3?Remote access to the ADMIN$ share OK!?!KO??' \
    "$(sed -n 6p "$WR_STATE/rpc-server/lines")" "version line"
  iconv -f UTF-8 -t UTF-8 "$WR_STATE/rpc-server/lines" >/dev/null
}
