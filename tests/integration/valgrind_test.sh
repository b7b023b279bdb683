# Whole runs under valgrind's memcheck: no invalid read or write, no use of
# an uninitialised value, no memory lost, and no descriptor of the program's
# own left open at exit. A sanitizer build cannot run under valgrind:
# there, the sanitizers themselves check the same runs.

# False, with a note, for the sanitizer build.
memcheck_possible() {
  if sanitized; then
    echo "  skipped under the sanitizer build: the sanitizers check the same runs"
    return 1
  fi
}

# Runs COMMAND with no descriptor open but standard input, output and error:
# valgrind from 3.24 on counts every other descriptor open at exit as an
# error, those its parent left open too.
with_standard_descriptors_only() {
  (
    for fd in /proc/$BASHPID/fd/*; do
      fd=${fd##*/}
      if [ "$fd" -gt 2 ]; then eval "exec $fd>&-"; fi
    done
    "$@"
  )
}

# memcheck_run LABEL [VAR=VALUE...] -- ARGS: runs the program under memcheck
# in the client namespace; leaves its output in $WR_STATE/memcheck.out and
# fails on any error, leak or descriptor left open.
memcheck_run() {
  local label=$1 log=$WR_STATE/memcheck.log rc=0 env=()
  shift
  while [ "$1" != -- ]; do env+=("$1"); shift; done
  shift
  command -v valgrind >/dev/null || { echo "  valgrind is missing (scripts/setup)"; return 1; }
  with_standard_descriptors_only wr_cli env "${env[@]}" timeout 300 valgrind --quiet \
    --leak-check=full --errors-for-leak-kinds=definite,indirect --error-exitcode=99 \
    --track-fds=yes --log-file="$log" "$WINREACH" "$@" </dev/null >"$WR_STATE/memcheck.out" || rc=$?
  if [ "$rc" != 0 ]; then
    echo "  memcheck found errors in the run against $label (exit $rc):"
    sed 's/^/    /' "$log" | head -60
    return 1
  fi
  # Every descriptor open at exit was inherited (standard ones), none is the
  # program's own.
  local own
  own=$(awk '/Open (file descriptor|AF_)/ { fd = $0; getline; if ($0 !~ /inherited from parent/) print fd }' "$log")
  if [ -n "$own" ]; then
    echo "  descriptors left open by the run against $label:"
    sed 's/^/    /' <<<"$own"
    return 1
  fi
}

test_memcheck_run_against_the_test_host_as_guest() {
  memcheck_possible || return 0
  memcheck_run testhost -- testhost
  assert_contains "$(cat "$WR_STATE/memcheck.out")" "NetServerGetInfo level 100 OK!"
}

test_memcheck_run_against_the_test_host_as_administrator() {
  memcheck_possible || return 0
  # Every check passes that Samba lets pass: files, keys and handles are
  # opened and closed.
  memcheck_run "testhost as administrator" "USER=administrator%${WR_ADMIN_PASSWORD:-Adm1n-pass}" -- testhost
  assert_contains "$(cat "$WR_STATE/memcheck.out")" 'Remote access to the ADMIN$ share OK!'
  assert_contains "$(cat "$WR_STATE/memcheck.out")" "Connection to the SCM is OK!"
}

test_memcheck_run_against_refusing_and_unknown_hosts() {
  memcheck_possible || return 0
  memcheck_run refusing -- refusing
  assert_contains "$(cat "$WR_STATE/memcheck.out")" "Unable to connect to the SCM! Error 000006BA"
  memcheck_run "an unknown name" -- nosuchhost.wrtest.test
  assert_contains "$(cat "$WR_STATE/memcheck.out")" "Name resolution problem! Error code: 00002AF9"
}
