# A man in the middle between the program, run with the administrator's
# credentials, and a real Samba server (tests/faults/smb2_tamper_relay.py):
# it takes 3.1.1 out of the negotiation, lets the NTLM logon through and
# changes the logon's final answer. Whatever it changes, no SMB check may
# pass: the server holds the administrator's session, and a client that
# went on unsigned or in plain text would hand it to whoever sits in the
# path. A relay that changes nothing must let every check through.

TAMPER_ADDRESS=10.77.7.62
TAMPER_STATE=$WR_STATE/tamper
TAMPER_ADMIN="administrator%${WR_ADMIN_PASSWORD:-Adm1n-pass}"

stop_tamper_relay() {
  stop_pidfile "$TAMPER_STATE/relay.pid"
  remove_fault_address "$TAMPER_ADDRESS"
}

# tamper_run MODE SERVER: the program, --verbose, through the relay playing
# MODE in front of SERVER (an address). The remote lines go to
# $TAMPER_STATE/lines, standard error to $TAMPER_STATE/stderr, what the
# relay changed and saw to $TAMPER_STATE/MODE.log.
tamper_run() {
  local mode=$1 server=$2 start
  . "$(dirname "${BASH_SOURCE[0]}")/hardened_test.sh"
  hardened_up
  mkdir -p "$TAMPER_STATE"
  rm -f "$TAMPER_STATE/relay.pid"
  trap "set +e; stop_tamper_relay" EXIT
  add_fault_address "$TAMPER_ADDRESS"
  ip netns exec "$REF" "$PY" "$FAULTS/smb2_tamper_relay.py" "$TAMPER_ADDRESS" "$server" "$mode" \
    "$TAMPER_STATE/relay.pid" 90 2>"$TAMPER_STATE/$mode.log" &
  wait_for_file "$TAMPER_STATE/relay.pid"
  start=$(now_ms)
  wr_cli env -u PASSWD -u PASSWD_FILE -u KRB5CCNAME USER="$TAMPER_ADMIN" timeout 60 \
    "$WINREACH" --verbose "$TAMPER_ADDRESS" </dev/null 2>"$TAMPER_STATE/stderr" |
    remote_lines >"$TAMPER_STATE/lines"
  echo "  $mode in front of $server: $(( $(now_ms) - start )) ms"
  stop_tamper_relay
}

test_tamper_relay_passing_through_changes_nothing() {
  # The relay itself: the test host signs, the encrypted host seals.
  local row server
  for row in "10.77.0.2|signed" "10.77.7.22|encrypted"; do
    server=${row%|*}
    tamper_run none "$server"
    assert_eq "$(hardened_lines OK OK)" "$(cat "$TAMPER_STATE/lines")" "remote lines ($server)"
    assert_eq "winreach: $TAMPER_ADDRESS:445 SMB 3.1.1, ${row#*|}, NTLM as WRTEST\\administrator" \
      "$(grep ' SMB ' "$TAMPER_STATE/stderr")" "--verbose line ($server)"
  done
}

# assert_fails_closed MODE SERVER UNSENT: the relay reached the logon's end
# and changed it; every SMB line fails with one code, a protocol error (59)
# or the guest logon refused (1272); no request went out after that answer
# in the form UNSENT names (a pattern of the relay's log), and no session is
# told as unsigned.
assert_fails_closed() {
  local code
  tamper_run "$1" "$2"
  grep -q 'final logon answer' "$TAMPER_STATE/$1.log" ||
    { echo "  the relay did not see the logon's end"; cat "$TAMPER_STATE/$1.log"; return 1; }
  code=$(sed -n '1s/.* Error //p' "$TAMPER_STATE/lines")
  case $code in 0000003B | 000004F8) ;; *) code=0000003B ;; esac
  assert_eq "$(hardened_lines "$code" "$code")" "$(cat "$TAMPER_STATE/lines")" "remote lines ($1)"
  refute_match "$(cat "$TAMPER_STATE/$1.log")" "$3" "the relay's log ($1)"
  refute_match "$(cat "$TAMPER_STATE/stderr")" ' SMB .*unsigned' "--verbose ($1)"
}

test_tamper_forged_guest_flag_fails_closed() {
  # The test host (signing enabled, not required) answers 3.0.2; the final
  # logon answer comes marked guest and unsigned.
  assert_fails_closed guest 10.77.0.2 'in plain text, unsigned'
}

test_tamper_cleared_encryption_fails_closed() {
  # The encrypted host (encryption required) answers 3.0.2; the final
  # logon answer comes unsigned and without ENCRYPT_DATA.
  assert_fails_closed clear 10.77.7.22 'in plain text'
}
