# Bad input to the program itself: names of every awkward length, format
# directives, separators, quotes, control characters, letters beyond ASCII,
# bytes that are no UTF-8, and the end of input at the prompt. Every run ends
# with exit code 0 and its full report (or the refusal of an over-long name),
# and sends nothing that the name did not ask for. Under the sanitizer build
# (WINREACH=build-asan/winreach) the same runs also prove that no buffer is
# overrun.

# A name of N copies of the letter a.
name_of() { head -c "$1" /dev/zero | tr '\0' a; }

# Starts capturing what the client namespace sends on interface $1 (packets
# that arrive from elsewhere, such as the test host's own broadcasts, are
# left out; on loopback, where everything arrives, pass "inout" as $3), with
# filter $2, into $WR_STATE/bad-input.pcap; stop_capture stops it (by pid)
# and prints the packets one per line.
start_capture() {
  rm -f "$WR_STATE/bad-input.pcap" "$WR_STATE/bad-input-tcpdump.log"
  ip netns exec "$CLI" tcpdump --immediate-mode -Q "${3:-out}" -i "$1" -n -U \
    -w "$WR_STATE/bad-input.pcap" "$2" \
    >"$WR_STATE/bad-input-tcpdump.log" 2>&1 &
  CAPTURE_PID=$!
  trap "set +e; kill $CAPTURE_PID 2>/dev/null" EXIT
  # A capture that never started would see nothing, and "nothing sent"
  # would pass unproved.
  for _ in $(seq 100); do
    grep -qs 'listening on' "$WR_STATE/bad-input-tcpdump.log" && return 0
    sleep 0.1
  done
  echo "  tcpdump did not start listening"
  return 1
}
stop_capture() {
  sleep 0.3
  kill "$CAPTURE_PID" 2>/dev/null
  wait "$CAPTURE_PID" 2>/dev/null
  tcpdump -r "$WR_STATE/bad-input.pcap" -n 2>/dev/null || true
}

# Runs the program with NAME as its argument; leaves standard output,
# standard error and the exit code in $WR_STATE/bad-input.{out,err,rc}.
run_with_name() {
  local rc=0
  wr_cli timeout 60 "$WINREACH" "$1" </dev/null >"$WR_STATE/bad-input.out" \
    2>"$WR_STATE/bad-input.err" || rc=$?
  echo "$rc" >"$WR_STATE/bad-input.rc"
}

# The last seven lines of a report whose name resolves nowhere. The share's
# code is 53 (no such network path), or with SHARE_CODE another: 161 (a bad
# path name) when the path names no server at all.
unresolved_tail() {
  printf '%s\n' 'NetServerGetInfo level 100 failed! Error 00000035' \
    'NetServerGetInfo level 101 failed! Error 00000035' \
    'NetServerGetInfo level 102 failed! Error 00000035' \
    'NetServerGetInfo level 503 failed! Error 00000035' \
    'Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 00000035' \
    "Remote access to the ADMIN\$ share failed! Error ${1:-00000035}" \
    'Unable to connect to the SCM! Error 000006BA'
}
UNRESOLVED_TAIL=$(unresolved_tail)

# Asserts a whole run for a name that does not resolve: exit code 0, nothing
# on standard error, the banner with the name, the ping's verdict and the
# four remote areas' failure lines.
assert_unresolved_run() {
  local label=$1 share_code=${2:-00000035} out
  out=$(cat "$WR_STATE/bad-input.out")
  assert_eq 0 "$(cat "$WR_STATE/bad-input.rc")" "exit code ($label)"
  assert_eq "" "$(cat "$WR_STATE/bad-input.err")" "standard error ($label)"
  grep -q '^Testing network connectivity to the remote computer ' <<<"$out" ||
    { echo "  no banner ($label)"; return 1; }
  grep -q '^Name resolution problem! Error code: 00002AF[9B]$' <<<"$out" ||
    { echo "  no resolution failure line ($label)"; return 1; }
  assert_contains "$out" 'Unable to ping the computer!' "output ($label)"
  assert_eq "$(unresolved_tail "$share_code")" "$(tail -n 7 <<<"$out")" "remote lines ($label)"
}

assert_usage_error() {
  local label=$1
  assert_eq 64 "$(cat "$WR_STATE/bad-input.rc")" "exit code ($label)"
  assert_eq "" "$(cat "$WR_STATE/bad-input.out")" "standard output ($label)"
  grep -q '^winreach: unknown option ' "$WR_STATE/bad-input.err" ||
    { echo "  no usage error ($label)"; return 1; }
}

