#!/usr/bin/env bash
# Descrambling and encoding a 256 MiB file from a warm page cache, each timed
# against cp of the same file in the same run (target: at least cp's
# throughput, the median of rounds that run all three), and the peak memory
# of both commands on a 1 GiB input (target: at most 64 MiB).
#
#   bench/codecs.sh [path/to/ostrel-cli]
#
# Default program: build/release/src/cli/ostrel-cli. Files go to $BENCH_DIR
# (default /dev/shm, so that the disk plays no part; /tmp where that is
# missing); the run needs about 2.5 GiB there. BENCH_DIR=/var/tmp times the
# local disk instead. RUNS sets the rounds.
set -euo pipefail
cd "$(dirname "$0")/.."

cli=$(realpath "${1:-build/release/src/cli/ostrel-cli}")
runs=${RUNS:-10}
[[ -x $cli ]] || { echo "codecs.sh: no ostrel-cli at $cli (build the release preset first)" >&2; exit 2; }
for tool in python3 /usr/bin/time; do
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

echo "== throughput, 256 MiB from a warm page cache ($dir, $runs rounds)"
status=0
# Each round runs cp, descramble and encode once, in an order that turns
# from round to round, so that a slow spell of a shared machine falls on all
# three alike; the target is the median of the rounds' own ratios. CPU time
# (user + system) is printed beside it.
python3 - "$runs" "$size" "$cli" "$dir" "$info" <<'PY' || status=1
import os, statistics, subprocess, sys, time
runs, size, cli, d, info = int(sys.argv[1]), int(sys.argv[2]), *sys.argv[3:]
commands = {
    "cp": ["cp", f"{d}/in.rar", f"{d}/out.cp"],
    "descramble": [cli, "descramble", f"{d}/in.rar", f"{d}/out.rar"],
    "encode": [cli, "encode", f"{d}/in.EPT", info],
}

def timed(argv):
    for out in ("out.cp", "out.rar", "in.EXE"):
        try:
            os.remove(f"{d}/{out}")
        except FileNotFoundError:
            pass
    start = time.perf_counter()
    child = subprocess.Popen(argv, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"codecs.sh: {' '.join(argv[:2])} failed")
    return wall, usage.ru_utime + usage.ru_stime

names = list(commands)
walls = {n: [] for n in names}
cpus = {n: [] for n in names}
for r in range(runs + 2):  # the first two rounds warm up
    for n in names[r % 3:] + names[:r % 3]:
        wall, cpu = timed(commands[n])
        if r >= 2:
            walls[n].append(wall)
            cpus[n].append(cpu)
print(f"{'command':<11} {'median s':>8} {'MB/s':>8} {'vs cp':>7} {'CPU vs cp':>10}")
missed = False
for n in names:
    ratio = statistics.median(c / o for c, o in zip(walls["cp"], walls[n]))
    cpu = statistics.median(c / o for c, o in zip(cpus["cp"], cpus[n]) if o > 0)
    wall = statistics.median(walls[n])
    low = n != "cp" and ratio < 1.00
    missed |= low
    print(f"{n:<11} {wall:8.3f} {size / 1e6 / wall:8.0f} {100 * ratio:6.0f}% {100 * cpu:9.0f}%"
          + ("  (below the 100% target)" if low else ""))
sys.exit(missed)
PY
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
