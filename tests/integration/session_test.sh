# Whose rights the remote checks ran with: --json's "session" and the
# --verbose line must name the account, logon method and dialect that the
# server's own log shows, and standard error must warn exactly when offered
# credentials went unused. The server is a copy of the test host whose log
# also tells the dialect of each connection.

FACTS_ADDRESS=10.77.7.41
FACTS_LOG=$WR_STATE/host-facts/log

facts_up() {
  [ -e "$WR_STATE/host-facts/smbd.pid.ours" ] ||
    "$TESTNET_DIR/samba-up" facts "$FACTS_ADDRESS" "log level = 10 auth_audit:5" >/dev/null 2>&1 ||
    { echo "  the facts host did not come up"; return 1; }
}

# session_run HOST VAR=VALUE...: one --json --verbose run with only the
# given credentials; the document's session as "identity method dialect
# port" (or "null"), and standard error, in $session and $session_err.
session_run() {
  local host=$1
  shift
  session_err=$(wr_cli env -u USER -u LOGNAME -u PASSWD -u PASSWD_FILE -u KRB5CCNAME "$@" \
    timeout 60 "$WINREACH" --json --verbose "$host" </dev/null 2>&1 >"$WR_STATE/session.json")
  session=$(/usr/bin/python3 -c 'import json, sys
s = json.load(open(sys.argv[1]))["session"]
keys = ("identity", "method", "dialect", "port")
print("null" if s is None else " ".join(str(s[k]) for k in keys))' \
    "$WR_STATE/session.json")
}

# What the facts host's log says of the run's first logon, in the same form.
facts_server_saw() {
  local log authz dialect
  log=$(cat "$FACTS_LOG"/*.log)
  authz=$(grep -m1 'Successful AuthZ:' <<<"$log" || true)
  [ -n "$authz" ] || { echo null; return; }
  case $(grep -m1 -o 'connection_dialect *: 0x[0-9A-Fa-f]*' <<<"$log" | grep -o '0x.*') in
    0x0311) dialect=3.1.1 ;; 0x0302) dialect=3.0.2 ;; 0x0300) dialect=3.0 ;;
    0x0210) dialect=2.1 ;; 0x0202) dialect=2.0.2 ;; *) dialect=unknown ;;
  esac
  case $authz in
    *'[S-1-5-7]'*) echo "anonymous anonymous $dialect 445" ;;
    *'-501]'*) echo "guest ntlm $dialect 445" ;;
    *'[SMB2,NTLMSSP]'*)
      grep -m1 'Auth: .* with \[NTLMv2\] status \[NT_STATUS_OK\]' <<<"$log" |
        sed "s/.* user \[\([^]]*\)\]\\\\\[\([^]]*\)\] .*/\1\\\\\2 ntlm $dialect 445/" ;;
    *) echo "unexpected: $authz" ;;
  esac
}

# check_facts WARNING [VAR=VALUE...]: the session against the server's log;
# WARNING is the standard error line expected after the --verbose one ("":
# none).
check_facts() {
  local warning=$1 label expected
  shift
  label=${1:-no credentials}
  label=${label%%%*}
  for f in "$FACTS_LOG"/*.log; do : >"$f"; done
  session_run "$FACTS_ADDRESS" "$@"
  expected=$(facts_server_saw)
  assert_eq "$expected" "$session" "session, $label"
  if [ "$session" = null ]; then
    assert_eq "" "$session_err" "standard error, $label"
  else
    assert_eq "winreach: $FACTS_ADDRESS:445" "$(head -n1 <<<"$session_err" | cut -d' ' -f1-2)" \
      "--verbose line, $label"
    assert_eq "$warning" "$(sed -n 2p <<<"$session_err")" "warning, $label"
  fi
  echo "  $label: $session"
}

test_session_names_the_logon_the_server_saw() {
  facts_up
  check_facts ""
  check_facts "" "USER=administrator%${WR_ADMIN_PASSWORD:-Adm1n-pass}"
  check_facts "" "USER=user%${WR_USER_PASSWORD:-Us3r-pass}"
  check_facts "" "USER=administrator%wrong"
  # Credentials the server took for its guest's: the logon is refused, so
  # no session came about, whatever the server's log says.
  session_run "$FACTS_ADDRESS" "USER=nosuch%whatever"
  assert_eq null "$session" "session, credentials taken for the guest's"
  assert_eq "" "$session_err" "standard error, credentials taken for the guest's"
}

# A ticket cache the server does not take ends in the anonymous logon, and
# that is never silent.
test_session_warns_when_the_ticket_was_not_used() {
  local cache=$WR_STATE/not-a-ticket.ccache
  : >"$cache"
  session_run testhost KRB5CCNAME="FILE:$cache"
  assert_eq "anonymous anonymous 3.1.1 445" "$session" "session"
  assert_eq "winreach: credentials were offered, but the remote checks ran anonymously" \
    "$(sed -n 2p <<<"$session_err")" "warning"
  session_run testhost
  assert_eq 1 "$(wc -l <<<"$session_err")" "lines on standard error without credentials"
}
