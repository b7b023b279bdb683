# Faults in datagrams: a NetBIOS name service that answers wrongly, late or
# too much, and ICMP noise while the raw socket waits. Every test checks the
# exact report and a bounded time.

# The NetBIOS line(s): after the host name, before the ping's own lines.
netbios_lines() { sed -n '/^Host name: /,$p' | tail -n +2 | grep -E '^The (NCB|Ethernet|NetBIOS)'; }

# --- our own NetBIOS name service ---

NBSTAT_ADDRESS=10.77.7.45

# Runs the program against a responder playing SCENARIO; leaves the NetBIOS
# lines in $WR_STATE/nbstat-lines and the time to them (ms) in
# $WR_STATE/nbstat-ms.
nbstat_scenario() {
  local scenario=$1
  trap "set +e; kill \$(cat '$WR_STATE/nbstat.pid' 2>/dev/null) 2>/dev/null; remove_fault_address $NBSTAT_ADDRESS" EXIT
  add_fault_address "$NBSTAT_ADDRESS"
  rm -f "$WR_STATE/nbstat.pid"
  WR_STRANGER=10.77.7.2 ip netns exec "$REF" "$PY" "$FAULTS/nbstat_responder.py" \
    "$NBSTAT_ADDRESS" "$scenario" "$WR_STATE/nbstat.pid" 2>"$WR_STATE/nbstat-$scenario.log" &
  wait_for_file "$WR_STATE/nbstat.pid"
  ON_LINE_TIMES=$WR_STATE/nbstat-times wr_cli timeout 60 "$PY" "$FAULTS/on_line.py" - true -- \
    "$WINREACH" "$NBSTAT_ADDRESS" 2>/dev/null | netbios_lines >"$WR_STATE/nbstat-lines"
  kill "$(cat "$WR_STATE/nbstat.pid")" 2>/dev/null
  grep -m1 ' The \(NCB\|Ethernet\)' "$WR_STATE/nbstat-times" | cut -d' ' -f1 >"$WR_STATE/nbstat-ms"
  echo "  $scenario: NetBIOS lines after $(cat "$WR_STATE/nbstat-ms") ms"
}

# assert_nbstat EXPECTED SCENARIO LOW_MS HIGH_MS
assert_nbstat() {
  nbstat_scenario "$2"
  assert_eq "$1" "$(cat "$WR_STATE/nbstat-lines")" "NetBIOS lines ($2)"
  assert_between "$3" "$4" "$(cat "$WR_STATE/nbstat-ms")" "time to the NetBIOS lines (ms)"
}

test_nbstat_foreign_datagrams_are_ignored() {
  # Answers from another port and another address, with another id, a
  # request, a name query answer and an error answer come first: only the
  # right answer counts, at once.
  assert_nbstat 'The Ethernet Number is: 02-00-5e-00-53-01
The NetBIOS name is: GOODNAME' foreign 0 3000
}

test_nbstat_malformed_answers_are_ignored_until_the_time_out() {
  assert_nbstat 'The NCBASTAT return code is: 0x5 ' malformed 4300 7500
}

test_nbstat_answer_too_large_for_the_adapter_status() {
  # 255 names after a 60 000-byte datagram: NRC_INCOMP, at once.
  assert_nbstat 'The NCBASTAT return code is: 0x6 ' oversized 0 3000
}

test_nbstat_answer_to_the_third_try_counts() {
  assert_nbstat 'The Ethernet Number is: 02-00-5e-00-53-01
The NetBIOS name is: GOODNAME' late 2900 5500
}

test_nbstat_name_cannot_drive_the_terminal() {
  assert_nbstat 'The Ethernet Number is: 02-00-5e-00-53-01
The NetBIOS name is: ?[2J?EVIL!?' escapes 0 3000
}

test_nbstat_name_bytes_above_0x7f_are_read_in_the_code_page() {
  # Linux reads NetBIOS names as ISO 8859-1: 0x9B and 0x85 are C1 controls
  # and show as '?', 0xC9 is a letter; the report stays UTF-8.
  assert_nbstat 'The Ethernet Number is: 02-00-5e-00-53-01
The NetBIOS name is: ?2JÉTÉ?' high-bytes 0 3000
  iconv -f UTF-8 -t UTF-8 "$WR_STATE/nbstat-lines" >/dev/null
}

test_nbstat_flood_does_not_lengthen_the_wait() {
  assert_nbstat 'The NCBASTAT return code is: 0x5 ' flood 4300 7500
}

# --- ICMP noise while the raw socket waits ---

# Pings the silent host with the raw-socket method while the server sends
# COUNT foreign ICMP datagrams, one every INTERVAL ms, and then, with
# "reply", the echo reply the program waits for. Leaves the lines after the
# NetBIOS line up to the ping's verdict in $WR_STATE/noise-lines, and the
# verdict's delay after the NetBIOS line in $WR_STATE/noise-ms.
ping_with_noise() {
  local count=$1 interval=$2 reply=${3:-} action
  wr_cli sysctl -qw net.ipv4.ping_group_range="1 0"  # no ICMP datagram sockets: raw
  action="ip netns exec '$SRV' '$PY' '$FAULTS/icmp_noise.py' 10.77.0.1 10.77.9.9 $count $interval"
  [ "$reply" = reply ] && action="$action \$WR_PROGRAM_PID"
  ON_LINE_TIMES=$WR_STATE/noise-times wr_cli timeout 60 "$PY" "$FAULTS/on_line.py" \
    'The NCBASTAT return code is: 0x5 ' "$action >/dev/null 2>&1 &" -- "$WINREACH" 10.77.9.9 |
    sed -n '/^The NCBASTAT/,/^Ping OK!$\|^Unable to ping the computer!$/p' | tail -n +2 \
    >"$WR_STATE/noise-lines"
  awk '/ The NCBASTAT/ { s = $1 } / Ping OK!$| Unable to ping the computer!$/ { print $1 - s; exit }' \
    "$WR_STATE/noise-times" >"$WR_STATE/noise-ms"
}

test_icmp_noise_then_the_reply() {
  # Four foreign datagrams, each refused with one line in order of arrival,
  # then the reply with our identifier from the target: the ping succeeds.
  ping_with_noise 4 100 reply
  assert_eq 'Received packed does not match
Received packed does not match
Received packed does not match
Received packed does not match
Ping OK!' "$(cat "$WR_STATE/noise-lines")"
  assert_between 400 2000 "$(cat "$WR_STATE/noise-ms")" "time to the verdict (ms)"
}

test_icmp_noise_stream_does_not_lengthen_the_wait() {
  # A datagram every 20 ms for 2 s: the wait still ends one second after
  # the request went out, and only the first ten datagrams are told.
  local out lines
  ping_with_noise 100 20
  out=$(cat "$WR_STATE/noise-lines")
  lines=$(grep -c '^Received packed does not match$' <<<"$out" || true)
  assert_eq 'Unable to ping the computer!' "$(grep -v '^Received packed does not match$' <<<"$out")"
  echo "  $lines foreign datagrams refused; verdict after $(cat "$WR_STATE/noise-ms") ms"
  assert_eq 10 "$lines" "foreign datagrams told"
  assert_between 900 2000 "$(cat "$WR_STATE/noise-ms")" "time to the verdict (ms)"
}
