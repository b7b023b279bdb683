# The remote administration checks against the test host's Samba: server
# information, registry, ADMIN$ and the service manager, as guest and as
# administrator, and against hosts that refuse or never answer.

SAMBA=$WR_STATE/samba
ADMIN_PASSWORD=${WR_ADMIN_PASSWORD:-Adm1n-pass}

# The program with the given SMB credentials in its environment (none: an
# anonymous logon, which the test host maps to its guest).
winreach_as() {
  local user=$1; shift
  if [ -z "$user" ]; then
    wr_cli env -u PASSWD -u PASSWD_FILE USER=nobody timeout 60 "$WINREACH" "$@" </dev/null
  else
    wr_cli env -u PASSWD -u PASSWD_FILE USER="$user" timeout 60 "$WINREACH" "$@" </dev/null
  fi
}

# The lines of the remote checks: from the first server-information line on.
remote_lines() { sed -n '/^NetServerGetInfo level 100/,$p'; }

registry_cmd() { net -s "$SAMBA/smb.conf" registry "$@" >/dev/null; }
COMPUTER_NAME_KEY='HKLM\SYSTEM\CurrentControlSet\Control\ComputerName\ActiveComputerName'
DEFAULT_SD='O:BAG:SYD:(A;;RPCCRCSW;;;WD)(A;;RPWPCCDCLCRCWOWDSDSW;;;BA)(A;;RPWPCCDCLCRCWOWDSDSW;;;SY)'
restore_computer_name() {
  registry_cmd setsd_sddl "$COMPUTER_NAME_KEY" "$DEFAULT_SD"
  registry_cmd setvalue "$COMPUTER_NAME_KEY" ComputerName sz TESTHOST
}

restore_admin_share() {
  [ -d "$SAMBA/admin.away" ] && mv "$SAMBA/admin.away" "$SAMBA/admin"
  [ -d "$SAMBA/admin/system32.away" ] && mv "$SAMBA/admin/system32.away" "$SAMBA/admin/system32"
  [ -f "$SAMBA/admin/system32/ntoskrnl.exe.away" ] &&
    mv "$SAMBA/admin/system32/ntoskrnl.exe.away" "$SAMBA/admin/system32/ntoskrnl.exe"
  return 0
}

# Samba refuses the 64-bit registry view (0x100) that the three SOFTWARE
# checks ask for, with 5, whoever asks.
SOFTWARE_REFUSED='Read access to the CurrentVersion key failed! Error 00000005
Read access to the Winlogon key failed! Error 00000005
Full access to the Winlogon key failed! Error 00000005'

test_guest_report() {
  local out
  out=$(winreach_as "" testhost)
  assert_eq "$(banner testhost)

IP address: 10.77.0.2
Host name: testhost" "$(head -n 7 <<<"$out")" banner
  assert_eq "NetServerGetInfo level 100 OK!
NetServerGetInfo level 101 OK!
NetServerGetInfo level 102 OK!
NetServerGetInfo level 503 failed! Error 0000007C
Remote access to the registry (HKEY_LOCAL_MACHINE) OK!
$SOFTWARE_REFUSED
Read access to the key \"Control\\ComputerName\\ActiveComputerName\" OK!
Read access to the key \"TcpIp\\Parameters\" OK!
Remote access to the ADMIN\$ share failed! Error 00000005
Unable to connect to the SCM! Error 00000005" "$(remote_lines <<<"$out")" "remote lines"
}

test_administrator_report() {
  local out
  out=$(winreach_as "administrator%$ADMIN_PASSWORD" testhost)
  assert_eq "NetServerGetInfo level 100 OK!
NetServerGetInfo level 101 OK!
NetServerGetInfo level 102 OK!
NetServerGetInfo level 503 failed! Error 0000007C
Remote access to the registry (HKEY_LOCAL_MACHINE) OK!
$SOFTWARE_REFUSED
Read access to the key \"Control\\ComputerName\\ActiveComputerName\" OK!
Read access to the key \"TcpIp\\Parameters\" OK!
Remote access to the ADMIN\$ share OK!
Connection to the SCM is OK!" "$(remote_lines <<<"$out")" "remote lines"
}

