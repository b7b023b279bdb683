# contrib/ansible's playbook, run by ansible-core from the client namespace
# over SSH against three vantage hosts, namespaces with sshd on port 22:
#   wr-hq 10.77.31.2 routes everywhere (through the client, which forwards),
#   wr-br 10.77.32.2 to the test host's network only (not to "refusing"),
#   wr-dmz 10.77.33.2 to the controller only.
# They share this machine's files, so the role's "unpack" installation
# extracts the real .deb into a folder of each instead of installing it with
# apt; everything the run keeps lies under the test network's state folder.

ANSIBLE_TEST_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ANSIBLE_TOP=$(cd "$ANSIBLE_TEST_DIR/../.." && pwd)
VANTAGES=(hq br dmz)

# The Debian package the playbook installs: WINREACH_DEB, else out/'s when it
# is of this version (scripts/test builds it first), else one built now
# without its unit tests.
ansible_deb() {
  local version deb
  [ -z "${WINREACH_DEB:-}" ] || { echo "$WINREACH_DEB"; return 0; }
  version=$(sed -n 's/^project(winreach VERSION \([0-9.]*\) .*/\1/p' "$ANSIBLE_TOP/CMakeLists.txt")
  deb=$(ls "$ANSIBLE_TOP"/out/winreach_"$version"_*.deb 2>/dev/null | head -n 1 || true)
  if [ -z "$deb" ]; then
    DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" "$ANSIBLE_TOP/scripts/package" deb >&2 || return 1
    deb=$(ls "$ANSIBLE_TOP"/out/winreach_"$version"_*.deb | head -n 1)
  fi
  [ -s "$deb" ] && echo "$deb"
}

# Stops everything the vantage hosts run (sshd, a job Ansible left in the
# background), each by its pid, and removes their namespaces, links, routes
# and files. Safe on every path, and when nothing is up.
# Ansible's SSH connections end with the sshd they talk to.
vantages_down() {
  local ns pid
  for v in "${VANTAGES[@]}"; do
    ns=wr-$v$sfx
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
    ip netns del "$ns" 2>/dev/null
    rm -rf "/etc/netns/$ns"
  done
  for n in 1 2; do ip -n "$SRV" route del "10.77.3$n.0/24" 2>/dev/null; done
  [ -z "${CLI_FORWARDING:-}" ] || ip netns exec "$CLI" sysctl -qw net.ipv4.ip_forward="$CLI_FORWARDING"
  return 0
}

# vantage_up NAME N: namespace wr-NAME, linked to the client namespace as
# 10.77.3N.2 (the client 10.77.3N.1), with the test hosts' names and sshd.
vantage_up() {
  local v=$1 n=$2 ns=wr-$1$sfx
  # Named in the state folder first: tests/testnet/down removes it too.
  echo "$ns" >>"$WR_STATE/namespaces"
  ip netns add "$ns"
  ip link add "wrv$v$sfx" netns "$CLI" type veth peer name "wrp$v$sfx" netns "$ns"
  ip -n "$ns" link set "wrp$v$sfx" name eth0
  ip -n "$CLI" addr add "10.77.3$n.1/24" dev "wrv$v$sfx"
  ip -n "$CLI" link set "wrv$v$sfx" up
  ip -n "$ns" addr add "10.77.3$n.2/24" dev eth0
  ip -n "$ns" link set lo up
  ip -n "$ns" link set eth0 up
  mkdir -p "/etc/netns/$ns"
  # Unknown names go to the namespace's own loopback: no query leaves it.
  echo "nameserver 127.0.0.1" >"/etc/netns/$ns/resolv.conf"
  printf '127.0.0.1 localhost\n10.77.0.2 testhost\n10.77.7.2 refusing\n' >"/etc/netns/$ns/hosts"
  ip netns exec "$ns" /usr/sbin/sshd -D -e -f "$ANS/sshd_config" -o "ListenAddress=10.77.3$n.2" \
    2>"$ANS/sshd-$v.log" &
  disown  # stopped by pid with the rest of the namespace (vantages_down)
  echo "10.77.3$n.2 $(cut -d' ' -f1-2 "$ANS/host_key.pub")" >>"$ANS/known_hosts"
}

