# The program under the real monitoring systems: Nagios runs it as an
# active service check against the test host (as administrator), a silent
# host and a name that does not resolve, and records the state and the
# performance data it parsed; promtool accepts its Prometheus file and the
# node exporter's textfile collector serves it. Each program runs in the
# client namespace from a directory of its own, and is stopped by its pid.

MON_ADMIN=administrator%${WR_ADMIN_PASSWORD:-Adm1n-pass}

# Stops the pids given and waits for them (the processes this test started).
mon_stop() {
  local pid
  for pid in "$@"; do
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
}

# A Nagios of its own in $1: three services, each checked once at start
# (no check period: at any time), and no notifications.
mon_nagios_config() {
  local d=$1 host
  mkdir -p "$d/checkresults"
  cat >"$d/nagios.cfg" <<CFG
log_file=$d/nagios.log
cfg_file=$d/objects.cfg
object_cache_file=$d/objects.cache
precached_object_file=$d/objects.precache
resource_file=$d/resource.cfg
status_file=$d/status.dat
status_update_interval=1
temp_file=$d/nagios.tmp
temp_path=$d
lock_file=$d/nagios.lock
state_retention_file=$d/retention.dat
retain_state_information=0
command_file=$d/nagios.cmd
query_socket=$d/nagios.qh
check_result_path=$d/checkresults
check_result_reaper_frequency=1
nagios_user=root
nagios_group=root
interval_length=1
service_inter_check_delay_method=n
max_service_check_spread=1
execute_host_checks=0
enable_notifications=0
enable_flap_detection=0
use_syslog=0
log_rotation_method=n
service_check_timeout=50
CFG
  : >"$d/resource.cfg"
  cat >"$d/objects.cfg" <<CFG
define command {
  command_name  check_winreach
  command_line  /usr/bin/env USER=$MON_ADMIN $WINREACH --nagios \$ARG1\$
}
define command {
  command_name  notify_nobody
  command_line  /bin/true
}
define contact {
  contact_name                   nobody
  host_notifications_enabled     0
  service_notifications_enabled  0
  host_notification_options      n
  service_notification_options   n
  host_notification_commands     notify_nobody
  service_notification_commands  notify_nobody
}
CFG
  for host in testhost silent no-such-host; do
    cat >>"$d/objects.cfg" <<CFG
define host {
  host_name              $host
  address                $host
  max_check_attempts     1
  active_checks_enabled  0
  contacts               nobody
}
define service {
  host_name            $host
  service_description  winreach
  check_command        check_winreach!$host
  max_check_attempts   1
  check_interval       3600
  retry_interval       3600
  contacts             nobody
}
CFG
  done
}

# "host state output|perfdata" for each service Nagios has checked, from
# its status file (nothing before Nagios has written one).
mon_nagios_states() {
  [ -s "$1/status.dat" ] || return 0
  awk -F= '
    /^servicestatus \{/ { in_service = 1; host = ""; checked = 0; next }
    in_service && /^\t}/ { if (checked) print host, state, output "|" perf; in_service = 0; next }
    in_service { key = $1; sub(/^\t/, "", key); value = substr($0, index($0, "=") + 1)
      if (key == "host_name") host = value
      if (key == "has_been_checked") checked = value + 0
      if (key == "current_state") state = value
      if (key == "plugin_output") output = value
      if (key == "performance_data") perf = value }
  ' "$1/status.dat" | sort
}

test_monitoring_nagios_runs_the_plugin_and_reads_state_and_performance_data() {
  local d=$WR_STATE/nagios pid states
  rm -rf "$d"
  mon_nagios_config "$d"
  # Started here rather than through wr_cli, so that $! is its pid.
  ip netns exec "$CLI" /usr/sbin/nagios4 "$d/nagios.cfg" >"$d/nagios.out" 2>&1 &
  pid=$!
  trap "mon_stop $pid" EXIT
  for _ in $(seq 300); do
    states=$(mon_nagios_states "$d")
    [ "$(wc -l <<<"$states")" = 3 ] && [ -n "$states" ] && break
    sleep 0.1
  done
  mon_stop "$pid"
  trap - EXIT
  # Times vary; everything else is what Nagios must have parsed. The test
  # host is WARNING to its administrator: Samba refuses the 64-bit registry
  # view that three keys are read in.
  local remote="server_info_100=Xs;;;0 server_info_101=Xs;;;0 server_info_102=Xs;;;0 server_info_503=Xs;;;0 registry=Xs;;;0"
  assert_eq "no-such-host 2 WINREACH CRITICAL - no-such-host: the name did not resolve, so no check reached a computer|time=Xs;;;0 resolve=Xs;;;0 ping=Xs;;;0 $remote admin_share=Xs;;;0 scm=Xs;;;0 failed=9;;;0
silent 2 WINREACH CRITICAL - silent: no SMB server answered on ports 445 or 139, and the computer does not answer ping: it is off, unreachable from here, or a firewall drops everything|time=Xs;;;0 resolve=Xs;;;0 netbios=Xs;;;0 ping=Xs;;;0 $remote admin_share=Xs;;;0 scm=Xs;;;0 failed=9;;;0
testhost 1 WINREACH WARNING - testhost: reachable, but remote administration fails in part (3 registry keys: access denied)|time=Xs;;;0 resolve=Xs;;;0 netbios=Xs;;;0 ping=Xs;;;0 $remote registry_current_version=Xs;;;0 registry_winlogon_read=Xs;;;0 registry_winlogon_full=Xs;;;0 registry_computer_name=Xs;;;0 registry_tcpip=Xs;;;0 admin_share=Xs;;;0 scm=Xs;;;0 failed=4;;;0" \
    "$(sed -E 's/=[0-9]+\.[0-9]{3}s;/=Xs;/g' <<<"$states")" "states Nagios recorded"
  # The silent host's time is its deadlines' (NetBIOS, the SMB connection
  # and the echo wait together), as Nagios read it.
  assert_between 4 12 "$(grep -o '^silent .*|time=[0-9]*' <<<"$states" | grep -o '[0-9]*$')" "silent host's time (s)"
}

