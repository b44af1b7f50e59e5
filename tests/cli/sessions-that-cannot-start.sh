#!/bin/bash
# Sessions that cannot start: under an address-space limit that holds the
# stacks of only some of 64 calculators' threads, --all and the station end
# in order (no abort in the middle of flashes): the sessions that started
# finish, the others end as not started (exit status 11), every calculator
# has its row in the summary and the last line is the result.
# Usage: sessions-that-cannot-start.sh CLI
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail() { echo "sessions-that-cannot-start: $*" >&2; exit 1; }

# Twelve times every byte value: an image like any other.
printf -v every '\\x%02x' $(seq 0 255)
# shellcheck disable=SC2059 # the escapes are the format
for _ in $(seq 12); do printf "$every"; done >image.UD

limited() { (ulimit -s 8192 && ulimit -v 300000 && exec "$cli" --json --simulate --fast "$@"); }

check() {
  local name=$1 status=$2 rows=$3
  [ "$status" = 11 ] || fail "$name: exit status $status, not 11: $(tail -3 "$name.err")"
  tail -n 1 "$name.json" | grep -q '^{"type":"result","outcome":"not started","exitStatus":11,' ||
    fail "$name: the last line is no result: $(tail -n 1 "$name.json")"
  local summary
  summary=$(grep '^{"type":"summary"' "$name.json") || fail "$name: no summary"
  [ "$(grep -o '"device":' <<<"$summary" | wc -l)" = "$rows" ] || fail "$name: not $rows rows"
  grep -q '"outcome":"ok"' <<<"$summary" || fail "$name: no session finished"
  grep -q '"error":"The session of calculator [0-9]* could not start (' <<<"$summary" ||
    fail "$name: no row says why"
}

limited --sim-calculators 64 --all download image.UD >all.json 2>all.err
check all $? 64
# All arrive at once; the station takes no more once one cannot start.
limited --sim-calculators 64 --sim-arrive-every 0 station --count 64 image.UD >station.json 2>station.err
status=$?
rows=$(grep -c '^{"type":"finished"' station.json)
[ "$rows" -lt 64 ] || fail "station: took every calculator"
check station "$status" "$rows"
grep -q "Stopping: no more calculators are taken." station.err || fail "station: no stop said"
