# Servers configured as administrators configure them: each is a copy of the
# test host (tests/testnet/samba-up NAME ADDRESS SETTING...) checked as the
# guest, a plain user and the administrator. The report must say what
# Samba's own client says for the same account, and the server's audit log
# must show the account that was given: never an anonymous logon where a
# password was.

# Name (also in the client's hosts file), address and settings (";" between
# them) of each host.
HARDENED_HOSTS=(
  "signing|10.77.7.21|server signing = mandatory"
  "encrypted|10.77.7.22|server smb encrypt = required"
  "smb311|10.77.7.23|server min protocol = SMB3_11"
  "smb1|10.77.7.24|server min protocol = NT1;server max protocol = NT1"
  "noanon|10.77.7.25|restrict anonymous = 2;map to guest = never"
  "nontlm|10.77.7.26|ntlm auth = disabled"
  "port139|10.77.7.27|smb ports = 139"
)

# Starts every host of the table that is not up yet, side by side: each
# takes seconds to start. They stay up for the other tests; the test
# network's "down" stops them.
hardened_up() {
  local row name address settings pids=() failed=0
  for row in "${HARDENED_HOSTS[@]}"; do
    IFS='|' read -r name address settings <<<"$row"
    [ -e "$WR_STATE/host-$name/smbd.pid.ours" ] && continue
    IFS=';' read -r -a settings <<<"$settings"
    "$TESTNET_DIR/samba-up" "$name" "$address" "${settings[@]}" >/dev/null 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  [ "$failed" = 0 ] || { echo "  a hardened host did not come up"; return 1; }
}

HARDENED_ADMIN=${WR_ADMIN_PASSWORD:-Adm1n-pass}
HARDENED_USER=${WR_USER_PASSWORD:-Us3r-pass}

# The accounts, in the table's order: Samba client form and the name the
# server's audit log gives the account (the local Unix account).
HARDENED_ACCOUNTS=("%|" "user%$HARDENED_USER|bin" "administrator%$HARDENED_ADMIN|daemon")

# The code a report prints for the NT status that Samba's client ends with.
report_code() {
  case $1 in
    NT_STATUS_OK) echo OK ;;
    NT_STATUS_ACCESS_DENIED) echo 00000005 ;;
    NT_STATUS_LOGON_FAILURE) echo 0000052E ;;
    NT_STATUS_NTLM_BLOCKED) echo 00000791 ;;
    # A server that drops the connection at the negotiation: no dialect in
    # common, "not supported".
    NT_STATUS_CONNECTION_DISCONNECTED) echo 00000032 ;;
    *) echo "unmapped-$1" ;;
  esac
}

# The table's short form of a report code: OK, or the code without its
# leading zeros.
short_code() { if [ "$1" = OK ]; then echo OK; else sed 's/^0*//' <<<"$1"; fi; }

# The accounts that the server's audit log says were authorized, as
# DOMAIN\name, one a line.
authorized_accounts() {
  cat "$1"/*.log | sed -n 's/.*Successful AuthZ: \[[^]]*\] user \[\([^]]*\)\]\\\[\([^]]*\)\].*/\1\\\2/p'
}

# The status smbclient ends with for ACCOUNT on //HOST/SHARE running COMMAND.
samba_status() {
  local last
  last=$(wr_cli timeout 30 smbclient -U "$3" "//$1/$2" -c "$4" 2>&1 | tail -n 1)
  case $last in
    *NT_STATUS_*) echo "${last##*: }" ;;
    *) echo NT_STATUS_OK ;;
  esac
}

# The remote lines of a report whose logon to IPC$ ends in CONNECT and whose
# ADMIN$ check ends in ADMIN; the service manager takes an administrator, as
# ADMIN$ does.
hardened_lines() {
  local connect=$1 admin=$2 code
  if [ "$connect" != OK ]; then
    for check in 'NetServerGetInfo level 100' 'NetServerGetInfo level 101' \
                 'NetServerGetInfo level 102' 'NetServerGetInfo level 503' \
                 'Remote access to the registry (HKEY_LOCAL_MACHINE)' 'Remote access to the ADMIN$ share'; do
      echo "$check failed! Error $connect"
    done
    echo "Unable to connect to the SCM! Error $connect"
    return
  fi
  printf '%s\n' 'NetServerGetInfo level 100 OK!' 'NetServerGetInfo level 101 OK!' \
    'NetServerGetInfo level 102 OK!' 'NetServerGetInfo level 503 failed! Error 0000007C' \
    'Remote access to the registry (HKEY_LOCAL_MACHINE) OK!' \
    'Read access to the CurrentVersion key failed! Error 00000005' \
    'Read access to the Winlogon key failed! Error 00000005' \
    'Full access to the Winlogon key failed! Error 00000005' \
    'Read access to the key "Control\ComputerName\ActiveComputerName" OK!' \
    'Read access to the key "TcpIp\Parameters" OK!'
  if [ "$admin" = OK ]; then
    printf '%s\n' 'Remote access to the ADMIN$ share OK!' 'Connection to the SCM is OK!'
  else
    printf '%s\n' "Remote access to the ADMIN\$ share failed! Error $admin" \
      "Unable to connect to the SCM! Error $admin"
  fi
}

