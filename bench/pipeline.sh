#!/usr/bin/env bash
# The upgrade job's speed and memory, each against the system tools in the
# same run:
#   1. the extraction pass against `unrar x` on the same 200 MB archive
#      (target: at least 95% of its throughput) and the copy walk against
#      `cp -r` on the same tree, without and with its 5 ms pauses (target
#      without them: at least 90%), and a whole job on a package of 20,000
#      small entries, its fixed pauses set to 0: its extraction with the
#      encoding and its copy walk against unrar x + cp -r (target: the
#      median of the ratios over pairs of runs, one with each side first, at
#      most 1.1), the whole job beside it, from build/.../bench/pipeline_bench;
#   2. `ostrel-cli write` on a 200 MB package against unrar x + the fixed
#      pauses + cp -r on the same data (target: at most 1.1 times as long);
#   3. the peak memory of `ostrel-cli write` on 200 MB and 400 MB packages
#      (target: under 64 MiB, not growing with the package).
#
#   bench/pipeline.sh [BUILD_DIR]     (default build/release)
#
# Files go to $BENCH_DIR (default /dev/shm, so that the disk plays no part;
# /tmp where that is missing); the run needs about 2 GiB there. RUNS sets
# the runs of each side. Needs rar, unrar, python3 and /usr/bin/time.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/release}")
cli=$build/src/cli/ostrel-cli
bench=$build/bench/pipeline_bench
runs=${RUNS:-5}
for program in "$cli" "$bench"; do
    [[ -x $program ]] || { echo "pipeline.sh: no $program (build ostrel-cli and pipeline_bench)" >&2; exit 2; }
done
for tool in rar unrar python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "pipeline.sh: $tool is missing" >&2; exit 2; }
done
base=${BENCH_DIR:-/dev/shm}
[[ -d $base && -w $base ]] || base=/tmp
dir=$(mktemp -d "$base/ostrel-pipeline-XXXXXX")
trap 'rm -rf "$dir"' EXIT
status=0

echo "== extraction pass and copy walk (pipeline_bench, both sides in every iteration)"
TMPDIR=$dir "$bench" --benchmark_counters_tabular=true --benchmark_out="$dir/bench.json" \
    --benchmark_out_format=json | grep -E '^(Benchmark|BM_)'
