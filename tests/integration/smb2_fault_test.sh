# Faults at the SMB level: a raw SMB2/3 server of our own
# (tests/faults/smb2_responder.py) that grants no credits, stays pending for
# ever, signs wrongly or not at all, answers a changed negotiation, lies
# about lengths and offsets, or seals with tags that do not verify. Every
# test checks the exact remote lines and a bounded time: each SMB line
# carries a Windows code, nothing hangs, no check that could not have
# passed says OK.
#
# The codes (src/platform/posix/smb/smb_errors.cpp): a server that answered
# but broke the protocol before the session and IPC$ were had gives
# ERROR_UNEXP_NET_ERR (0000003B) to every line, the first failure being
# kept for the run; once a pipe is open, a broken answer is
# RPC_S_CALL_FAILED (000006BE); the run's SMB time spent is
# ERROR_SEM_TIMEOUT (00000079).

SMB2_ADDRESS=10.77.7.49
SMB2_STATE=$WR_STATE/smb2-responder
# The responder takes an NTLMv2 logon of any user with its password.
SMB2_USER='fault%Fault-Pass1'

# The lines after the ping's verdict: the four remote areas.
smb2_remote_lines() { sed -n '/^Ping OK!$\|^Unable to ping the computer!$/,$p' | tail -n +2; }

# Every remote line failing with CODE (eight hex digits); ADMIN_LINE
# replaces the ADMIN$ share's line when given.
smb2_failure_lines() {
  printf '%s\n' "NetServerGetInfo level 100 failed! Error $1" \
    "NetServerGetInfo level 101 failed! Error $1" \
    "NetServerGetInfo level 102 failed! Error $1" \
    "NetServerGetInfo level 503 failed! Error $1" \
    "Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error $1" \
    "${2:-Remote access to the ADMIN\$ share failed! Error $1}" \
    "Unable to connect to the SCM! Error $1"
}

stop_smb2_responder() {
  stop_pidfile "$SMB2_STATE/responder.pid"
  remove_fault_address "$SMB2_ADDRESS"
}

# Runs the program as $SMB2_USER against the responder playing MODE; the
# run must end within MAX_MS. The remote lines go to $SMB2_STATE/lines, its
# peak resident size (KiB) to $SMB2_STATE/rss. A client that keeps what a
# hostile server sends would take gigabytes before its deadline: outside the
# sanitizers (whose shadow memory needs terabytes of address space) a
# ceiling of 1 GiB on its address space ends such a client, not the machine.
smb2_run() {
  local mode=$1 max_ms=${2:-5000} start elapsed ceiling=()
  mkdir -p "$SMB2_STATE"
  rm -f "$SMB2_STATE/responder.pid"
  trap "set +e; stop_smb2_responder" EXIT
  add_fault_address "$SMB2_ADDRESS"
  ip netns exec "$REF" "$PY" "$FAULTS/smb2_responder.py" "$SMB2_ADDRESS" "$mode" \
    "$SMB2_STATE/responder.pid" 2>"$SMB2_STATE/$mode.log" &
  wait_for_file "$SMB2_STATE/responder.pid"
  sanitized || ceiling=(prlimit --as=$((1 << 30)))
  start=$(now_ms)
  wr_cli env -u PASSWD -u PASSWD_FILE USER="$SMB2_USER" "${ceiling[@]}" \
    timeout 90 /usr/bin/time -f %M -o "$SMB2_STATE/rss" "$WINREACH" "$SMB2_ADDRESS" \
    </dev/null 2>"$SMB2_STATE/stderr" | smb2_remote_lines >"$SMB2_STATE/lines" ||
    echo "  the program ended with status $?: $(head -n 1 "$SMB2_STATE/stderr")"
  elapsed=$(( $(now_ms) - start ))
  stop_smb2_responder
  echo "  $mode: $elapsed ms, $(tail -n 1 "$SMB2_STATE/rss") KiB"
  assert_between 0 "$max_ms" "$elapsed" "run against the $mode server (ms)"
}

# assert_smb2 EXPECTED MODE [MAX_MS]
assert_smb2() {
  smb2_run "$2" "${3:-5000}"
  assert_eq "$1" "$(cat "$SMB2_STATE/lines")" "remote lines ($2)"
}

# assert_requests MODE COMMANDS: the commands the responder received in its
# last run of MODE, by number (0 negotiate, 1 session setup, 3 tree
# connect, 5 create, 6 close, 11 ioctl): where the client stopped. What the
# program wrote to standard error is in $SMB2_STATE/stderr.
assert_requests() {
  assert_eq "$2" "$(sed -n "s/^smb2_responder: $1: command //p" "$SMB2_STATE/$1.log" | xargs)" \
    "requests the $1 server received"
}

test_smb2_responder_answering_well_opens_the_admin_share() {
  # The harness itself: logon, signing (3.1.1 and 3.0 with validate
  # negotiate) and sealing hold, so the ADMIN$ file opens; the responder
  # refuses every pipe transaction with access denied. Opens and pipe
  # transactions that go pending once, then end asynchronously, as
  # Windows' often do, are waited for.
  local mode
  for mode in good encrypted validated pending-once; do
    assert_smb2 "$(smb2_failure_lines 00000005 'Remote access to the ADMIN$ share OK!')" $mode
  done
}

test_smb2_server_granting_no_credit_is_a_protocol_error() {
  # The negotiation uses the one credit a client starts with and gets none
  # back: the logon cannot be sent.
  assert_smb2 "$(smb2_failure_lines 0000003B)" no-credits
  assert_requests no-credits 0
}

