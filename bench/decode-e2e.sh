#!/usr/bin/env bash
# vantrel-decode end to end on a generated log: the replay through the trace
# pipeline against the direct one-thread decode: words/s, lines/s, CPU time
# and peak memory, then both again with one core kept busy by another program.
# Usage: bench/decode-e2e.sh [WORDS] [vantrel-decode options...]
source "$(dirname "$0")/../scripts/lib/setup.sh"
cd "$VANTREL_ROOT"
vantrel_install_packages time
vantrel_build default vantrel-decode vantrel-gen >/dev/null
words="${1:-20000000}"
shift || true
bin=build/default/src/app
out=build/default
log="$out/bench-${words}.log"
[ -f "$log" ] || "$bin/vantrel-gen" bench --words "$words" "$log"
lines=$("$bin/vantrel-decode" --direct "$@" "$log" | wc -l)
echo "log: $log ($(stat -c %s "$log") bytes, $words words, $lines lines)"
cat "$log" >/dev/null  # from the page cache from now on

# run NAME ARGS...: five runs; prints the median run (by CPU time) and keeps
# its "wall cpu" in $out/e2e.NAME. A 2-core virtual machine shares its cores,
# so single runs vary by a third.
run() {
  local name="$1" i
  shift
  : >"$out/e2e.runs"
  for i in 1 2 3 4 5; do
    /usr/bin/time -f "%e %U %S %M" -o "$out/e2e.time" "$bin/vantrel-decode" "$@" "$log" >/dev/null 2>/dev/null || true
    awk '{ print $2 + $3, $1, $4 }' "$out/e2e.time" >>"$out/e2e.runs"
  done
  read -r cpu secs kb < <(sort -n "$out/e2e.runs" | sed -n 3p)
  awk -v n="$name" -v w="$words" -v l="$lines" -v s="$secs" -v c="$cpu" -v k="$kb" \
    'BEGIN { printf "%-16s %6.2f s  cpu %6.2f s  %6.2f M words/s  %6.3f M lines/s  peak %.1f MB\n",
             n, s, c, w / s / 1e6, l / s / 1e6, k / 1024 }'
  echo "$secs $cpu" >"$out/e2e.$name"
}
run direct --direct "$@"
run pipeline "$@"
yes >/dev/null &
busy=$!
trap 'kill $busy 2>/dev/null' EXIT
sleep 0.5
run direct-loaded --direct "$@"
run pipeline-loaded "$@"
kill $busy
read -r dw dc <"$out/e2e.direct"
read -r pw pc <"$out/e2e.pipeline"
read -r lw _ <"$out/e2e.direct-loaded"
read -r qw _ <"$out/e2e.pipeline-loaded"
awk -v dw="$dw" -v dc="$dc" -v pw="$pw" -v pc="$pc" -v lw="$lw" -v qw="$qw" 'BEGIN {
  printf "pipeline wall at %.0f%% of the direct decode'"'"'s speed\n", 100 * dw / pw
  printf "pipeline CPU time %.2f x the direct decode'"'"'s (target at most 1.5)\n", pc / dc
  printf "one core busy: pipeline wall %.2f x the direct decode'"'"'s idle wall, %.2f x its loaded wall (target at most 2)\n", qw / dw, qw / lw
}'