test_password_from_passwd_file_and_domain_prefix() {
  local file out
  file=$(mktemp)
  printf '%s\n' "$ADMIN_PASSWORD" >"$file"
  out=$(wr_cli env -u PASSWD USER='WRTEST\administrator' PASSWD_FILE="$file" timeout 60 \
    "$WINREACH" testhost </dev/null)
  rm -f "$file"
  assert_contains "$out" 'Remote access to the ADMIN$ share OK!'
  assert_contains "$out" 'Connection to the SCM is OK!'
}

test_wrong_password_is_a_logon_failure_on_every_remote_line() {
  local out
  out=$(winreach_as "administrator%not-the-password" testhost)
  assert_eq "NetServerGetInfo level 100 failed! Error 0000052E
NetServerGetInfo level 101 failed! Error 0000052E
NetServerGetInfo level 102 failed! Error 0000052E
NetServerGetInfo level 503 failed! Error 0000052E
Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 0000052E
Remote access to the ADMIN\$ share failed! Error 0000052E
Unable to connect to the SCM! Error 0000052E" "$(remote_lines <<<"$out")" "remote lines"
  # The password never reaches the output.
  refute_match "$out" 'not-the-password'
}

test_admin_share_missing_file_folder_and_share() {
  local out
  # Each test runs in a subshell of its own: its exit puts the share back.
  trap restore_admin_share EXIT
  mv "$SAMBA/admin/system32/ntoskrnl.exe" "$SAMBA/admin/system32/ntoskrnl.exe.away"
  out=$(winreach_as "administrator%$ADMIN_PASSWORD" testhost)
  assert_contains "$out" 'Remote access to the ADMIN$ share failed! Error 00000002' "file missing"
  mv "$SAMBA/admin/system32/ntoskrnl.exe.away" "$SAMBA/admin/system32/ntoskrnl.exe"

  mv "$SAMBA/admin/system32" "$SAMBA/admin/system32.away"
  out=$(winreach_as "administrator%$ADMIN_PASSWORD" testhost)
  assert_contains "$out" 'Remote access to the ADMIN$ share failed! Error 00000003' "folder missing"
  mv "$SAMBA/admin/system32.away" "$SAMBA/admin/system32"

  # A share whose folder is gone is no share: Samba answers "bad network name".
  mv "$SAMBA/admin" "$SAMBA/admin.away"
  out=$(winreach_as "administrator%$ADMIN_PASSWORD" testhost)
  assert_contains "$out" 'Remote access to the ADMIN$ share failed! Error 00000043' "share missing"
  # The service manager runs all the same.
  assert_contains "$out" 'Connection to the SCM is OK!'
}

test_registry_value_missing_too_long_and_key_refused() {
  local out
  trap restore_computer_name EXIT
  registry_cmd deletevalue "$COMPUTER_NAME_KEY" ComputerName
  out=$(winreach_as "" testhost)
  assert_contains "$out" 'Failed to read the value "ComputerName" in the "Control\ComputerName\ActiveComputerName" key! Error 00000002'
  # 1100 characters: 2202 bytes, more than the 2048 the check reads.
  registry_cmd setvalue "$COMPUTER_NAME_KEY" ComputerName sz "$(printf 'x%.0s' $(seq 1100))"
  out=$(winreach_as "" testhost)
  assert_contains "$out" 'Failed to read the value "ComputerName" in the "Control\ComputerName\ActiveComputerName" key! Error 000000EA'
  # 1023 characters and the terminator: exactly 2048 bytes, read in full.
  registry_cmd setvalue "$COMPUTER_NAME_KEY" ComputerName sz "$(printf 'y%.0s' $(seq 1023))"
  out=$(winreach_as "" testhost)
  assert_contains "$out" 'Read access to the key "Control\ComputerName\ActiveComputerName" OK!'
  # Only administrators may open the key: the guest is refused, the
  # administrator reads it, and the next key's check goes on for both.
  registry_cmd setvalue "$COMPUTER_NAME_KEY" ComputerName sz TESTHOST
  registry_cmd setsd_sddl "$COMPUTER_NAME_KEY" 'O:BAG:SYD:(A;;RPWPCCDCLCRCWOWDSDSW;;;BA)(A;;RPWPCCDCLCRCWOWDSDSW;;;SY)'
  out=$(winreach_as "" testhost)
  assert_contains "$out" 'Read access to the key "Control\ComputerName\ActiveComputerName" failed! Error 00000005'
  assert_contains "$out" 'Read access to the key "TcpIp\Parameters" OK!'
  out=$(winreach_as "administrator%$ADMIN_PASSWORD" testhost)
  assert_contains "$out" 'Read access to the key "Control\ComputerName\ActiveComputerName" OK!'
}

