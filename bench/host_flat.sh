#!/usr/bin/env bash
# Long host sessions stay flat, and describe is linear: runs the built host on generated sessions
# and prints the figures (median of the runs, with their range).
#   - memory: peak RSS of a session of 1,000,000 moves ("move x=1" / "move x=2" alternating over
#     the demo instrument) within 10 % of the peak of a session of 100,000 moves;
#   - describe: a proxy over one simulated machine with 100,000 axes; the time of "describe"
#     (the run with it less the run without it) under 2 seconds.
# Exits 1 when a goal is missed, 2 when something cannot be run.
#
# usage: bench/host_flat.sh [--runs N] [HOST]
#   HOST defaults to build/bench/bin/mmachhost (cmake --preset bench && cmake --build build/bench -j2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

runs=5
if [ "${1:-}" = "--runs" ]; then
  runs=$2
  shift 2
fi
host=${1:-$root/build/bench/bin/mmachhost}
[ -e "$host" ] && host=$(cd "$(dirname "$host")" && pwd)/$(basename "$host")
if [ ! -x "$host" ]; then
  echo "host_flat: no host at $host (build it with: cmake --preset bench && cmake --build build/bench -j2)" >&2
  exit 2
fi
if [ ! -x /usr/bin/time ]; then
  echo "host_flat: /usr/bin/time is needed (package time)" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ---- inputs ----
moves() {  # moves N FILE
  awk -v n="$1" 'BEGIN { for (i = 0; i < n; ++i) print (i % 2 ? "move x=2" : "move x=1") }' >"$2"
}
moves 100000 "$work/moves-100k.session"
moves 1000000 "$work/moves-1m.session"

mkdir "$work/wide"
cat >"$work/wide/wide.host.ini" <<'EOF'
[Proxy]
plugin=orvexproxy
name=wide
submachines=axes

[Submachine axes]
plugin=orvexsim
EOF
awk 'BEGIN {
  print "[Machine]"; print "description=100,000 axes"; print ""; print "[Commands]"; print "supported=all"
  for (i = 0; i < 100000; ++i) { printf "\n[Axis a%06d]\nflags=0x8\nvalue=%d\n", i, i }
}' >"$work/wide/axes.ini"
: >"$work/empty.session"
echo describe >"$work/describe.session"

# ---- measuring ----
# One run of the host; leaves "<peak RSS in KB> <elapsed seconds>" in $work/stats. The
# transcript must end with the proxy's close, so that a run that failed part way does not count.
measure() {  # measure CONFIG SESSION
  local out="$work/transcript"
  if ! /usr/bin/time -o "$work/stats" -f "%M %e" "$host" --error-log="$work/errors.log" "$1" "$2" >"$out"; then
    echo "host_flat: the host failed on $2:" >&2
    cat "$work/errors.log" >&2
    exit 2
  fi
  if [ "$(tail -n 1 "$out")" != "= close" ]; then
    echo "host_flat: the session $2 did not run to its end" >&2
    exit 2
  fi
}

# The median and the range of the numbers on standard input: "median (min-max)".
summary() {
  sort -g | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%g (%g-%g)\n", m, v[1], v[NR]
  }'
}
median() { summary | cut -d' ' -f1; }

# Per run: peak RSS (KB) of both move sessions, and the seconds of describe over the wide machine.
rss_100k=() rss_1m=() secs_1m=() describe=() wide_run=()
for ((r = 0; r < runs; ++r)); do
  measure "$root/examples/demo.host.ini" "$work/moves-100k.session"
  read -r kb _ <"$work/stats"
  rss_100k+=("$kb")
  measure "$root/examples/demo.host.ini" "$work/moves-1m.session"
  read -r kb s <"$work/stats"
  rss_1m+=("$kb")
  secs_1m+=("$s")
  measure "$work/wide/wide.host.ini" "$work/empty.session"
  read -r _ without <"$work/stats"
  measure "$work/wide/wide.host.ini" "$work/describe.session"
  read -r _ with <"$work/stats"
  if ! grep -q "^=   a099999  0x8  axes a099999$" "$work/transcript"; then
    echo "host_flat: describe did not list the last axis with its owner" >&2
    exit 2
  fi
  wide_run+=("$with")
  describe+=("$(awk -v a="$with" -v b="$without" 'BEGIN { d = a - b; print d < 0 ? 0 : d }')")
done

list() { printf '%s\n' "$@"; }
growth=$(awk -v a="$(list "${rss_1m[@]}" | median)" -v b="$(list "${rss_100k[@]}" | median)" \
  'BEGIN { printf "%.1f", (a / b - 1) * 100 }')
describe_median=$(list "${describe[@]}" | median)

echo "host_flat: $runs runs, median (range)"
echo "  peak RSS, 100,000 moves:   $(list "${rss_100k[@]}" | summary) KB"
echo "  peak RSS, 1,000,000 moves: $(list "${rss_1m[@]}" | summary) KB (run: $(list "${secs_1m[@]}" | summary) s)"
echo "  growth: ${growth} %  goal <= 10 %"
echo "  describe of 100,000 axes: $(list "${describe[@]}" | summary) s  goal < 2 s" \
  "(whole run: $(list "${wide_run[@]}" | summary) s)"

status=0
if awk -v g="$growth" 'BEGIN { exit !(g > 10) }'; then
  echo "host_flat: memory goal MISSED"
  status=1
fi
if awk -v d="$describe_median" 'BEGIN { exit !(d >= 2) }'; then
  echo "host_flat: describe goal MISSED"
  status=1
fi
exit $status
