# A Samba AD domain controller (tests/testnet/dc-up): realm WRDOM.TEST, a
# domain administrator, a plain domain user and a user in
# BUILTIN\Administrators only. Each account is checked with a Kerberos
# ticket (with and without USER/LOGNAME, by short and by fully qualified
# name) and with an NTLM logon as DOMAIN\name. The ADMIN$ line must say what
# Samba's client says for the same logon, and the DC's audit log must show
# that account and logon method, never an anonymous logon.

DC_PASSWORD=${WR_DC_PASSWORD:-Dom-Adm1n-pass}
DC_KRB5_CONFIG=/etc/netns/$CLI/krb5.conf

dc_up() {
  [ -e "$WR_STATE/dc/samba.pid.ours" ] || "$TESTNET_DIR/dc-up" >/dev/null ||
    { echo "  the domain controller did not come up"; return 1; }
}

# A ticket for ACCOUNT in a cache of its own under the state folder, never
# the default cache that other processes would pick up; prints the cache.
dc_ticket() {
  local cache=$WR_STATE/dc/$1.ccache
  [ -s "$cache" ] || printf '%s\n' "$DC_PASSWORD" |
    wr_cli env KRB5_CONFIG="$DC_KRB5_CONFIG" KRB5CCNAME="FILE:$cache" timeout 30 \
      kinit "$1@WRDOM.TEST" >/dev/null
  echo "FILE:$cache"
}

# The remote lines of the DC's report: CURRENT is the CurrentVersion code
# (the domain's administrators may read its registry), ADMIN the ADMIN$ one
# (the service manager takes what ADMIN$ takes).
dc_lines() {
  printf '%s\n' 'NetServerGetInfo level 100 OK!' 'NetServerGetInfo level 101 OK!' \
    'NetServerGetInfo level 102 OK!' 'NetServerGetInfo level 503 failed! Error 0000007C' \
    'Remote access to the registry (HKEY_LOCAL_MACHINE) OK!'
  if [ "$1" = OK ]; then
    printf '%s\n' 'Successfully retrieved current version! 6.1' \
      'Failed to read the value "Userinit" in the Winlogon key! Error 00000002' \
      'Full access to the Winlogon key OK!'
  else
    printf '%s\n' "Read access to the CurrentVersion key failed! Error $1" \
      "Read access to the Winlogon key failed! Error $1" "Full access to the Winlogon key failed! Error $1"
  fi
  printf '%s\n' 'Read access to the key "Control\ComputerName\ActiveComputerName" failed! Error 00000002' \
    'Read access to the key "TcpIp\Parameters" OK!'
  if [ "$2" = OK ]; then
    printf '%s\n' 'Remote access to the ADMIN$ share OK!' 'Connection to the SCM is OK!'
  else
    printf '%s\n' "Remote access to the ADMIN\$ share failed! Error $2" "Unable to connect to the SCM! Error $2"
  fi
}

# The logons the DC's audit log authorized, as "method DOMAIN\name", one a
# line.
dc_authorized() {
  cat "$WR_STATE/dc/log"/*.log |
    sed -n 's/.*Successful AuthZ: \[[^,]*,\([^]]*\)\] user \[\([^]]*\)\]\\\[\([^]]*\)\].*/\1 \2\\\3/p' | sort -u
}

