# The report for programs: --json against the test network's hosts, checked
# against the schema and, check by check, against the text report of the
# same run conditions; --exit-status; remote text that tries to break out
# of its JSON string.

JSON_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SCHEMA=$JSON_DIR/../../docs/report.schema.json
FAULT_PEERS=$JSON_DIR/../faults
ADMIN_PASSWORD=${WR_ADMIN_PASSWORD:-Adm1n-pass}

# json_agrees USER HOST EXIT_STATUS: runs the text report and the JSON report
# as USER ("" for the guest) and compares them; --exit-status must give
# EXIT_STATUS and the text mode 0. Leaves the document in $WR_STATE/report.json.
json_agrees() {
  local user=$1 host=$2 status=$3 rc env=(env -u PASSWD -u PASSWD_FILE USER="${1:-nobody}")
  wr_cli "${env[@]}" timeout 60 "$WINREACH" "$host" </dev/null >"$WR_STATE/report.txt"
  assert_eq 0 $? "text mode's exit code ($host)"
  rc=0
  wr_cli "${env[@]}" timeout 60 "$WINREACH" --json --exit-status "$host" </dev/null \
    >"$WR_STATE/report.json" || rc=$?
  assert_eq "$status" "$rc" "--exit-status ($host, user '${user%%%*}')"
  /usr/bin/python3 "$JSON_DIR/json_report.py" "$SCHEMA" "$WR_STATE/report.txt" "$WR_STATE/report.json"
}

# A Python expression over the document d; c(ID) is the check ID's object.
json_value() {
  /usr/bin/python3 -c 'import json, sys
d = json.load(open(sys.argv[1]))
def c(check): return next(x for x in d["checks"] if x["check"] == check)
print(eval(sys.argv[2]))' "$WR_STATE/report.json" "$1"
}

test_json_agrees_with_the_text_for_guest_and_administrator() {
  json_agrees "" testhost 1
  assert_eq "('testhost', 'TESTHOST', 'testhost')" \
    "$(json_value '(d["target"], c("netbios")["detail"]["name"], c("resolve")["detail"]["host_name"])')"
  json_agrees "administrator%$ADMIN_PASSWORD" testhost 1
  assert_eq "('scm', True)" "$(json_value '(d["checks"][-1]["check"], d["checks"][-1]["ok"])')" "last check"
}

test_json_agrees_with_the_text_for_refusing_silent_and_unknown_hosts() {
  json_agrees "" refusing 1
  json_agrees "" silent 1
  json_agrees "" nowhere.wrtest.test 2
  assert_eq "[('resolve', False, 11001), ('ping', False, 11001)]" \
    "$(json_value '[(x["check"], x["ok"], x["code"]) for x in d["checks"][:2]]')" "first checks"
}

test_json_ping_tells_method_family_and_code() {
  # Open ICMP datagram sockets: the library ping, its IP status in decimal.
  trap 'wr_cli sysctl -qw net.ipv4.ping_group_range="1 0"' EXIT
  wr_cli sysctl -qw net.ipv4.ping_group_range="0 2147483647"
  json_agrees "" unreachable 1
  assert_eq "({'method': 'library', 'family': 'ipv4'}, 11003)" \
    "$(json_value '(c("ping")["detail"], c("ping")["code"])')" "ping"
  json_agrees "" testhost 1
  assert_eq "['family', 'method', 'round_trip_ms']" "$(json_value 'sorted(c("ping")["detail"])')" "ping"
}

