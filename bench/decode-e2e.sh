#!/usr/bin/env bash
# vantrel-decode end to end on a generated log: the replay through the trace
# pipeline against the direct one-thread decode, words/s, lines/s and peak
# memory. Usage: bench/decode-e2e.sh [WORDS] [vantrel-decode options...]
source "$(dirname "$0")/../scripts/lib/setup.sh"
cd "$VANTREL_ROOT"
vantrel_install_packages time
vantrel_build default vantrel-decode vantrel-gen >/dev/null
words="${1:-20000000}"
shift || true
bin=build/default/src/app
log="build/default/bench-${words}.log"
[ -f "$log" ] || "$bin/vantrel-gen" bench --words "$words" "$log"
lines=$("$bin/vantrel-decode" --direct "$@" "$log" | wc -l)
echo "log: $log ($(stat -c %s "$log") bytes, $words words, $lines lines)"
cat "$log" >/dev/null  # from the page cache from now on
run() {
  local name="$1"
  shift
  /usr/bin/time -f "%e %M" -o build/default/e2e.time "$bin/vantrel-decode" "$@" "$log" >/dev/null 2>/dev/null || true
  read -r secs kb <build/default/e2e.time
  awk -v n="$name" -v w="$words" -v l="$lines" -v s="$secs" -v k="$kb" \
    'BEGIN { printf "%-9s %6.2f s  %6.2f M words/s  %6.3f M lines/s  peak %.1f MB\n", n, s, w / s / 1e6, l / s / 1e6, k / 1024 }'
  echo "$secs" >"build/default/e2e.$name"
}
run direct --direct "$@"
run pipeline "$@"
awk -v d="$(cat build/default/e2e.direct)" -v p="$(cat build/default/e2e.pipeline)" \
  'BEGIN { printf "pipeline at %.0f%% of the direct decode\n", 100 * d / p }'