# check_dc ACCOUNT LOGON HOST SUMMARY
# LOGON: kerberos (USER and LOGNAME name another account), kerberos-bare
# (an environment without either, as systemd units and containers have) or
# ntlm (USER='WRDOM\name%password'). SUMMARY: the CurrentVersion and ADMIN$
# codes, short ("OK 5").
check_dc() {
  local account=$1 logon=$2 host=$3 summary=$4 env smbclient_logon samba out start ms method
  dc_up
  case $logon in
    kerberos) env=(KRB5CCNAME="$(dc_ticket "$account")" USER=nobody LOGNAME=nobody)
      smbclient_logon=(--use-kerberos=required) method=krb5 ;;
    kerberos-bare) env=(KRB5CCNAME="$(dc_ticket "$account")")
      smbclient_logon=(--use-kerberos=required) method=krb5 ;;
    ntlm) env=(USER="WRDOM\\$account%$DC_PASSWORD")
      smbclient_logon=(--use-kerberos=disabled -U "WRDOM\\$account%$DC_PASSWORD") method=NTLMSSP ;;
  esac
  samba=$(wr_cli env KRB5_CONFIG="$DC_KRB5_CONFIG" "${env[@]}" timeout 30 smbclient \
    "${smbclient_logon[@]}" "//$host/ADMIN\$" -c 'get system32\ntoskrnl.exe /dev/null' \
    </dev/null 2>&1 | tail -n 1 || true)
  case $samba in *NT_STATUS_ACCESS_DENIED*) samba=5 ;; *NT_STATUS_*) samba=${samba##*: } ;; *) samba=OK ;; esac
  assert_eq "${summary#* }" "$samba" "$host, $account, $logon: ADMIN\$ by Samba's client"
  for f in "$WR_STATE/dc/log"/*.log; do : >"$f"; done
  start=$(now_ms)
  out=$(wr_cli env -u USER -u LOGNAME -u PASSWD -u PASSWD_FILE -u KRB5CCNAME \
    KRB5_CONFIG="$DC_KRB5_CONFIG" "${env[@]}" timeout 60 "$WINREACH" "$host" </dev/null)
  ms=$(( $(now_ms) - start ))
  full() { if [ "$1" = OK ]; then echo OK; else printf '%08X' "$1"; fi; }
  assert_eq "$(dc_lines "$(full "${summary% *}")" "$(full "${summary#* }")")" \
    "$(sed -n '/^NetServerGetInfo level 100/,$p' <<<"$out")" "$host, $account, $logon: remote lines"
  # The account given, by the method given, and no other logon at all.
  assert_eq "$(tr '[:upper:]' '[:lower:]' <<<"$method wrdom\\$account")" \
    "$(dc_authorized | tr '[:upper:]' '[:lower:]')" \
    "$host, $account, $logon: logons in the DC's audit log"
  echo "  $host $account $logon: $summary ($ms ms)"
}

# check_dc_table ROW...: each row "ACCOUNT LOGON HOST CURRENT ADMIN".
check_dc_table() {
  local row
  for row in "$@"; do
    read -r account logon host codes <<<"$row"
    check_dc "$account" "$logon" "$host" "$codes"
  done
}

test_dc_kerberos_logons() {
  check_dc_table \
    "administrator kerberos dc OK OK" \
    "administrator kerberos-bare dc OK OK" \
    "administrator kerberos-bare dc.wrdom.test OK OK" \
    "wrbuiltin kerberos-bare dc.wrdom.test 5 OK"
}

# A share refused after a good Kerberos logon is only that: the plain user
# stays the plain user for the rest of the run, with no anonymous logon.
test_dc_kerberos_refused_share_keeps_the_logon() {
  check_dc_table "wruser kerberos dc.wrdom.test 5 5" "wruser kerberos-bare dc 5 5"
}

test_dc_ntlm_domain_logons() {
  check_dc_table \
    "administrator ntlm dc OK OK" \
    "wruser ntlm dc 5 5" \
    "wrbuiltin ntlm dc 5 OK"
}

# The JSON session and the --verbose line name the account and method that
# the DC's audit log authorized (the ticket's principal for Kerberos), and
# nothing warns: the credentials offered were used.
test_dc_session_names_the_logon_the_dc_authorized() {
  local row account logon env err session
  dc_up
  for row in "administrator kerberos" "wruser ntlm"; do
    read -r account logon <<<"$row"
    case $logon in
      kerberos) env=(KRB5CCNAME="$(dc_ticket "$account")") ;;
      ntlm) env=(USER="WRDOM\\$account%$DC_PASSWORD") ;;
    esac
    for f in "$WR_STATE/dc/log"/*.log; do : >"$f"; done
    err=$(wr_cli env -u USER -u LOGNAME -u PASSWD -u PASSWD_FILE -u KRB5CCNAME \
      KRB5_CONFIG="$DC_KRB5_CONFIG" "${env[@]}" timeout 60 "$WINREACH" --json --verbose \
      dc.wrdom.test </dev/null 2>&1 >"$WR_STATE/dc-session.json")
    # "name@REALM" as the audit log writes it, "DOMAIN\name"; the methods by
    # its names.
    session=$(/usr/bin/python3 -c 'import json, sys
s = json.load(open(sys.argv[1]))["session"]
name, _, realm = s["identity"].partition("@")
who = realm.split(".")[0] + "\\" + name if realm else name
print({"kerberos": "krb5", "ntlm": "NTLMSSP"}[s["method"]], who, s["dialect"])' \
      "$WR_STATE/dc-session.json")
    assert_eq "$(dc_authorized | tr '[:upper:]' '[:lower:]') 3.1.1" \
      "$(tr '[:upper:]' '[:lower:]' <<<"$session")" "$account, $logon: session"
    assert_eq 1 "$(wc -l <<<"$err")" "$account, $logon: lines on standard error"
    grep -q "^winreach: 10.77.7.30:445 SMB 3.1.1, signed, .* as .*$account" <<<"$err"
    echo "  $logon: $err"
  done
}