test_ipv6_literal_target() {
  local out
  out=$(winreach_as "administrator%$ADMIN_PASSWORD" fd77::2)
  assert_contains "$out" 'NetServerGetInfo level 101 OK!'
  assert_contains "$out" 'Remote access to the registry (HKEY_LOCAL_MACHINE) OK!'
  assert_contains "$out" 'Remote access to the ADMIN$ share OK!'
  assert_contains "$out" 'Connection to the SCM is OK!'
}

UNREACHABLE_LINES='NetServerGetInfo level 100 failed! Error 00000035
NetServerGetInfo level 101 failed! Error 00000035
NetServerGetInfo level 102 failed! Error 00000035
NetServerGetInfo level 503 failed! Error 00000035
Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 00000035
Remote access to the ADMIN$ share failed! Error 00000035
Unable to connect to the SCM! Error 000006BA'

test_refusing_host_reports_unreachable_path() {
  local out
  out=$(winreach_as "" refusing)
  assert_eq "$UNREACHABLE_LINES" "$(remote_lines <<<"$out")" "remote lines"
}

test_silent_host_waits_for_one_connection_timeout_only() {
  # Each output line stamped as it arrives; the remote checks together may
  # wait for one connection time-out (5 s), never one per check.
  local stamped start_line end_line
  stamped=$(winreach_as "" silent | while IFS= read -r line; do echo "$(now_ms) $line"; done)
  assert_eq "$UNREACHABLE_LINES" "$(cut -d' ' -f2- <<<"$stamped" | remote_lines)" "remote lines"
  start_line=$(grep -E '^[0-9]+ (Ping OK!|Unable to ping the computer!)$' <<<"$stamped" | cut -d' ' -f1)
  end_line=$(tail -n 1 <<<"$stamped" | cut -d' ' -f1)
  echo "  remote checks against the silent host: $((end_line - start_line)) ms"
  assert_between 0 8000 $((end_line - start_line)) "remote checks' wait"
}

test_connections_and_binds_of_a_healthy_run() {
  # Count the SMB connections that reach the test host (one: IPC$, which
  # carries the three pipes, and ADMIN$ are trees of one session) and the
  # DCE/RPC binds sent: one per interface, however many server-information
  # levels are asked.
  local capture pid connections binds
  capture=$(mktemp)
  # Not through a function: $! must be tcpdump itself, to stop it by pid.
  ip netns exec "$SRV" tcpdump --immediate-mode -Z root -i any -n -s 0 -w "$capture" -U \
    'tcp dst port 445' >/dev/null 2>&1 &
  pid=$!
  # The file's header comes a little before the capture is in place.
  for _ in $(seq 50); do [ -s "$capture" ] && break; sleep 0.1; done
  sleep 0.5
  winreach_as "administrator%$ADMIN_PASSWORD" testhost >/dev/null
  sleep 0.3
  kill "$pid"; wait "$pid" 2>/dev/null
  # One client port per connection, over IPv4 or IPv6 alike.
  connections=$(tcpdump -n -r "$capture" 2>/dev/null | awk '{for (i = 2; i <= NF; i++) if ($i == ">") print $(i-1)}' | sort -u | wc -l)
  # A bind PDU begins: version 5.0, type 11, first and last fragment, NDR.
  binds=$(python3 -c 'import sys; print(open(sys.argv[1], "rb").read().count(bytes.fromhex("05000b0310000000")))' "$capture")
  rm -f "$capture"
  echo "  SMB connections: $connections, binds: $binds"
  assert_eq 1 "$connections" "connections to port 445"
  assert_eq 3 "$binds" "binds: srvsvc, winreg and svcctl once each"
}