test_explain_without_credentials_tells_the_verdict_and_explains_every_failed_check() {
  local env=(env -u PASSWD -u PASSWD_FILE USER=nobody) plain out lines
  plain=$(wr_cli "${env[@]}" timeout 60 "$WINREACH" testhost </dev/null)
  out=$(wr_cli "${env[@]}" timeout 60 "$WINREACH" --explain testhost </dev/null)
  # The report stays as it is; the section follows its last line.
  lines=$(wc -l <<<"$plain")
  assert_eq "$plain" "$(head -n "$lines" <<<"$out")" "report before the section"
  assert_eq "" "$(sed -n "$((lines + 1))p" <<<"$out")" "line after the report"
  sed -n "$((lines + 2))p" <<<"$out" |
    grep -q '^Verdict: reachable, but this account may not administer it'
  # The verdict, unfolded, says that no account was offered (the guest run).
  sed -n "$((lines + 2)),/^$/p" <<<"$out" | tr -s ' \n' ' ' |
    grep -q "the checks ran anonymously"

  # The same run as JSON: the schema accepts it, and every failed check,
  # and only those, carries an explanation.
  wr_cli "${env[@]}" timeout 60 "$WINREACH" --json --explain testhost </dev/null \
    >"$WR_STATE/report.json"
  /usr/bin/python3 -c 'import json, sys, jsonschema
jsonschema.validate(json.load(open(sys.argv[2])), json.load(open(sys.argv[1])))' \
    "$SCHEMA" "$WR_STATE/report.json"
  assert_eq "access_denied" "$(json_value 'd["verdict"]["kind"]')" "verdict"
  assert_eq "True" "$(json_value 'all((not x["ok"]) == ("explanation" in x) for x in d["checks"])')" \
    "explanations"
  assert_eq "True" "$(json_value 'c("server_info_503")["explanation"]["expected"]')" "level 503"
}

test_json_usage_error_and_nothing_else_on_standard_output() {
  local out err rc=0
  out=$(wr_cli timeout 10 "$WINREACH" --json </dev/null 2>"$WR_STATE/json-err") || rc=$?
  err=$(cat "$WR_STATE/json-err")
  assert_eq "" "$out" "standard output"
  assert_eq 64 "$rc" "exit code"
  grep -q -- '--json needs' <<<"$err"
}

test_json_remote_text_cannot_break_or_forge_the_document() {
  local rpc=10.77.7.47 nbstat=10.77.7.48 state=$WR_STATE/json-peers
  mkdir -p "$state"
  rm -f "$state/rpc_server.pid" "$state/nbstat.pid" "$state/scenario"
  trap "set +e; kill \$(cat '$state/rpc_server.pid' '$state/nbstat.pid' 2>/dev/null) 2>/dev/null
        ip -n '$REF' addr del $rpc/24 dev eth0 2>/dev/null; ip -n '$REF' addr del $nbstat/24 dev eth0 2>/dev/null" EXIT
  ip -n "$REF" addr add "$rpc/24" dev eth0
  ip -n "$REF" addr add "$nbstat/24" dev eth0
  ip netns exec "$REF" /usr/bin/python3 "$FAULT_PEERS/rpc_server.py" "$rpc" json "$state" \
    >"$state/rpc.log" 2>&1 &
  WR_STRANGER=10.77.7.2 ip netns exec "$REF" /usr/bin/python3 "$FAULT_PEERS/nbstat_responder.py" \
    "$nbstat" json "$state/nbstat.pid" 2>"$state/nbstat.log" &
  for _ in $(seq 100); do [ -s "$state/rpc_server.pid" ] && [ -s "$state/nbstat.pid" ] && break; sleep 0.1; done

  # The CurrentVersion value: quotes, backslashes, a line break, controls
  # and a forged check; the document keeps its one "scm" and the value whole.
  json_agrees "" "$rpc" 1
  assert_eq 1 "$(grep -o '"check":"scm"' "$WR_STATE/report.json" | wc -l)" "scm checks"
  assert_eq '6.3\"},{"check":"scm","ok":true,"code":null}]}?{"x":"??\u0000' \
    "$(json_value 'c("registry_current_version")["detail"]["value"]')" "CurrentVersion"
  # The NetBIOS name: a quote, a backslash and a control character.
  json_agrees "" "$nbstat" 1
  assert_eq '"},\"ok":?' "$(json_value 'c("netbios")["detail"]["name"]')" "NetBIOS name"
}