python3 - "$dir/bench.json" <<'PY' || status=1
import json, sys
runs = {b["name"].split("/iterations")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
extract = runs["BM_ExtractFilesVsUnrar"]["throughput_vs_tool"]
walk = runs["BM_CopyWalkVsCp/0"]["throughput_vs_tool"]
paused = runs["BM_CopyWalkVsCp/5"]["throughput_vs_tool"]
print(f"extraction: {100 * extract:.0f}% of the throughput of unrar x (target 95%)")
print(f"copy walk without pauses: {100 * walk:.0f}% of cp -r (target 90%)")
print(f"copy walk with its 5 ms pauses: {100 * paused:.0f}% of cp -r")
many = runs["BM_ManyEntriesVsTools"]
ratio = many["work_ratio_median"]
work = many["extract_s"] + many["copy_s"]
print(f"20,000 entries, extraction with encoding + copy walk: {work:.2f} s against unrar x + cp -r "
      f"{many['tools_s']:.2f} s (means): median over pairs of runs {ratio:.2f} x (target at most "
      f"1.10 x)")
print(f"  whole job without its pauses: {many['ours_s']:.2f} s, median over pairs of runs "
      f"{many['ratio_median']:.2f} x, ratio of the means {many['ours_s'] / many['tools_s']:.2f} x")
print(f"  by stage: start {many['start_s']:.2f} s, extraction {many['extract_s']:.2f} s (unrar x "
      f"{many['unrar_s']:.2f} s), copy walk {many['copy_s']:.2f} s (cp -r {many['cp_s']:.2f} s), "
      f"flush and check {many['flush_s']:.2f} s, removal {many['remove_s']:.2f} s (rm -r of the "
      f"tools' tree {many['rm_s']:.2f} s, not in their time)")
sys.exit(extract < 0.95 or walk < 0.90 or ratio > 1.10)
PY

. bench/make_package.sh

echo "== ostrel-cli write on a 200 MB package"
make_package 200 p200
# The walk pauses 5 ms per entry of the staging folder (., .., PKG) and of
# the flattened PKG (., .., its entries); sub-folders are copied whole.
entries=$(( 3 + 2 + $(ls -A "$dir/tree-p200/PKG" | wc -l) ))
pause=$(awk -v n="$entries" 'BEGIN { printf "%.3f", 3 + n * 0.005 }')
echo "package: $(du -m "$dir/p200.rar" | cut -f1) MB, $entries walked entries, fixed pauses ${pause} s"
# Each round runs both sides, in an order that turns from round to round;
# the target is the median of the ratios over pairs of rounds (one with each
# side first), as for the 20,000 entries above.
python3 - "$runs" "$dir" "$cli" "$pause" <<'PY' || status=1
import os, shutil, statistics, subprocess, sys, time
runs, d, cli, pause = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
tools = (f"unrar x -idq -y {d}/p200.plain {d}/stage/ && sleep {pause} && "
         f"cp -r {d}/stage/PKG/. {d}/tools-stick/")
env = dict(os.environ, TMPDIR=d, OSTREL_DRIVES=f"E={d}/stick")
sides = {"tools": (["sh", "-c", tools], None), "write": ([cli, "write", f"{d}/p200.rar", "E:\\"], env)}

def timed(name):
    for folder in ("stick", "tools-stick", "stage"):
        shutil.rmtree(f"{d}/{folder}", ignore_errors=True)
    os.mkdir(f"{d}/stick")
    os.mkdir(f"{d}/tools-stick")
    argv, environment = sides[name]
    start = time.perf_counter()
    done = subprocess.run(argv, env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                          text=True)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"pipeline.sh: {name} failed:\n{done.stderr}")
    return seconds

rounds = 2 * ((runs + 1) // 2)
times = {"tools": [], "write": []}
for r in range(rounds):
    for name in (["tools", "write"] if r % 2 == 0 else ["write", "tools"]):
        times[name].append(timed(name))
pairs = [(times["write"][i] + times["write"][i + 1]) / (times["tools"][i] + times["tools"][i + 1])
         for i in range(0, rounds, 2)]
ratio = statistics.median(pairs)
print(f"tools {statistics.mean(times['tools']):.3f} s, write {statistics.mean(times['write']):.3f} s "
      f"(means of {rounds} rounds): median over pairs of rounds {ratio:.2f} x (target at most 1.10 x)")
sys.exit(ratio > 1.10)
PY
rm -rf "$dir/stage" "$dir/tools-stick" "$dir/tree-p200" "$dir/p200.plain"

echo "== peak memory of ostrel-cli write"
make_package 400 p400
rm -rf "$dir/tree-p400" "$dir/p400.plain"
peaks=()
for size in 200 400; do
    rm -rf "$dir/stick"/*
    OSTREL_DRIVES=E=$dir/stick /usr/bin/time -f %M "$cli" write "$dir/p$size.rar" 'E:\' \
        >/dev/null 2>"$dir/err" || { echo "write failed:"; cat "$dir/err"; status=1; }
    kib=$(tail -n 1 "$dir/err")
    peaks+=("$kib")
    awk -v s="$size" -v k="$kib" 'BEGIN { printf "%d MB package: %d KiB (%.1f MiB)%s\n", s, k, k / 1024, k < 65536 ? "" : "  (above the 64 MiB target)"; exit k >= 65536 }' || status=1
done
awk -v a="${peaks[0]}" -v b="${peaks[1]}" 'BEGIN {
    grows = (b - a > 4096)
    printf "growth from 200 to 400 MB: %+.1f MiB%s\n", (b - a) / 1024, grows ? "  (grows with the package)" : ""
    exit grows }' || status=1
exit $status
