# make_package SIZE_MIB NAME (sourced by the bench scripts): $dir/NAME.rar,
# an upgrade package of about SIZE_MIB MiB, beside $dir/NAME.plain (the same
# archive unscrambled) and $dir/tree-NAME (its files); needs $cli
# (ostrel-cli), rar and python3.
package_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The package: that many files of 1 MiB of random bytes and one text file for
# every eight of them (which compress to almost nothing); three quarters in
# one top folder, two sub-folders with the rest; RAR 5 -m3, entries made
# Windows files, scrambled with a symmetric key (for which descrambling is
# its own inverse, so that ostrel-cli descramble scrambles).
make_package() {  # size_mib name
    local tree=$dir/tree-$2 files=$(($1 * 9 / 8)) i folder
    mkdir -p "$tree/PKG/FONT" "$tree/PKG/DICT"
    for ((i = 0; i < files; i++)); do
        folder=$tree/PKG
        ((i >= files * 3 / 4)) && folder=$tree/PKG/FONT
        ((i >= files * 7 / 8)) && folder=$tree/PKG/DICT
        if ((i % 9 == 8)); then
            # yes ends on SIGPIPE once head has its bytes
            { yes "T512 upgrade log line $i" || true; } | head -c 1048576 >"$folder/F$i.BIN"
        else
            head -c 1048576 /dev/urandom >"$folder/F$i.BIN"
        fi
    done
    (cd "$tree" && rar a -m3 -qo- -r -idq "$dir/$2.plain" PKG >/dev/null)
    python3 "$package_tools/windows_attrs.py" "$dir/$2.plain"
    python3 - "$dir/$2.head" <<'PY'
import random, sys
rng = random.Random(5)
key = [rng.randrange(256) for _ in range(256)]
for i in range(128):
    key[255 - i] = key[i]
open(sys.argv[1], "wb").write(bytes(rng.randrange(256) for _ in range(128)) + bytes(key))
PY
    cat "$dir/$2.head" "$dir/$2.plain" >"$dir/$2.tmp"
    "$cli" descramble "$dir/$2.tmp" "$dir/$2.body" >/dev/null
    cat "$dir/$2.head" "$dir/$2.body" >"$dir/$2.rar"
    rm -f "$dir/$2.tmp" "$dir/$2.body" "$dir/$2.head"
}
