# Interop: one matrix of servers and client settings. Each row is a server
# (a copy of the test host configured for one dialect, signing, encryption
# or algorithm; the hardened hosts; the test host; the domain controller;
# impacket's server, written apart from Samba), the logon the program is
# given and a client setting of smb.conf; it expects the --verbose line
# (dialect, protection, logon), the codes that decide the remote lines
# and, where the server can say it, what its log says was used.

# The servers of the matrix beside the hardened hosts and the test host:
# name, address and settings (";" between them) of each copy of the test
# host. "debug encryption" makes smbd log the algorithms of every SMB3
# session it sets up ("Signing Algo: N", "Cipher Algo: N", as on the wire).
INTEROP_HOSTS=(
  "d202|10.77.7.50|server min protocol = SMB2_02;server max protocol = SMB2_02"
  "d210|10.77.7.51|server min protocol = SMB2_10;server max protocol = SMB2_10"
  "d300|10.77.7.52|server min protocol = SMB3_00;server max protocol = SMB3_00"
  "d302|10.77.7.53|server min protocol = SMB3_02;server max protocol = SMB3_02"
  "hmac-ccm|10.77.7.54|server smb3 signing algorithms = HMAC-SHA256;server smb3 encryption algorithms = AES-128-CCM;debug encryption = yes"
  "cmac-gcm|10.77.7.55|server smb3 signing algorithms = AES-128-CMAC;server smb3 encryption algorithms = AES-128-GCM;debug encryption = yes"
  "gmac-ccm256|10.77.7.56|server smb3 signing algorithms = AES-128-GMAC;server smb3 encryption algorithms = AES-256-CCM;debug encryption = yes"
  "gmac-gcm256|10.77.7.57|server smb3 signing algorithms = AES-128-GMAC;server smb3 encryption algorithms = AES-256-GCM;debug encryption = yes"
  # Encryption required on ADMIN$ alone (added to the share once it is up).
  "encadmin|10.77.7.58|"
)
# impacket's server: "imp" lets the administrator alone log on, "impopen"
# lets every logon in.
IMPACKET_HOSTS=("imp|10.77.7.60|administrator Adm1n-pass" "impopen|10.77.7.61|")

INTEROP_ADMIN="administrator%${WR_ADMIN_PASSWORD:-Adm1n-pass}"
INTEROP_CONF=/etc/netns/$CLI/samba/smb.conf

# The hardened hosts' and the DC's helpers. Sourced here, not at the top of
# the file, so that their tests are not listed as this file's.
interop_helpers() {
  . "$(dirname "${BASH_SOURCE[0]}")/hardened_test.sh"
  . "$(dirname "${BASH_SOURCE[0]}")/dc_test.sh"
}

# Starts every server of the matrix side by side, and names them in the
# client's hosts file. The hardened hosts stay up for the other tests;
# the trap of the test stops the rest (interop_down).
interop_up() {
  local row name address settings pids=() failed=0 dir user
  for row in "${INTEROP_HOSTS[@]}"; do
    IFS='|' read -r name address settings <<<"$row"
    IFS=';' read -r -a settings <<<"$settings"
    "$TESTNET_DIR/samba-up" "$name" "$address" "${settings[@]}" >/dev/null 2>&1 &
    pids+=($!)
    echo "$address $name # interop" >>"/etc/netns/$CLI/hosts"
  done
  for row in "${IMPACKET_HOSTS[@]}"; do
    IFS='|' read -r name address settings <<<"$row"
    dir=$WR_STATE/impacket-$name
    mkdir -p "$dir"
    add_fault_address "$address"
    # shellcheck disable=SC2086
    ip netns exec "$REF" "$PY" "$FAULTS/impacket_server.py" "$address" "$dir" $settings \
      >"$dir/out" 2>&1 &
    echo "$address $name # interop" >>"/etc/netns/$CLI/hosts"
  done
  hardened_up &
  pids+=($!)
  dc_up &
  pids+=($!)
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  [ "$failed" = 0 ] || { echo "  a server of the matrix did not come up"; return 1; }
  # A share's own setting: smbd reads its configuration again on SIGHUP.
  printf '  smb encrypt = required\n' >>"$WR_STATE/host-encadmin/smb.conf"
  kill -HUP "$(cat "$WR_STATE/host-encadmin/smbd.pid.ours")"
  # Samba starts its RPC daemon with the first pipe opened, which takes a
  # second or two: once for every host here, side by side, so that no row
  # waits for it.
  pids=()
  for row in testhost "${INTEROP_HOSTS[@]}" "${HARDENED_HOSTS[@]}"; do
    for user in "$INTEROP_ADMIN" nobody; do
      wr_cli env USER="$user" timeout 60 "$WINREACH" "${row%%|*}" </dev/null >/dev/null 2>&1
    done &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || true; done
  for row in "${IMPACKET_HOSTS[@]}"; do
    wait_for_file "$WR_STATE/impacket-${row%%|*}/impacket_server.pid"
  done
  # impacket writes its pid before it listens.
  for row in "${IMPACKET_HOSTS[@]}"; do
    IFS='|' read -r name address settings <<<"$row"
    for _ in $(seq 50); do
      ip netns exec "$REF" ss -ltnH | awk '{print $4}' | grep -qx "$address:445" && break
      sleep 0.1
    done
  done
}

