# Helpers for the integration tests, sourced by ./run. Every test runs the
# built program inside the client namespace of the test network.
. "$(cd "$(dirname "${BASH_SOURCE[0]}")/../testnet" && pwd)/common.sh"

: "${WINREACH:?WINREACH must name the built program}"

# True for the sanitizer build (./run says which build is under test):
# resident sizes mean nothing there, and valgrind cannot run it.
sanitized() { [ "${WINREACH_BUILD:-}" = sanitized ]; }


# Runs a command in the client namespace (or the server one).
wr_cli() { ip netns exec "$CLI" "$@"; }
wr_srv() { ip netns exec "$SRV" "$@"; }

# Runs the program in the client namespace with standard input closed off,
# within a time limit; the output is what the test compares.
winreach_cli() { wr_cli timeout 60 "$WINREACH" "$@" </dev/null; }

# assert_eq EXPECTED ACTUAL [LABEL]: a unified diff and failure on mismatch.
assert_eq() {
  local expected=$1 actual=$2 label=${3:-output}
  if [ "$expected" != "$actual" ]; then
    echo "  $label differs (- expected, + actual):"
    diff -u <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | tail -n +3 | sed 's/^/    /'
    return 1
  fi
}

# assert_contains HAYSTACK LINE [LABEL]: LINE must stand whole in HAYSTACK.
assert_contains() {
  local haystack=$1 line=$2 label=${3:-output}
  if ! grep -qxF -- "$line" <<<"$haystack"; then
    echo "  $label lacks the line: $line"
    printf '%s\n' "$haystack" | sed 's/^/    | /'
    return 1
  fi
}

# refute_match HAYSTACK PATTERN [LABEL]: no line of HAYSTACK matches the
# basic regular expression PATTERN. ("! grep" would not do: set -e ignores a
# negated command's failure.)
refute_match() {
  local haystack=$1 pattern=$2 label=${3:-output}
  if grep -q -- "$pattern" <<<"$haystack"; then
    echo "  $label has a line matching: $pattern"
    grep -- "$pattern" <<<"$haystack" | sed 's/^/    | /'
    return 1
  fi
}

# assert_between LOW HIGH VALUE LABEL: LOW <= VALUE <= HIGH (integers).
assert_between() {
  if [ "$3" -lt "$1" ] || [ "$3" -gt "$2" ]; then
    echo "  $4 is $3, outside $1..$2"
    return 1
  fi
}

# Milliseconds on the monotonic clock, for bounded-time assertions.
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# The banner as the program prints it for TARGET (upper-cased) run in the
# client namespace, whose host name is the machine's.
banner() {
  local upper
  upper=$(printf '%s' "$1" | tr '[:lower:]' '[:upper:]')
  printf '\n%s\nTesting network connectivity to the remote computer %s\nLocal computer: %s\n' \
    "$("$WINREACH" --version)" "$upper" "$(hostname | cut -d. -f1)"
}

# The misbehaving peers of tests/faults, and the Python that runs them.
FAULTS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../faults" && pwd)
PY=/usr/bin/python3  # Debian's, where python3-impacket lives

# An address of the refusing host's namespace for one fault server; taken
# away again when the test ends.
add_fault_address() {
  ip -n "$REF" addr add "$1/24" dev eth0 2>/dev/null || true
}
remove_fault_address() {
  ip -n "$REF" addr del "$1/24" dev eth0 2>/dev/null || true
}

wait_for_file() {
  for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done
  echo "  $1 did not appear"
  return 1
}