test_awkward_names_run_to_the_end_and_send_nothing_out() {
  # Nothing leaves the client namespace: the only packets are the look-ups
  # that our resolver on loopback refuses.
  local name label packets labels=() names=()
  local dotted253
  dotted253="$(name_of 63).$(name_of 63).$(name_of 63).$(name_of 61)"
  names+=("" a "$(name_of 253)" "$dotted253" '%n%n%n%n%s%s%s%s%x%p' '%S%ls%08X'
    'a\b' '\\a\b' '..\..' 'a/b' 'te"st' "it's" '`id`' '$(id)' "$(printf 'a\tb')"
    "$(printf 'a\nb')" "$(printf '\033[2J\033]0;title\007x')" "$(printf 'a\001\002\177b')"
    'tëst' 'ДОМ' '名前' "$(printf '\xff\xfe\xc3')" '-x' '--' 'a b')
  labels+=(empty 1 253 "253 dotted" "%n %s" "%S %ls" backslash "leading backslashes" dots
    slash "double quote" "single quote" backquotes "command substitution" tab newline escapes
    controls "e with diaeresis" cyrillic "cjk" "no UTF-8" dash "double dash" space)
  wr_cli sysctl -qw net.ipv4.ping_group_range="1 0"
  start_capture eth0 'tcp or udp or icmp or (icmp6 and ip6[40] == 128)'
  for i in "${!names[@]}"; do
    run_with_name "${names[$i]}"
    case ${labels[$i]} in
      empty | "leading backslashes") assert_unresolved_run "${labels[$i]}" 000000A1 ;;
      # No computer name starts with '-': a usage error, nothing run.
      dash | "double dash") assert_usage_error "${labels[$i]}" ;;
      *) assert_unresolved_run "${labels[$i]}" ;;
    esac
  done
  # The capture does see what goes out: one echo request of our own.
  wr_cli ping -c 1 -W 1 10.77.0.2 >/dev/null
  packets=$(stop_capture)
  assert_eq 1 "$(grep -c 'IP 10.77.0.1 > 10.77.0.2: ICMP echo request' <<<"$packets")" "own ping"
  assert_eq "" "$(grep -v 'IP 10.77.0.[12] > 10.77.0.[12]: ICMP echo re' <<<"$packets")" \
    "packets leaving the client namespace"
}

test_names_cut_nowhere_up_to_253_characters() {
  # The resolver is asked for the whole 253-character name, not a cut one.
  local name queries
  name="$(name_of 63).$(name_of 63).$(name_of 63).$(name_of 61)"
  start_capture lo 'udp dst port 53' inout
  run_with_name "$name"
  queries=$(stop_capture)
  assert_unresolved_run "253 dotted"
  [ -n "$queries" ] || { echo "  the name was never looked up"; return 1; }
  if grep -v -F " $name. " <<<"$queries"; then
    echo "  a look-up for another name than the one given"; return 1
  fi
  assert_contains "$(cat "$WR_STATE/bad-input.out")" \
    "Testing network connectivity to the remote computer $(tr a A <<<"$name")"
}

test_over_long_names_are_refused_before_anything_is_sent() {
  local length packets
  # What a run could send; the kernel's own IPv6 neighbour and router
  # messages on any interface are not the program's.
  start_capture any 'tcp or udp or icmp or (icmp6 and ip6[40] == 128)'
  for length in 254 255 256 10000; do
    run_with_name "$(name_of "$length")"
    assert_eq 0 "$(cat "$WR_STATE/bad-input.rc")" "exit code ($length)"
    assert_eq "" "$(cat "$WR_STATE/bad-input.out")" "standard output ($length)"
    assert_eq "winreach: the name is $length characters long; a computer name has at most 253 characters" \
      "$(cat "$WR_STATE/bad-input.err")" "standard error ($length)"
  done
  # Counted in characters, not bytes: 254 two-byte letters are refused, 253 are not.
  run_with_name "$(printf 'ë%.0s' $(seq 254))"
  assert_eq "winreach: the name is 254 characters long; a computer name has at most 253 characters" \
    "$(cat "$WR_STATE/bad-input.err")" "standard error (254 two-byte letters)"
  packets=$(stop_capture)
  assert_eq "" "$packets" "packets sent, on any interface"
  run_with_name "$(printf 'ë%.0s' $(seq 253))"
  assert_unresolved_run "253 two-byte letters"
}

test_prompt_end_of_input_and_awkward_words() {
  local out err rc
  # End of input at once: the checks run with an empty name.
  out=$(wr_cli timeout 60 "$WINREACH" </dev/null 2>"$WR_STATE/bad-input.err") || true
  assert_eq "Remote computer name:" "$(head -n 1 <<<"$out")"
  assert_eq "$(unresolved_tail 000000A1)" "$(tail -n 8 <<<"$out" | head -n 7)" \
    "remote lines (end of input)"
  assert_eq "Press any key to continue" "$(tail -n 1 <<<"$out")"
  # Only blanks, then the end.
  out=$(printf ' \t\n\n  ' | wr_cli timeout 60 "$WINREACH" 2>/dev/null)
  assert_contains "$out" "Testing network connectivity to the remote computer "
  # A 10 000-character word, no newline: refused, then the pause.
  rc=0
  out=$(name_of 10000 | wr_cli timeout 60 "$WINREACH" 2>"$WR_STATE/bad-input.err") || rc=$?
  assert_eq 0 "$rc" "exit code (10 000 characters typed)"
  assert_eq "Remote computer name:Press any key to continue" "$out" "standard output (10 000 typed)"
  assert_eq "winreach: the name is 10000 characters long; a computer name has at most 253 characters" \
    "$(cat "$WR_STATE/bad-input.err")"
  # A typed word longer than anything we keep: counted up to a bound, never
  # stored. From a file: the program stops reading, and a pipe would end its
  # writer with SIGPIPE.
  rc=0
  head -c 3000000 /dev/zero | tr '\0' a >"$WR_STATE/bad-input.word"
  out=$(wr_cli timeout 60 "$WINREACH" <"$WR_STATE/bad-input.word" 2>"$WR_STATE/bad-input.err") || rc=$?
  assert_eq 0 "$rc" "exit code (3 MB typed)"
  grep -q '^winreach: the name is [0-9]* characters long; a computer name has at most 253 characters$' \
    "$WR_STATE/bad-input.err" || { echo "  no refusal for 3 MB typed"; return 1; }
  # Format directives and control characters typed at the prompt.
  out=$(printf '%%n%%s\001\033[0m\n' | wr_cli timeout 60 "$WINREACH" 2>/dev/null)
  assert_eq "$UNRESOLVED_TAIL" "$(tail -n 8 <<<"$out" | head -n 7)" "remote lines (typed %n%s)"
}
