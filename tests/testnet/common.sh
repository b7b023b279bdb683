# Names and places shared by the test network's scripts. WR_NET_SUFFIX lets
# several copies of the network stand side by side.
sfx=${WR_NET_SUFFIX:-}
SRV=wr-srv$sfx
CLI=wr-cli$sfx
REF=wr-ref$sfx
WR_STATE=${WR_STATE:-/tmp/winreach-testnet$sfx}
TESTNET_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

in_srv() { ip netns exec "$SRV" "$@"; }
in_cli() { ip netns exec "$CLI" "$@"; }

# Stops the process whose pid stands in file $1, if it still runs, and waits
# for it to go.
stop_pidfile() {
  local file=$1 pid
  [ -s "$file" ] || return 0
  pid=$(tr -dc '0-9' <"$file")
  [ -n "$pid" ] || return 0
  if kill "$pid" 2>/dev/null; then
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$file"
}