test_monitoring_prometheus_file_passes_promtool_and_the_node_exporter_serves_it() {
  local d=$WR_STATE/prometheus pid port=19100 metrics
  rm -rf "$d"
  mkdir -p "$d/textfile"
  wr_cli env USER="$MON_ADMIN" timeout 60 "$WINREACH" --prometheus "$d/textfile/winreach.prom" \
    testhost silent no-such-host </dev/null >"$d/out" 2>"$d/err"
  grep -q '^3 computers: ' "$d/out"
  assert_eq "" "$(cat "$d/err")" "standard error"
  promtool check metrics <"$d/textfile/winreach.prom"
  ip netns exec "$CLI" prometheus-node-exporter --collector.disable-defaults --collector.textfile \
    --collector.textfile.directory="$d/textfile" --web.listen-address="127.0.0.1:$port" \
    >"$d/exporter.log" 2>&1 &
  pid=$!
  trap "mon_stop $pid" EXIT
  for _ in $(seq 100); do
    metrics=$(wr_cli curl -sf "http://127.0.0.1:$port/metrics") && break
    sleep 0.1
  done
  mon_stop "$pid"
  trap - EXIT
  metrics=$(grep '^winreach_' <<<"$metrics")
  assert_contains "$metrics" 'winreach_verdict_info{target="no-such-host",verdict="unresolved"} 1'
  assert_contains "$metrics" 'winreach_verdict_info{target="silent",verdict="no_answer"} 1'
  assert_contains "$metrics" "winreach_verdict_info{target=\"testhost\",verdict=\"partly\"} 1"
  assert_contains "$metrics" 'winreach_check_status_code{check="resolve",target="no-such-host"} 11001'
  assert_contains "$metrics" 'winreach_check_success{check="scm",target="testhost"} 1'
  assert_contains "$metrics" 'winreach_check_success{check="scm",target="silent"} 0'
  grep -q '^winreach_last_run_timestamp_seconds [0-9.e+]*$' <<<"$metrics"
  # The collector read the file without an error.
  refute_match "$(cat "$d/exporter.log")" 'level=error'
}

# A reader that opens the file while runs replace it again and again sees
# a whole file each time, and no temporary file is left behind.
test_monitoring_prometheus_file_is_never_seen_half_written() {
  local d=$WR_STATE/prometheus-replace writer reads=0 bad=0 text
  rm -rf "$d"
  mkdir -p "$d"
  (
    for _ in $(seq 30); do
      wr_cli "$WINREACH" --prometheus "$d/winreach.prom" no-such-host no-such-host-2 \
        </dev/null >/dev/null 2>&1
    done
  ) &
  writer=$!
  trap "mon_stop $writer" EXIT
  while kill -0 "$writer" 2>/dev/null; do
    text=$(cat "$d/winreach.prom" 2>/dev/null) || continue
    reads=$((reads + 1))
    grep -q '^winreach_last_run_timestamp_seconds ' <<<"$(tail -n 1 <<<"$text")" || bad=$((bad + 1))
  done
  trap - EXIT
  echo "  $reads reads"
  assert_between 1 100000 "$reads" "reads"
  assert_eq 0 "$bad" "reads of a partial file"
  assert_eq "winreach.prom" "$(ls -A "$d")" "files in the directory"
}

test_monitoring_nagios_usage_error_is_unknown() {
  local out rc
  out=$(winreach_cli --nagios --jobs 0 testhost 2>/dev/null) && rc=0 || rc=$?
  assert_eq 3 "$rc" "exit status"
  assert_eq "WINREACH UNKNOWN - --jobs takes a number from 1 to 4096, not 0" "$out"
}