interop_down() {
  local row f
  local pids=()
  for row in "${INTEROP_HOSTS[@]}"; do
    "$TESTNET_DIR/samba-down" "${row%%|*}" &
    pids+=($!)
  done
  for row in "${IMPACKET_HOSTS[@]}"; do
    f=$WR_STATE/impacket-${row%%|*}
    stop_pidfile "$f/impacket_server.pid"
    remove_fault_address "$(cut -d'|' -f2 <<<"$row")"
    rm -rf "$f"
  done
  wait "${pids[@]}"
  sed -i '/ # interop$/d' "/etc/netns/$CLI/hosts"
  [ -e "$WR_STATE/interop-smb.conf" ] && cp "$WR_STATE/interop-smb.conf" "$INTEROP_CONF"
  return 0
}

# The folder of a server's log files.
interop_log_dir() {
  case $1 in
    testhost) echo "$WR_STATE/samba/log" ;;
    dc | dc.wrdom.test | 10.77.7.30) echo "$WR_STATE/dc/log" ;;
    imp*) echo "$WR_STATE/impacket-$1" ;;
    10.77.7.27) echo "$WR_STATE/host-port139/log" ;;
    *) echo "$WR_STATE/host-$1/log" ;;
  esac
}

# The remote lines of impacket's server once IPC$ connects. Its srvsvc
# answers every level with level 101's information: the three other levels
# get an answer to a question they did not ask, an RPC protocol error
# (1728). It has no winreg or svcctl pipe and answers their opening with
# STATUS_NO_SUCH_FILE (2).
impacket_lines() {
  local connect=$1 admin=$2
  if [ "$connect" != OK ]; then
    hardened_lines "$connect" "$admin"
    return
  fi
  printf '%s\n' 'NetServerGetInfo level 100 failed! Error 000006C0' 'NetServerGetInfo level 101 OK!' \
    'NetServerGetInfo level 102 failed! Error 000006C0' \
    'NetServerGetInfo level 503 failed! Error 000006C0' \
    'Remote access to the registry (HKEY_LOCAL_MACHINE) failed! Error 00000002'
  if [ "$admin" = OK ]; then
    echo 'Remote access to the ADMIN$ share OK!'
  else
    echo "Remote access to the ADMIN\$ share failed! Error $admin"
  fi
  echo 'Unable to connect to the SCM! Error 00000002'
}

# A short code of the table ("OK", "5", "52E") as the report prints it.
full_code() { if [ "$1" = OK ]; then echo OK; else printf '%08X' "0x$1"; fi; }

