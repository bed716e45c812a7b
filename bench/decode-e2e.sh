#!/usr/bin/env bash
# vantrel-decode end to end: words per second and peak memory on a generated
# log. Usage: bench/decode-e2e.sh [WORDS] [vantrel-decode options...]
source "$(dirname "$0")/../scripts/lib/setup.sh"
cd "$VANTREL_ROOT"
vantrel_install_packages time
vantrel_build default vantrel-decode vantrel-gen >/dev/null
words="${1:-20000000}"
shift || true
bin=build/default/src/app
log="build/default/bench-${words}.log"
[ -f "$log" ] || "$bin/vantrel-gen" bench --words "$words" "$log"
echo "log: $log ($(stat -c %s "$log") bytes)"
# Read the file once so the run measures decoding, not the disk.
cat "$log" >/dev/null
/usr/bin/time -f "%e s elapsed, %M KB peak" "$bin/vantrel-decode" "$@" "$log" >/dev/null 2>build/default/e2e.err || true
tail -n 1 build/default/e2e.err
secs=$(tail -n 1 build/default/e2e.err | cut -d' ' -f1)
awk -v w="$words" -v s="$secs" 'BEGIN { printf "%.2f million words/s\n", w / s / 1e6 }'
