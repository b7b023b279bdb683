# Runs of many computers: 170 names of the test network (120 of the test
# host, 20 silent, 20 refusing, 10 unknown) at once, each record the same as
# a single run's; a run killed half way and resumed; a run stopped with
# SIGTERM.

FLEET_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The 170 names, in the order a list would give them: the slow ones among
# the quick ones.
fleet_names() {
  local i
  for i in $(seq -w 1 120); do echo "fleet-ok-$i"; done
  for i in $(seq -w 1 20); do echo "fleet-silent-$i"; echo "fleet-refusing-$i"; done
  for i in $(seq -w 1 10); do echo "fleet-unknown-$i"; done
}

fleet_list() {
  # Duplicates in another case and comments are checked once / skipped.
  { echo "# the test network's computers"; fleet_names; echo; echo FLEET-OK-001; } \
    >"$WR_STATE/fleet.list"
}

test_fleet_of_170_gives_each_computer_the_record_of_its_single_run() {
  fleet_list
  wr_cli timeout 120 "$WINREACH" --json --jobs 32 --targets "$WR_STATE/fleet.list" </dev/null \
    >"$WR_STATE/fleet.jsonl" 2>"$WR_STATE/fleet.err"
  assert_eq 170 "$(wc -l <"$WR_STATE/fleet.jsonl")" "records"
  assert_eq "" "$(cat "$WR_STATE/fleet.err")" "standard error"
  fleet_names | wr_cli timeout 120 xargs -P 32 -n 1 "$WINREACH" --json \
    >"$WR_STATE/single.jsonl" 2>/dev/null || true
  /usr/bin/python3 "$FLEET_DIR/fleet_records.py" compare "$WR_STATE/fleet.jsonl" \
    "$WR_STATE/single.jsonl"
}

test_fleet_text_lines_and_summary() {
  fleet_list
  local out
  out=$(wr_cli timeout 120 "$WINREACH" --jobs 32 --exit-status --targets - \
    <"$WR_STATE/fleet.list") && rc=0 || rc=$?
  assert_eq 2 "$rc" "--exit-status: the worst computer's"
  assert_eq 170 "$(grep -c '^fleet-' <<<"$out")" "computer lines"
  assert_contains "$out" "170 computers: 120 access_denied, 20 no_answer, 20 no_smb_server, 10 unresolved"
  assert_contains "$out" "fleet-unknown-01         -               the name did not resolve, so no check reached a computer"
}

test_fleet_killed_half_way_resumes_with_exactly_the_missing_computers() {
  fleet_list
  local records=$WR_STATE/fleet-resume.jsonl pid before
  rm -f "$records"
  ip netns exec "$CLI" "$WINREACH" --jobs 32 --resume "$records" --targets "$WR_STATE/fleet.list" \
    </dev/null >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 200); do
    [ "$(wc -l 2>/dev/null <"$records" || echo 0)" -ge 85 ] && break
    sleep 0.05
  done
  kill -9 "$pid"
  wait "$pid" 2>/dev/null || true
  before=$(/usr/bin/python3 "$FLEET_DIR/fleet_records.py" targets "$records" | sort)
  assert_between 85 169 "$(wc -l <<<"$before")" "records before the kill"
  wr_cli timeout 120 "$WINREACH" --json --jobs 32 --resume "$records" \
    --targets "$WR_STATE/fleet.list" </dev/null >"$WR_STATE/fleet-second.jsonl"
  # The second run checked what the first had not, and nothing twice.
  assert_eq "$(comm -23 <(fleet_names | sort) <(printf '%s\n' "$before"))" \
    "$(/usr/bin/python3 "$FLEET_DIR/fleet_records.py" targets "$WR_STATE/fleet-second.jsonl" | sort)" \
    "computers of the second run"
  assert_eq "$(fleet_names | sort)" \
    "$(/usr/bin/python3 "$FLEET_DIR/fleet_records.py" targets "$records" | sort)" \
    "computers in the record file"
  assert_eq 170 "$(wc -l <"$records")" "whole lines in the record file"
}

test_fleet_stopped_by_sigterm_starts_nothing_more_and_writes_whole_records() {
  fleet_list
  local pid started stopped
  ip netns exec "$CLI" "$WINREACH" --json --jobs 8 --targets "$WR_STATE/fleet.list" </dev/null \
    >"$WR_STATE/fleet-stop.jsonl" 2>"$WR_STATE/fleet-stop.err" &
  pid=$!
  sleep 1
  started=$(now_ms)
  kill -TERM "$pid"
  wait "$pid" || true
  stopped=$(now_ms)
  # The running computers finish within their deadlines (a silent one's
  # is about eleven seconds); no new one starts.
  assert_between 0 12000 $((stopped - started)) "time to stop"
  assert_between 1 169 "$(wc -l <"$WR_STATE/fleet-stop.jsonl")" "records"
  /usr/bin/python3 -c 'import json, sys
for line in open(sys.argv[1]): json.loads(line)' "$WR_STATE/fleet-stop.jsonl"
  grep -q "^winreach: stopped after" "$WR_STATE/fleet-stop.err"
}

test_many_runs_at_once_find_the_rpc_services_of_a_samba_that_starts_them_on_demand() {
  # A Samba just started has not started its RPC services (samba-dcerpcd):
  # the first pipe opened starts them. Thirty-two runs at once, each opening
  # all three pipes together before that, once stalled it for more than ten
  # seconds and every remote check failed with 53.
  local address=10.77.7.70
  trap "set +e; '$TESTNET_DIR/samba-down' cold" EXIT
  "$TESTNET_DIR/samba-up" cold "$address" >/dev/null 2>&1
  seq 32 | wr_cli timeout 60 xargs -P 32 -I{} "$WINREACH" --json "$address" \
    >"$WR_STATE/cold.jsonl" 2>/dev/null || true
  assert_eq "32 32 32" "$(/usr/bin/python3 -c '
import json, sys
records = [json.loads(line) for line in sys.stdin]
passed = lambda name: sum(c["ok"] for r in records for c in r["checks"] if c["check"] == name)
print(len(records), passed("server_info_100"), passed("registry"))' <"$WR_STATE/cold.jsonl")" \
    "runs, and of them those whose server information and registry answered"
}