# check_interop_row "HOST|LOGON|CLIENT SETTING|VERBOSE|CODES|SERVER LOG"
#   LOGON: admin, user (the plain user), guest (an account the server does
#     not know), anon (no account), krb (the DC's administrator with a
#     ticket), dom (WRDOM\administrator by NTLM)
#   CLIENT SETTING: a line for the client's smb.conf, or "-"
#   VERBOSE: the --verbose line after the address and port, or "-" when no
#     session comes about
#   CODES: the codes that decide the remote lines ("OK 5"): IPC$ and
#     ADMIN$ (on the DC, CurrentVersion and ADMIN$), and the service
#     manager's when it differs from ADMIN$'s
#   SERVER LOG: lines the server's log must hold, ";" between them, or "-"
check_interop_row() {
  local host logon setting verbose codes logs env=() out err line lines log pattern address rc=0 \
    first admin scm start f
  IFS='|' read -r host logon setting verbose codes logs <<<"$1"
  case $logon in
    admin) env=(USER="$INTEROP_ADMIN") ;;
    user) env=(USER="user%${WR_USER_PASSWORD:-Us3r-pass}") ;;
    guest) env=(USER="nosuchuser%Not-a-pass") ;;
    anon) env=(USER=nobody) ;;
    krb) env=(KRB5CCNAME="$(dc_ticket administrator)") ;;
    dom) env=(USER="WRDOM\\administrator%$DC_PASSWORD") ;;
  esac
  cp "$WR_STATE/interop-smb.conf" "$INTEROP_CONF"
  [ "$setting" = - ] || echo "  $setting" >>"$INTEROP_CONF"
  log=$(interop_log_dir "$host")
  for f in "$log"/*.log; do : >"$f"; done
  start=$(now_ms)
  err=$(wr_cli env -u USER -u LOGNAME -u PASSWD -u PASSWD_FILE -u KRB5CCNAME \
    KRB5_CONFIG="$DC_KRB5_CONFIG" "${env[@]}" timeout 60 "$WINREACH" --verbose "$host" \
    </dev/null 2>&1 >"$WR_STATE/interop.out")
  out=$(<"$WR_STATE/interop.out")
  echo "  $(( $(now_ms) - start )) ms  $host, $logon, $setting" >>"$WR_STATE/interop-times"
  line=$(grep -m1 ' SMB ' <<<"$err" || true)
  # The address connected to: the first that the name resolves to.
  address=$(wr_cli getent ahosts "$host" | awk 'NR == 1 { print $1 }')
  case $address in *:*) address="[$address]" ;; esac
  if [ "$verbose" = - ]; then
    assert_eq "" "$line" "$1: --verbose line" || rc=1
  else
    case $verbose in :*) ;; *) verbose=":445 $verbose" ;; esac
    assert_eq "winreach: $address$verbose" "$line" "$1: --verbose line" || rc=1
  fi
  read -r first admin scm <<<"$codes"
  first=$(full_code "$first") admin=$(full_code "$admin") scm=$(full_code "${scm:-$admin}")
  case $host in
    dc | dc.wrdom.test | 10.77.7.30) lines=$(dc_lines "$first" "$admin") ;;
    imp*) lines=$(impacket_lines "$first" "$admin") ;;
    *) lines=$(hardened_lines "$first" "$admin") ;;
  esac
  # The service manager is reached through IPC$: ADMIN$'s code is its own
  # only when a third code says so.
  if [ "$first" = OK ] && [ "$scm" != "$admin" ]; then
    lines=$(sed '$d' <<<"$lines")
    if [ "$scm" = OK ]; then
      lines+=$'\nConnection to the SCM is OK!'
    else
      lines+=$'\n'"Unable to connect to the SCM! Error $scm"
    fi
  fi
  assert_eq "$lines" "$(remote_lines <<<"$out")" "$1: remote lines" || rc=1
  if [ "$logs" != - ]; then
    IFS=';' read -r -a logs <<<"$logs"
    for pattern in "${logs[@]}"; do
      grep -qF -- "$pattern" "$log"/*.log ||
        { echo "  $1: the server's log lacks: $pattern"; rc=1; }
    done
  fi
  return "$rc"
}

# HOST|LOGON|CLIENT SETTING|VERBOSE|CODES|SERVER LOG
INTEROP_MATRIX=(
  # Each dialect, chosen by the server, then by the client's range.
  "d202|admin|-|SMB 2.0.2, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "d202|anon|-|SMB 2.0.2, unsigned, anonymous|OK 5|-"
  "d210|admin|-|SMB 2.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "d300|admin|-|SMB 3.0, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "d302|admin|-|SMB 3.0.2, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "smb311|admin|-|SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "smb1|admin|-|-|32 32|-"
  "testhost|admin|client max protocol = SMB2_02|SMB 2.0.2, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "testhost|admin|client max protocol = SMB2_10|SMB 2.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "testhost|admin|client max protocol = SMB3_00|SMB 3.0, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "testhost|admin|client max protocol = SMB3_02|SMB 3.0.2, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "d202|admin|client min protocol = SMB3_00|-|32 32|-"
  "d300|anon|-|SMB 3.0, unsigned, anonymous|OK 5|-"
  # Signing: demanded by the server, by the client; each algorithm of 3.1.1.
  "signing|admin|-|SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "signing|anon|-|SMB 3.1.1, unsigned, anonymous|OK 5|-"
  "testhost|admin|client signing = required|SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "d202|admin|client signing = disabled|SMB 2.0.2, unsigned, NTLM as WRTEST\\administrator|OK OK|-"
  "signing|admin|client signing = disabled|SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  # A session without a key cannot sign: refused, as Samba's client refuses it.
  "testhost|anon|client signing = required|-|5 5|-"
  "testhost|guest|client signing = required|-|4F8 4F8|-"
  "hmac-ccm|admin|-|SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|Signing Algo: 0"
  "cmac-gcm|admin|-|SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|Signing Algo: 1"
  "gmac-ccm256|admin|-|SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|Signing Algo: 2"
  # Encryption: demanded by the server (for the session, for ADMIN$ alone),
  # by the client; each cipher.
  "encrypted|admin|-|SMB 3.1.1, encrypted, NTLM as WRTEST\\administrator|OK OK|-"
  "encrypted|anon|-|-|5 5|-"
  "encadmin|admin|-|SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "encadmin|user|-|SMB 3.1.1, signed, NTLM as WRTEST\\user|OK 5|-"
  "encadmin|admin|client max protocol = SMB2_10|SMB 2.1, signed, NTLM as WRTEST\\administrator|OK 5 OK|-"
  "encrypted|admin|client max protocol = SMB2_10|-|5 5|-"
  "hmac-ccm|admin|client smb encrypt = required|SMB 3.1.1, encrypted, NTLM as WRTEST\\administrator|OK OK|Signing Algo: 0;Cipher Algo: 1"
  "cmac-gcm|admin|client smb encrypt = required|SMB 3.1.1, encrypted, NTLM as WRTEST\\administrator|OK OK|Signing Algo: 1;Cipher Algo: 2"
  "gmac-ccm256|admin|client smb encrypt = required|SMB 3.1.1, encrypted, NTLM as WRTEST\\administrator|OK OK|Signing Algo: 2;Cipher Algo: 3"
  "gmac-gcm256|admin|client smb encrypt = required|SMB 3.1.1, encrypted, NTLM as WRTEST\\administrator|OK OK|Signing Algo: 2;Cipher Algo: 4"
  "d300|admin|client smb encrypt = required|SMB 3.0, encrypted, NTLM as WRTEST\\administrator|OK OK|-"
  "d302|admin|client smb encrypt = required|SMB 3.0.2, encrypted, NTLM as WRTEST\\administrator|OK OK|-"
  "d210|admin|client smb encrypt = required|-|5 5|-"
  "d210|admin|client smb encrypt = desired|SMB 2.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "encrypted|admin|client smb encrypt = off|-|5 5|-"
  "testhost|anon|client smb encrypt = required|-|5 5|-"
  # Guest and anonymous. Credentials the server takes for its guest's are
  # refused, as Windows refuses them (ERROR_SMB_GUEST_LOGON_BLOCKED).
  "testhost|guest|-|-|4F8 4F8|-"
  "testhost|anon|-|SMB 3.1.1, unsigned, anonymous|OK 5|-"
  "noanon|anon|-|-|5 5|-"
  "noanon|guest|-|-|52E 52E|-"
  # Port 139, NTLM refused.
  "port139|admin|-|:139 SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "10.77.7.27|admin|-|:139 SMB 3.1.1, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "nontlm|admin|-|-|791 791|-"
  "nontlm|anon|-|SMB 3.1.1, unsigned, anonymous|OK 5|-"
  # The domain controller: Kerberos and NTLM.
  "dc.wrdom.test|krb|-|SMB 3.1.1, signed, Kerberos as administrator@WRDOM.TEST|OK OK|-"
  "dc.wrdom.test|krb|client max protocol = SMB2_02|SMB 2.0.2, signed, Kerberos as administrator@WRDOM.TEST|OK OK|-"
  "dc.wrdom.test|krb|client max protocol = SMB3_00|SMB 3.0, signed, Kerberos as administrator@WRDOM.TEST|OK OK|-"
  "dc.wrdom.test|krb|client smb encrypt = required|SMB 3.1.1, encrypted, Kerberos as administrator@WRDOM.TEST|OK OK|-"
  "dc|dom|-|SMB 3.1.1, signed, NTLM as WRDOM\\administrator|OK OK|-"
  "dc|dom|client smb encrypt = required|SMB 3.1.1, encrypted, NTLM as WRDOM\\administrator|OK OK|-"
  # A ticket names no address: by address, the run goes on anonymously.
  "10.77.7.30|krb|-|SMB 3.1.1, unsigned, anonymous|5 5|-"
  # impacket's server: SMB 2.0.2, HMAC-SHA256 signing, NTLM and anonymous.
  "imp|admin|-|SMB 2.0.2, signed, NTLM as WRTEST\\administrator|OK OK|\\administrator authenticated successfully"
  "imp|admin|client signing = required|SMB 2.0.2, signed, NTLM as WRTEST\\administrator|OK OK|-"
  "imp|admin|client smb encrypt = required|-|5 5|-"
  "imp|anon|-|-|5 5|-"
  # It answers 2.0.2 whatever it is offered.
  "imp|admin|client min protocol = SMB2_10|-|32 32|-"
  "impopen|anon|-|SMB 2.0.2, unsigned, anonymous|OK OK|-"
  "impopen|guest|-|-|4F8 4F8|-"
  "impopen|anon|client signing = required|-|5 5|-"
)

test_interop_matrix() {
  local row failed=0 start
  interop_helpers
  cp "$INTEROP_CONF" "$WR_STATE/interop-smb.conf"
  trap "set +e; interop_down >/dev/null 2>&1" EXIT
  : >"$WR_STATE/interop-times"
  start=$(now_ms)
  interop_up
  echo "  servers up in $(( $(now_ms) - start )) ms"
  # Every row runs, and every failing row is told.
  for row in "${INTEROP_MATRIX[@]}"; do
    check_interop_row "$row" || failed=$((failed + 1))
  done
  cat "$WR_STATE/interop-times"
  echo "  ${#INTEROP_MATRIX[@]} rows, $failed failed, $(( $(now_ms) - start )) ms in all"
  [ "$failed" = 0 ]
}

# The domain controller's file server with SETTINGs added to its [global]
# section, or as dc-up wrote it when none is given. smbd reads its
# configuration again on SIGHUP, in a fraction of the seconds a restart of
# the DC takes; it logs the reload before it takes the next connection.
dc_reconfigure() {
  local dc=$WR_STATE/dc setting reloads
  [ -e "$dc/smb.conf.dc-up" ] || cp "$dc/smb.conf" "$dc/smb.conf.dc-up"
  cp "$dc/smb.conf.dc-up" "$dc/smb.conf"
  for setting in "$@"; do sed -i "/^\[global\]\$/a\\  $setting" "$dc/smb.conf"; done
  : >>"$dc/log/smbd.log"
  reloads=$(grep -c 'Reloading services after SIGHUP' "$dc/log/smbd.log" || true)
  kill -HUP "$(cat "$dc/pid/smbd.pid")"
  for _ in $(seq 100); do
    [ "$(grep -c 'Reloading services after SIGHUP' "$dc/log/smbd.log" || true)" -gt "$reloads" ] &&
      return 0
    sleep 0.1
  done
  echo "  the DC's smbd did not read its configuration again"
  return 1
}

# The DC with encryption required and one AES-256 cipher (CIPHER|ROW of the
# matrix). A Kerberos ticket of AES-256 gives a 32-byte session key, and the
# cipher keys come from all of it; NTLM's key has 16 bytes (its row is the
# control).
INTEROP_DC_CIPHER_ROWS=(
  "AES-256-GCM|dc.wrdom.test|krb|-|SMB 3.1.1, encrypted, Kerberos as administrator@WRDOM.TEST|OK OK|Cipher Algo: 4"
  "AES-256-GCM|dc|dom|-|SMB 3.1.1, encrypted, NTLM as WRDOM\\administrator|OK OK|Cipher Algo: 4"
  "AES-256-CCM|dc.wrdom.test|krb|-|SMB 3.1.1, encrypted, Kerberos as administrator@WRDOM.TEST|OK OK|Cipher Algo: 3"
)

test_interop_dc_aes256_encryption() {
  local row cipher='' failed=0
  interop_helpers
  dc_up
  cp "$INTEROP_CONF" "$WR_STATE/interop-smb.conf"
  trap "set +e; dc_reconfigure >/dev/null; cp '$WR_STATE/interop-smb.conf' '$INTEROP_CONF'" EXIT
  : >"$WR_STATE/interop-times"
  for row in "${INTEROP_DC_CIPHER_ROWS[@]}"; do
    [ "${row%%|*}" = "$cipher" ] || dc_reconfigure 'server smb encrypt = required' \
      "server smb3 encryption algorithms = ${row%%|*}" 'debug encryption = yes'
    cipher=${row%%|*}
    check_interop_row "${row#*|}" || failed=$((failed + 1))
  done
  cat "$WR_STATE/interop-times"
  [ "$failed" = 0 ]
}
