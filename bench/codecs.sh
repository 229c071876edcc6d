#!/usr/bin/env bash
# Descrambling and encoding a 256 MiB file from a warm page cache, each timed
# against cp of the same file in the same run (target: at least cp's
# throughput), and the peak memory of both commands on a 1 GiB input
# (target: at most 64 MiB).
#
#   bench/codecs.sh [path/to/ostrel-cli]
#
# Default program: build/release/src/cli/ostrel-cli. Files go to $BENCH_DIR
# (default /dev/shm, so that the disk plays no part; /tmp where that is
# missing); the run needs about 2.5 GiB there. BENCH_DIR=/var/tmp times the
# local disk instead. RUNS sets hyperfine's runs.
set -euo pipefail
cd "$(dirname "$0")/.."

cli=$(realpath "${1:-build/release/src/cli/ostrel-cli}")
runs=${RUNS:-10}
[[ -x $cli ]] || { echo "codecs.sh: no ostrel-cli at $cli (build the release preset first)" >&2; exit 2; }
for tool in hyperfine /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "codecs.sh: $tool is missing (scripts/bootstrap)" >&2; exit 2; }
done
base=${BENCH_DIR:-/dev/shm}
[[ -d $base && -w $base ]] || base=/tmp
dir=$(mktemp -d "$base/ostrel-codecs-XXXXXX")
trap 'rm -rf "$dir"' EXIT

info=$(printf '%s' "00000000000000000000000000000000" "543531324130303031323334" \
    "3344303041314232" "30323037" "00000000")
size=$((256 * 1024 * 1024))
head -c "$size" /dev/urandom >"$dir/in.rar"
cp "$dir/in.rar" "$dir/in.EPT"
cat "$dir/in.rar" "$dir/in.EPT" >/dev/null

echo "== throughput, 256 MiB from a warm page cache ($dir, $runs runs each)"
hyperfine -N --style basic --warmup 2 --runs "$runs" --export-csv "$dir/times.csv" \
    --prepare "rm -f $dir/out.cp $dir/out.rar $dir/in.EXE" \
    -n cp "cp $dir/in.rar $dir/out.cp" \
    -n descramble "$cli descramble $dir/in.rar $dir/out.rar" \
    -n encode "$cli encode $dir/in.EPT $info" >"$dir/hyperfine.log"

status=0
# Wall-clock throughput (median run) is the target; CPU time (user + system) is printed
# beside it because it suffers less when other programs share the machine.
awk -F, -v bytes="$size" '
    NR == 1 { next }
    { median[$1] = $4; cpu[$1] = $5 + $6 }
    END {
        printf "%-11s %8s %8s %7s %11s\n", "command", "median s", "MB/s", "vs cp", "CPU vs cp"
        for (i = 1; i <= 3; i++) {
            name = i == 1 ? "cp" : i == 2 ? "descramble" : "encode"
            ratio = median["cp"] / median[name]
            printf "%-11s %8.3f %8.0f %6.0f%% %10.0f%%%s\n", name, median[name],
                   bytes / 1e6 / median[name], 100 * ratio, 100 * cpu["cp"] / cpu[name],
                   (name != "cp" && ratio < 1.00) ? "  (below the 100% target)" : ""
            if (name != "cp" && ratio < 1.00) missed = 1
        }
        exit missed
    }' "$dir/times.csv" || status=1
rm -f "$dir/out.cp" "$dir/out.rar" "$dir/in.EXE"

echo "== peak memory, 1 GiB input"
cat "$dir/in.rar" "$dir/in.rar" "$dir/in.rar" "$dir/in.rar" >"$dir/big.rar"
rm -f "$dir/in.rar" "$dir/in.EPT"
mv "$dir/big.rar" "$dir/big.EPT"
peak() {  # label, command...: prints the peak resident set of the command
    local label=$1 kib
    shift
    kib=$( { /usr/bin/time -f %M "$@" >/dev/null; } 2>&1 | tail -n 1)
    awk -v label="$label" -v kib="$kib" 'BEGIN {
        printf "%-11s %6d KiB (%.1f MiB)%s\n", label, kib, kib / 1024,
               kib <= 65536 ? "" : "  (above the 64 MiB target)"
        exit kib <= 65536 ? 0 : 1
    }'
}
peak descramble "$cli" descramble "$dir/big.EPT" "$dir/big.out" || status=1
rm -f "$dir/big.out"
peak encode "$cli" encode "$dir/big.EPT" "$info" || status=1
exit $status
