#!/usr/bin/env bash
# The practice player as a newcomer starts it: in the background of a script, with three
# players, it says where each listens and serves there; a second one on the same ports
# says in one line what is wrong and fails.
#   check_practice_player.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
tmp=$(mktemp -d)
export QVIC_PRACTICE_DIR="$tmp/practice"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Three consecutive ports nobody listens on.
port=$(/usr/bin/python3 -c '
import socket
for base in range(20000, 60000, 7):
    held = []
    try:
        for port in range(base, base + 3):
            s = socket.socket(); s.bind(("127.0.0.1", port)); held.append(s)
    except OSError:
        continue
    print(base); break')

"$source_dir/scripts/practice-player" --players 3 --port "$port" >"$tmp/out" 2>"$tmp/err" </dev/null &
first=$!
cleanup() { kill "$first" 2>/dev/null || true; wait "$first" 2>/dev/null || true; rm -rf "$tmp"; }
trap cleanup EXIT
for _ in $(seq 100); do
    [ "$(wc -l <"$tmp/out")" -ge 3 ] && break
    sleep 0.1
done
expected=$(for k in 0 1 2; do echo "Practice player listening on 127.0.0.1:$((port + k))"; done)
[ "$(cat "$tmp/out")" = "$expected" ] || fail "the first start printed: $(cat "$tmp/out" "$tmp/err")"
for k in 0 1 2; do
    exec 4<>"/dev/tcp/127.0.0.1/$((port + k))" && read -r -t 5 greeting <&4 && exec 4<&- \
        && [[ "$greeting" == 220* ]] || fail "no player greets on port $((port + k))"
done

status=0
"$source_dir/scripts/practice-player" --players 3 --port "$port" >"$tmp/out2" 2>"$tmp/err2" </dev/null || status=$?
[ "$status" -ne 0 ] || fail "a second start on the same ports succeeded"
[ "$(wc -l <"$tmp/err2")" -eq 1 ] && grep -q "port $port on 127.0.0.1 is already in use" "$tmp/err2" \
    || fail "a second start said: $(cat "$tmp/out2" "$tmp/err2")"

kill "$first"
wait "$first" 2>/dev/null || true
(exec 4<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && fail "the players still listen after a kill"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "Practice players in the background and a second start on their ports: all checks passed"
