# NetBIOS adapter status: the node status query from the client namespace to
# nmbd on the test host, to a silent host, to a closed port, and without a
# usable interface.

# Runs the program in the client namespace and prints each output line after
# the milliseconds that had passed since the start when it came.
timed_run() {
  local start line
  start=$(now_ms)
  winreach_cli "$@" | while IFS= read -r line; do
    echo "$(( $(now_ms) - start )) $line"
  done
}

# The time stamp of the line that reads exactly TEXT in timed_run output.
stamp_of() { awk -v text="$2" '{ t = $1; sub(/^[0-9]+ /, "") } $0 == text { print t; exit }' <<<"$1"; }
without_stamps() { sed -E 's/^[0-9]+ //' <<<"$1"; }

test_netbios_test_host_gives_mac_and_name_at_once() {
  local out
  out=$(timed_run testhost)
  assert_eq "IP address: 10.77.0.2
Host name: testhost
The Ethernet Number is: 00-00-00-00-00-00
The NetBIOS name is: TESTHOST
Ping OK!" "$(without_stamps "$out" | sed -n 6,10p)"
  # Samba answers in milliseconds; the bound leaves room for a busy machine.
  assert_between 0 3000 "$(stamp_of "$out" "The NetBIOS name is: TESTHOST")" "time to the name line"
}

test_netbios_silent_host_times_out_after_three_tries() {
  local out pcap=$WR_STATE/netbios-silent.pcap log=$WR_STATE/netbios-tcpdump.log pid stamps
  # Watch the requests arrive at the server, which drops them.
  wr_srv tcpdump -i eth0 -n -U -w "$pcap" 'udp and dst host 10.77.9.9 and dst port 137' \
    >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 50); do grep -q 'listening on' "$log" && break; sleep 0.1; done
  out=$(timed_run silent)
  sleep 0.2
  kill "$pid"; wait "$pid" 2>/dev/null || true

  assert_contains "$(without_stamps "$out")" "The NCBASTAT return code is: 0x5 "
  if grep -q 'Ethernet Number\|NetBIOS name' <<<"$out"; then
    echo "  a status line after the failed query"; return 1
  fi
  assert_between 4400 6500 "$(stamp_of "$out" "The NCBASTAT return code is: 0x5 ")" \
    "time to the status line"

  # Three requests, 1.5 s apart, one transaction id.
  stamps=$(tcpdump -r "$pcap" -n -tt 2>/dev/null | awk '{ print $1 }')
  assert_eq 3 "$(wc -l <<<"$stamps")" "requests sent"
  local gaps
  gaps=$(awk 'NR > 1 { printf "%d\n", ($1 - last) * 1000 } { last = $1 }' <<<"$stamps")
  for gap in $gaps; do assert_between 1450 1800 "$gap" "gap between tries (ms)"; done
  assert_eq 1 "$(tcpdump -r "$pcap" -n -x 2>/dev/null | awk '$1 == "0x0010:" { print $8 }' | sort -u | wc -l)" \
    "distinct transaction ids"
}

test_netbios_closed_port_ends_the_wait_at_once() {
  # The refusing host, where nothing listens, answers with ICMP port
  # unreachable; so does the client's own address.
  local out target
  for target in refusing 10.77.0.1; do
    out=$(timed_run "$target")
    assert_contains "$(without_stamps "$out")" "The NCBASTAT return code is: 0x5 " "$target"
    assert_between 0 3000 "$(stamp_of "$out" "The NCBASTAT return code is: 0x5 ")" \
      "time to the status line ($target)"
  done
}

test_netbios_without_usable_interface_reset_fails_with_0x23() {
  # A namespace of its own whose only interface besides loopback is a veth
  # with an IPv4 address, first down, then up without carrier, then running.
  local ns=wr-nb$sfx out
  ip netns del "$ns" 2>/dev/null || true
  ip netns add "$ns"
  trap "ip netns del '$ns' 2>/dev/null; rm -rf '/etc/netns/$ns'" EXIT
  mkdir -p "/etc/netns/$ns"
  echo "nameserver 127.0.0.1" >"/etc/netns/$ns/resolv.conf"
  ip -n "$ns" link set lo up
  ip -n "$ns" link add nb0 type veth peer name nb1
  ip -n "$ns" addr add 10.77.7.1/24 dev nb0
  ip -n "$ns" addr add 10.77.7.2/24 dev nb1
  run_in_ns() { ip netns exec "$ns" timeout 60 "$WINREACH" "$@" </dev/null; }

  out=$(run_in_ns 10.77.7.2)
  assert_eq "IP address: 10.77.7.2
Host name: 10.77.7.2
The NCBRESET return code is: 0x23 " "$(sed -n 6,8p <<<"$out")" "veth down"

  ip -n "$ns" link set nb0 up
  out=$(run_in_ns 10.77.7.2)
  assert_contains "$out" "The NCBRESET return code is: 0x23 " "veth up without carrier"

  # Running: the LANA is usable, and the query goes out (to a closed port).
  ip -n "$ns" link set nb1 up
  for _ in $(seq 50); do
    ip -n "$ns" link show nb0 | grep -F 'LOWER_UP' >/dev/null && break
    sleep 0.1
  done
  out=$(run_in_ns 10.77.7.2)
  assert_contains "$out" "The NCBASTAT return code is: 0x5 " "veth running"
}