# Our decoders against Samba's own clients, for the same account: the
# server information of level 101 (rpcclient srvinfo) and two registry values
# (net rpc registry).
test_decoders_agree_with_samba_clients() {
  local probe ours theirs
  probe=$(dirname "$WINREACH")/smb_live_probe
  if [ ! -x "$probe" ]; then
    [ "${CI:-}" = true ] && { echo "  $probe missing"; return 1; }
    echo "  skipped: no smb_live_probe beside $WINREACH"
    return 0
  fi
  ours=$(wr_cli env USER="administrator%$ADMIN_PASSWORD" WR_LIVE_HOST=testhost \
    "$probe" | grep -E '^[A-Za-z ]+(_id)?: ')
  grep -q '^\[  PASSED  \] 2 tests' < <(wr_cli env USER="administrator%$ADMIN_PASSWORD" \
    WR_LIVE_HOST=testhost "$probe")

  theirs=$(wr_cli timeout 30 rpcclient -U "administrator%$ADMIN_PASSWORD" -c srvinfo testhost)
  local name comment
  read -r name _ <<<"$(head -n 1 <<<"$theirs")"
  comment=$(head -n 1 <<<"$theirs" | sed -E 's/^\s*\S+\s+(Wk |Sv |PrQ |Unx |NT |SNT |LMB |DMB |PDC |BDC |MBC |PBR |BBR |OBR |DOM |ALL |[A-Za-z]{2,3} )*//')
  assert_eq "name: $name
comment: $comment
platform_id: $(awk -F'\t' '/platform_id/ {print $3}' <<<"$theirs")
os version: $(awk -F'\t' '/os version/ {print $3}' <<<"$theirs")
server type: $(awk -F'\t' '/server type/ {print $3}' <<<"$theirs")" \
    "$(grep -E '^(name|comment|platform_id|os version|server type): ' <<<"$ours")" "level 101"

  local key value
  for pair in 'SYSTEM\CurrentControlSet\Control\ComputerName\ActiveComputerName|ComputerName' \
              'SOFTWARE\Microsoft\Windows NT\CurrentVersion|CurrentVersion'; do
    key=${pair%|*} value=${pair#*|}
    theirs=$(wr_cli timeout 30 net rpc registry getvalue "HKLM\\$key" "$value" -S testhost \
      -U "administrator%$ADMIN_PASSWORD" | sed -n 's/^Value *= "\(.*\)"$/\1/p')
    assert_eq "$value: $theirs" "$(grep "^$value: " <<<"$ours")" "$value"
  done
}

# A ticket cache that holds no ticket for the host: Kerberos is tried and
# fails, and the logon falls back to the offered password, or without one
# to an anonymous logon; never a failure of its own.
test_kerberos_without_a_ticket_falls_back() {
  local cache out
  cache=$(mktemp)
  out=$(wr_cli env -u PASSWD -u PASSWD_FILE KRB5CCNAME="FILE:$cache" USER=nobody \
    timeout 60 "$WINREACH" testhost </dev/null)
  assert_contains "$out" 'NetServerGetInfo level 101 OK!' "anonymous fallback"
  assert_contains "$out" 'Unable to connect to the SCM! Error 00000005' "anonymous fallback"
  out=$(wr_cli env -u PASSWD -u PASSWD_FILE KRB5CCNAME="FILE:$cache" \
    USER="administrator%$ADMIN_PASSWORD" timeout 60 "$WINREACH" testhost </dev/null)
  rm -f "$cache"
  assert_contains "$out" 'Connection to the SCM is OK!' "password fallback"
}

# Under "client use kerberos = required" a logon is Kerberos or nothing: no
# ticket to be had is a logon failure on every SMB line, never the offered
# password by NTLM.
test_kerberos_required_never_falls_back_to_ntlm() {
  local conf=/etc/netns/$CLI/samba/smb.conf cache out
  cache=$(mktemp)
  trap "sed -i '/client use kerberos/d' '$conf'; rm -f '$cache'" EXIT
  echo '  client use kerberos = required' >>"$conf"
  out=$(wr_cli env -u PASSWD -u PASSWD_FILE KRB5CCNAME="FILE:$cache" \
    USER="administrator%$ADMIN_PASSWORD" timeout 60 "$WINREACH" testhost </dev/null)
  assert_contains "$out" 'NetServerGetInfo level 100 failed! Error 0000052E' "no NTLM"
  assert_contains "$out" 'Unable to connect to the SCM! Error 0000052E' "no NTLM"
}
