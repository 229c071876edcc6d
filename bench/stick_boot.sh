# The bench boot of the stick harness (sourced by tests/stick/stick.sh when
# bench/stick.sh runs it): on one emulated stick in one guest, ostrel-cli
# write of a 200 MB package against unrar x + the job's fixed pauses +
# cp -r + sync on the same package, RUNS times each, in turn.

. "$(dirname "${BASH_SOURCE[0]}")/make_package.sh"

# The 200 MB package and its plain archive, made once per build folder, and
# the job's fixed pauses for it: 3 s before the copy and 5 ms per entry the
# copy walks: the staging folder's (., .., PKG) and the flattened PKG's (.,
# .., its entries); sub-folders are copied whole.
bench_package() {
    local dir=$work/bench-package
    if [[ ! -f $dir/pause ]]; then
        rm -rf "$dir"
        mkdir -p "$dir"
        make_package 200 p200 >&2
        local entries=$((3 + 2 + $(ls -A "$dir/tree-p200/PKG" | wc -l)))
        rm -rf "$dir/tree-p200"
        awk -v n="$entries" 'BEGIN { printf "%.3f\n", 3 + n * 0.005 }' >"$dir/pause"
        echo "$entries" >"$dir/entries"
    fi
    echo "$dir"
}

prepare_bench() {
    local runs=${RUNS:-2} package pause
    guest_memory=2560  # the package twice in the root, the scratch data and the stage in /tmp
    package=$(bench_package)
    pause=$(cat "$package/pause")
    echo "  package: $(du -m "$package/p200.rar" | cut -f1) MB, $(cat "$package/entries") walked entries, fixed pauses $pause s"
    mkdir -p "$dir/bulk/package"
    ln "$package/p200.rar" "$package/p200.plain" "$dir/bulk/package/"
    root=$dir/root add_program "$(command -v unrar)"
    new_image "$dir/bench.img" 1G
    partition "$dir/bench.img" "1 1023 c"
    make_fat "$dir/bench.img" 1 32 BENCH
    attach s1 "$dir/bench.img"
    {
        echo "runs=$runs pause=$pause"
        cat <<'EOF'
desktop_mount "$(disk_of s1)1" BENCH || fail mount BENCH
stick=/media/user/BENCH
letter=$(letter_of $stick)
# Centiseconds since boot.
now() { read -r up rest </proc/uptime; echo "${up%.*}${up#*.}"; }
empty() { rm -rf "$stick"/* && sync; }
run=1
while [ $run -le $runs ]; do
    empty && rm -rf /tmp/stage
    start=$(now)
    unrar x -idq -y /package/p200.plain /tmp/stage/ && sleep "$pause" &&
        cp -r /tmp/stage/PKG/. "$stick/" && sync || fail tools "run $run"
    say "BENCH tools $(($(now) - start))"
    empty
    start=$(now)
    cli write-$run write /package/p200.rar "$letter" || fail write "run $run: status $status"
    say "BENCH write $(($(now) - start))"
    # What the job does that the tools' side does not: descrambling the package.
    start=$(now)
    ostrel-cli descramble /package/p200.rar /tmp/plain.rar >/dev/null || fail descramble "run $run"
    say "BENCH descramble $(($(now) - start))"
    rm -f /tmp/plain.rar
    run=$((run + 1))
done
diff -r /tmp/stage/PKG "$stick" >/tmp/diff.out && pass "write gives the stick what unrar x + cp -r give" ||
    fail same "$(head -n 3 /tmp/diff.out)"
eject BENCH
EOF
    } | guest_script
}

# Each side's mean and their ratio (target: at most 1.1).
check_bench() {
    check_fat "$dir/bench.img" 1 32 BENCH "bench stick"
    local figures
    figures=$(guest_report | awk '$1 == "BENCH" {
            sum[$2] += $3 / 100; n[$2]++; runs[$2] = runs[$2] sprintf(" %.2f", $3 / 100) }
        END {
            if (!n["tools"] || n["tools"] != n["write"]) exit 1
            tools = sum["tools"] / n["tools"]; write = sum["write"] / n["write"]
            printf "unrar x + pauses + cp -r + sync %.2f s (runs%s), ostrel-cli write %.2f s (runs%s; its descrambling alone%s): %.2f x\n",
                tools, runs["tools"], write, runs["write"], runs["descramble"], write / tools
        }') || { bad "bench: the guest's times are missing"; return; }
    local ratio=${figures##*: }
    if awk -v r="${ratio% x}" 'BEGIN { exit !(r <= 1.10) }'; then
        good "bench: $figures (target at most 1.10 x)"
    else
        bad "bench: $figures (target at most 1.10 x)"
    fi
    rm -rf "$dir/bulk" "$dir/bulk.cpio" "$dir/initrd.gz"
}