# check_hardened NAME SUMMARY
# SUMMARY: "IPC$ ADMIN$" codes for the guest, the user and the
# administrator, comma-separated, e.g. "OK 5,OK 5,OK OK".
check_hardened() {
  local name=$1 summary=$2 log out account audit_name connect admin row who i=0
  hardened_up
  log=$WR_STATE/host-$name/log
  IFS=, read -r -a rows <<<"$summary"
  for entry in "${HARDENED_ACCOUNTS[@]}"; do
    account=${entry%|*} audit_name=${entry#*|} row=${rows[$i]}
    who=${account%%\%*}
    who=${who:-guest}
    i=$((i + 1))
    connect=$(report_code "$(samba_status "$name" 'IPC$' "$account" '')")
    admin=$(report_code "$(samba_status "$name" 'ADMIN$' "$account" 'get system32\ntoskrnl.exe /dev/null')")
    [ "$connect" = OK ] || admin=$connect
    # The table says what Samba's client says: a change on either side shows.
    assert_eq "$row" "$(short_code "$connect") $(short_code "$admin")" \
      "$name, $who: Samba's client"
    for f in "$log"/*.log; do : >"$f"; done
    if [ "$account" = % ]; then
      out=$(wr_cli env -u PASSWD -u PASSWD_FILE USER=nobody timeout 60 "$WINREACH" "$name" </dev/null)
    else
      out=$(wr_cli env -u PASSWD -u PASSWD_FILE USER="$account" timeout 60 "$WINREACH" "$name" </dev/null)
    fi
    assert_eq "$(hardened_lines "$connect" "$admin")" "$(remote_lines <<<"$out")" \
      "$name, $who: remote lines"
    if [ -n "$audit_name" ]; then
      # A password was given: the server authorized that account and no
      # other, or (refused) none at all; never the anonymous logon.
      audit=$(authorized_accounts "$log" | sed 's/.*\\//' | sort -u)
      [ "$connect" = OK ] || audit_name=
      assert_eq "$audit_name" "$audit" "$name, $who: accounts in the audit log"
    fi
  done
}

remote_lines() { sed -n '/^NetServerGetInfo level 100/,$p'; }

test_hardened_signing_mandatory() {
  check_hardened signing "OK 5,OK 5,OK OK"
}

test_hardened_encryption_required() {
  # Anonymous sessions cannot encrypt: the guest is refused at the logon.
  check_hardened encrypted "5 5,OK 5,OK OK"
}

test_hardened_smb311_only() {
  check_hardened smb311 "OK 5,OK 5,OK OK"
}

test_hardened_anonymous_refused() {
  check_hardened noanon "5 5,OK 5,OK OK"
}

test_hardened_ntlm_refused() {
  # The anonymous logon is no NTLM logon: the guest still gets in.
  check_hardened nontlm "OK 5,791 791,791 791"
}

test_hardened_port_139_only() {
  check_hardened port139 "OK 5,OK 5,OK OK"
}

# SMB1 only: refused as "not supported", also when the client's smb.conf
# allows SMB1 for Samba's tools: SMB1 sessions are never offered, as Windows
# 10 and 11 offer none.
test_hardened_smb1_only() {
  local conf=/etc/netns/$CLI/samba/smb.conf out
  check_hardened smb1 "32 32,32 32,32 32"
  trap "sed -i '/client min protocol/d' '$conf'" EXIT
  echo '  client min protocol = NT1' >>"$conf"
  assert_eq NT_STATUS_OK "$(samba_status smb1 'ADMIN$' "administrator%$HARDENED_ADMIN" 'get system32\ntoskrnl.exe /dev/null')" \
    "Samba's client with SMB1 allowed"
  out=$(wr_cli env -u PASSWD -u PASSWD_FILE USER="administrator%$HARDENED_ADMIN" timeout 60 "$WINREACH" smb1 </dev/null)
  assert_eq "$(hardened_lines 00000032 00000032)" "$(remote_lines <<<"$out")" "smb1 with SMB1 allowed"
}

# The administrator's session as --verbose tells it: the dialect the server
# chose, the protection (a session with a key always signs; encryption when
# the server demands it) and the port it listens on.
test_hardened_session_tells_protection_and_port() {
  local row name line
  hardened_up
  for row in "signing|10.77.7.21:445 SMB 3.1.1, signed" \
             "encrypted|10.77.7.22:445 SMB 3.1.1, encrypted" \
             "smb311|10.77.7.23:445 SMB 3.1.1, signed" \
             "port139|10.77.7.27:139 SMB 3.1.1, signed"; do
    name=${row%%|*}
    line=$(wr_cli env -u PASSWD -u PASSWD_FILE -u KRB5CCNAME \
      USER="administrator%$HARDENED_ADMIN" timeout 60 "$WINREACH" --verbose "$name" \
      </dev/null 2>&1 >/dev/null)
    assert_eq "winreach: ${row#*|}, NTLM as WRTEST\\administrator" "$line" "$name: --verbose line"
  done
}