test_smb2_bad_or_missing_signatures_are_protocol_errors() {
  # The IPC$ tree's answer signed with a wrong signature; a 3.1.1 logon
  # whose final answer is not signed.
  assert_smb2 "$(smb2_failure_lines 0000003B)" bad-signature
  assert_requests bad-signature '0 1 1 3'
  assert_smb2 "$(smb2_failure_lines 0000003B)" unsigned-final
  assert_requests unsigned-final '0 1 1'
}

test_smb2_changed_negotiation_is_refused() {
  # 3.1.1: the server's preauthentication hash covers a negotiate request
  # other than ours, so its signature on the logon's end does not verify (a
  # protocol error). 3.0: validate negotiate, signed well, names another
  # dialect than the negotiate answer did: ERROR_DOWNGRADE_DETECTED.
  assert_smb2 "$(smb2_failure_lines 0000003B)" preauth-downgrade
  assert_requests preauth-downgrade '0 1 1'
  assert_smb2 "$(smb2_failure_lines 000004F1)" validate-downgrade
  assert_requests validate-downgrade '0 1 1 3 11'
  # The wildcard dialect, asking for the negotiation again, a second time.
  assert_smb2 "$(smb2_failure_lines 0000003B)" wildcard
  assert_requests wildcard '0 0'
}

test_smb2_lengths_beyond_the_message_are_protocol_errors() {
  # The negotiate answer's security buffer past its end, more negotiate
  # contexts counted than it holds, the answer cut inside its header, the
  # logon's challenge past its answer's end: no session. A pipe
  # transaction's output claimed past the end: each pipe check fails, the
  # ADMIN$ file opens.
  local mode
  for mode in bad-offset bad-contexts truncated; do
    assert_smb2 "$(smb2_failure_lines 0000003B)" $mode
    assert_requests $mode 0
  done
  assert_smb2 "$(smb2_failure_lines 0000003B)" bad-session-offset
  assert_requests bad-session-offset '0 1'
  assert_smb2 "$(smb2_failure_lines 000006BE 'Remote access to the ADMIN$ share OK!')" bad-ioctl
  # No byte may be transacted: no pipe transaction is sent.
  assert_smb2 "$(smb2_failure_lines 000006BE 'Remote access to the ADMIN$ share OK!')" zero-sizes
  refute_match "$(cat "$SMB2_STATE/zero-sizes.log")" 'command 11$' "requests (zero-sizes)"
}

test_smb2_bad_or_missing_encryption_is_a_protocol_error() {
  # The session asks for encryption; the IPC$ tree's sealed answer does
  # not verify, or comes signed but in plain text.
  assert_smb2 "$(smb2_failure_lines 0000003B)" bad-transform-tag
  assert_requests bad-transform-tag '0 1 1 3'
  assert_smb2 "$(smb2_failure_lines 0000003B)" plain-answer
  assert_requests plain-answer '0 1 1 3'
}

test_smb2_guest_or_anonymous_logon_after_credentials_is_refused() {
  # Credentials offered, the logon's unsigned end says "guest" or
  # "anonymous" (what a server without the account does, or someone who
  # set the flag on the way): no session may go on unprotected with them.
  # Guest is the refusal Windows reports; a null session is no answer to a
  # logon with a key.
  assert_smb2 "$(smb2_failure_lines 000004F8)" guest
  assert_smb2 "$(smb2_failure_lines 0000003B)" null
}

test_smb2_success_class_refusal_is_a_protocol_error() {
  # Opens refused with STATUS_TIMEOUT, a status of the success class: it
  # once read as success with no pipe and crashed the program. A final
  # STATUS_PENDING (no async flag) is as broken.
  assert_smb2 "$(smb2_failure_lines 0000003B)" timeout-status
  assert_smb2 "$(smb2_failure_lines 0000003B)" pending-final
}

test_smb2_broken_spnego_or_ntlm_answers_are_no_logon_failure() {
  # The challenge's target information placed past its end: the server
  # broke the protocol, the password is not at fault. It once read as
  # ERROR_LOGON_FAILURE, as did the wrong mechListMIC below. A wrong
  # password still is one.
  assert_smb2 "$(smb2_failure_lines 0000003B)" bad-challenge
  assert_requests bad-challenge '0 1'
  # The logon's last token with a mechListMIC that does not verify: the
  # server does not hold the key the logon made.
  assert_smb2 "$(smb2_failure_lines 0000003B)" bad-mechlistmic
  SMB2_USER='fault%not-the-password' assert_smb2 "$(smb2_failure_lines 0000052E)" good
}

test_smb2_pending_for_ever_is_no_answer() {
  # Each open answered "pending" once a second and never finished: after
  # sixteen interim answers the server is taken for broken, and every later
  # check fails at once.
  assert_smb2 "$(smb2_failure_lines 0000003B)" pending-forever 30000
}

test_smb2_endless_pipe_answer_is_dropped_and_bounded() {
  # Every pipe answer says "there is more", 64 KiB at a time, for ever. What
  # the client drains of it is not kept: memory stays flat, each pipe call
  # fails as a call that could not be completed (1726), and the run ends
  # well before its deadline.
  assert_smb2 "$(smb2_failure_lines 000006BE 'Remote access to the ADMIN$ share OK!')" \
    endless-answer 15000
  sanitized || assert_between 0 8192 "$(tail -n 1 "$SMB2_STATE/rss")" "peak memory (KiB)"
}