ansible_setup() {
  local deb
  deb=$(ansible_deb) || { echo "  no Debian package to install"; return 1; }
  ANS=$(mktemp -d "$WR_STATE/ansible.XXXXXX")
  mkdir -p "$ANS/home" "$ANS/report"
  ssh-keygen -q -t ed25519 -N '' -C winreach-test -f "$ANS/id"
  ssh-keygen -q -t ed25519 -N '' -C winreach-test -f "$ANS/host_key"
  cp "$ANS/id.pub" "$ANS/authorized_keys"
  cat >"$ANS/sshd_config" <<CONF
HostKey $ANS/host_key
AuthorizedKeysFile $ANS/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
PidFile none
Subsystem sftp /usr/lib/openssh/sftp-server
CONF
  # sshd wants its privilege separation folder, which the openssh-server
  # package's service would make; empty, and the same for every sshd.
  mkdir -p /run/sshd
  CLI_FORWARDING=$(ip netns exec "$CLI" sysctl -n net.ipv4.ip_forward)
  ip netns exec "$CLI" sysctl -qw net.ipv4.ip_forward=1
  vantage_up hq 1
  vantage_up br 2
  vantage_up dmz 3
  ip -n "wr-hq$sfx" route add default via 10.77.31.1
  ip -n "wr-br$sfx" route add 10.77.0.0/24 via 10.77.32.1
  for n in 1 2; do ip -n "$SRV" route add "10.77.3$n.0/24" via 10.77.0.1; done

  cat >"$ANS/ansible.cfg" <<CONF
[defaults]
interpreter_python = /usr/bin/python3
[ssh_connection]
pipelining = True
ssh_args = -F none -o ControlMaster=auto -o ControlPersist=30s -o IdentitiesOnly=yes -o GlobalKnownHostsFile=/dev/null -o UserKnownHostsFile=$ANS/known_hosts -o StrictHostKeyChecking=yes -o ConnectTimeout=5
control_path = $ANS/ssh-%%h
CONF
  # The inventory a site would write, but for the places on this machine:
  # each vantage host's own folders, and Ansible's files in the test's.
  cat >"$ANS/inventory.yml" <<INV
all:
  vars:
    ansible_user: root
    ansible_ssh_private_key_file: $ANS/id
    ansible_remote_tmp: $ANS/remote-tmp
    ansible_async_dir: $ANS/async
    winreach_become: false
    winreach_install: unpack
    winreach_deb: $deb
    winreach_prefix: "$ANS/{{ inventory_hostname }}/opt"
    winreach_workdir: "$ANS/{{ inventory_hostname }}/var"
    winreach_report_dir: $ANS/report
    winreach_poll: 1
  children:
    winreach_vantages:
      vars:
        winreach_targets: [testhost, refusing]
      hosts:
        hq:
          ansible_host: 10.77.31.2
          winreach_targets: [testhost, refusing, nowhere]
        br:
          ansible_host: 10.77.32.2
        dmz:
          ansible_host: 10.77.33.2
INV
}

# The controller: in the client namespace, with a home of its own (Ansible's
# and ansible-lint's caches) and no SSH agent.
controller() {
  ip netns exec "$CLI" env -u SSH_AUTH_SOCK HOME="$ANS/home" ANSIBLE_CONFIG="$ANS/ansible.cfg" "$@"
}

run_playbook() {
  controller timeout 150 ansible-playbook -i "$ANS/inventory.yml" \
    "$ANSIBLE_TOP/contrib/ansible/site.yml" >"$ANS/playbook-$1.log" 2>&1 || {
    tail -n 40 "$ANS/playbook-$1.log" | sed 's/^/    | /'
    echo "  the playbook failed (run $1)"
    return 1
  }
}

# (vantage, target, verdict) of each merged record, sorted.
merged_verdicts() {
  /usr/bin/python3 -c 'import json, sys
for line in open(sys.argv[1]):
    r = json.loads(line)
    print(r["vantage"], r["target"], r["verdict"]["kind"])' "$ANS/report/fleet.jsonl" | sort
}

test_ansible_runs_the_fleet_from_three_vantages_and_resumes() {
  if sanitized; then
    echo "  skipped: the playbook installs the Debian package, which no sanitizer build changes"
    return 0
  fi
  trap vantages_down EXIT
  trap 'exit 130' INT TERM
  ansible_setup
  local start=$SECONDS
  controller ansible-playbook -i "$ANS/inventory.yml" --syntax-check \
    "$ANSIBLE_TOP/contrib/ansible/site.yml" >/dev/null
  if command -v ansible-lint >/dev/null; then
    (cd "$ANSIBLE_TOP/contrib/ansible" && controller ansible-lint --offline --nocolor -q) ||
      { echo "  ansible-lint finds fault with contrib/ansible"; return 1; }
  fi
  echo "  syntax check and ansible-lint: $((SECONDS - start)) s"

  start=$SECONDS
  run_playbook 1
  echo "  first run: $((SECONDS - start)) s"
  # One record per (vantage, computer), each vantage with its own list and
  # view: the branch has no route to "refusing", the DMZ to nothing.
  local first
  first=$(merged_verdicts)
  assert_eq "br refusing no_answer
br testhost access_denied
dmz refusing no_answer
dmz testhost no_answer
hq nowhere unresolved
hq refusing no_smb_server
hq testhost access_denied" "$first" "merged records"
  local summary
  summary=$(cat "$ANS/report/fleet.txt")
  assert_contains "$summary" "  refusing: no_smb_server from hq; no_answer from br, dmz" "summary"
  assert_contains "$summary" "Verdict, each computer at its best from any vantage host: 1 access_denied, 1 no_smb_server, 1 unresolved" "summary"
  grep -q "Verdict, each computer" "$ANS/playbook-1.log"

  # A run cut off: the headquarters' last record torn. The next run checks
  # that computer again and no other; the other vantages' files stay as
  # they were, byte for byte.
  local hq_records=$ANS/hq/var/fleet.jsonl last kept
  last=$(tail -n 1 "$hq_records")
  kept=$(head -n -1 "$hq_records")
  { printf '%s\n' "$kept"; printf '%s' "${last:0:40}"; } >"$hq_records"
  sha256sum "$ANS"/{br,dmz}/var/fleet.jsonl >"$ANS/untouched.sha256"
  start=$SECONDS
  run_playbook 2
  echo "  second run: $((SECONDS - start)) s"
  sha256sum -c --quiet "$ANS/untouched.sha256"
  assert_eq "$kept" "$(head -n -1 "$hq_records")" "the headquarters' whole records"
  assert_eq "$(grep -o '"target":"[^"]*"' <<<"$last")" \
    "$(tail -n 1 "$hq_records" | grep -o '"target":"[^"]*"')" "the computer checked again"
  assert_eq 3 "$(wc -l <"$hq_records")" "the headquarters' records"
  assert_eq "$first" "$(merged_verdicts)" "merged records after the second run"
}
