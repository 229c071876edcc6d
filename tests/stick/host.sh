# The host's half of the stick harness (sourced by stick.sh): the kernel, the
# initramfs, the stick images, the boot, and the checks on the images.

die() {
    echo "stick: $*" >&2
    exit 1
}

skip() {
    echo "stick: skipped: $*"
    exit 77
}

# A machine that starts and quits through its monitor: qemu works here.
qemu_starts() {
    command -v qemu-system-x86_64 >/dev/null || return 1
    printf '{"execute":"qmp_capabilities"}\n{"execute":"quit"}\n' |
        timeout 120 qemu-system-x86_64 -M pc -accel tcg -nodefaults -display none -S -qmp stdio \
            >/dev/null 2>&1
}

# The versioned package linux-image-amd64 stands for, such as linux-image-6.1.0-57-amd64.
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*-amd64\)$/\1/p' | head -n 1
}

# The modules the guest loads (modprobe brings what they depend on): USB
# storage behind xhci, the SCSI disk, FAT with the character sets a desktop
# mount names (nls_ascii for mounts without iocharset), exFAT. The folders
# also hold 9p over virtio, which a boot that shares a host folder loads.
guest_modules=(xhci-pci usb-storage uas sd_mod vfat nls_cp437 nls_utf8 nls_ascii nls_cp936 exfat)
module_folders=(drivers/usb drivers/scsi fs/fat fs/nls fs/exfat block lib crypto
    drivers/virtio net/9p fs/9p fs/netfs fs/fscache)

fetch_kernel() {
    kernel=$work/kernel
    # Unpacked again when the folders taken from the package change.
    [[ -f $kernel/ready && $(cat "$kernel/folders" 2>/dev/null) == "${module_folders[*]}" ]] && return
    local package
    package=$(kernel_package)
    [[ -n $package ]] || die "apt knows no linux-image-amd64 (run apt-get update)"
    rm -rf "$kernel"
    mkdir -p "$kernel"
    echo "stick: fetching $package"
    (cd "$kernel" && apt-get download "$package" >"$kernel/download.log" 2>&1) ||
        die "apt-get download $package failed: $(tail -n 3 "$kernel/download.log")"
    local version=${package#linux-image-} patterns=() folder
    for folder in "${module_folders[@]}"; do
        patterns+=("./lib/modules/$version/kernel/$folder/*")
    done
    dpkg-deb --fsys-tarfile "$kernel"/*.deb |
        tar -x -C "$kernel" --wildcards "./boot/vmlinuz-$version" "./lib/modules/$version/modules.*" \
            "${patterns[@]}"
    busybox depmod -b "$kernel" "$version"
    rm -f "$kernel"/*.deb
    echo "${module_folders[*]}" >"$kernel/folders"
    echo "$version" >"$kernel/ready"
}

# Copies a program to GUEST_PATH (default: its own path) under $root, and the
# shared libraries ldd names to their own paths.
add_program() {
    local program=$1 lib
    install -D "$program" "$root${2:-$program}"
    for lib in $(ldd "$program" 2>/dev/null | grep -o '/[^ ]*'); do
        [[ -e $root$lib ]] || install -D "$(realpath "$lib")" "$root$lib"
    done
}

# Copies PROGRAM to GUEST_PATH in this boot's root alone, without its
# libraries and its debug data: for a boot that shares the host's /usr.
add_bare_program() {
    mkdir -p "$(dirname "$dir/root$2")"
    objcopy --strip-debug "$1" "$dir/root$2"
}

# The guest's root: busybox, the modules, dosfstools, the two programs with
# their libraries, the UTF-8 locale and the converters for the package's
# names (GBK) and for mkfs.fat's default code page (IBM850).
build_initramfs() {
    local version
    version=$(cat "$kernel/ready")
    root=$work/root
    rm -rf "$root"
    mkdir -p "$root"/{bin,sbin,dev,proc,sys,run,tmp,media,etc,root,package,lib/modules}
    chmod 0755 "$root"
    install "$(command -v busybox)" "$root/bin/busybox"
    local applet
    for applet in $(busybox --list); do
        [[ -e $root/bin/$applet ]] || ln -s busybox "$root/bin/$applet"
    done
    rm -f "$root/bin/mkdosfs"  # the programs must use dosfstools' mkfs.fat
    cp -a "$kernel/lib/modules/$version" "$root/lib/modules/"
    local program
    for program in /usr/sbin/mkfs.fat /usr/sbin/fsck.fat; do
        add_program "$program"
    done
    # The project's programs get a folder of their own: at their build paths
    # a build tree under /tmp would be hidden by the guest's tmpfs there.
    add_program "$cli" /opt/ostrel/bin/ostrel-cli
    add_program "$helper" /opt/ostrel/bin/ostrel-format-helper
    ln -s mkfs.fat "$root/usr/sbin/mkfs.vfat"
    mkdir -p "$root/usr/bin"
    ln -s /opt/ostrel/bin/ostrel-cli "$root/usr/bin/ostrel-cli"
    mkdir -p "$root/usr/lib/locale" "$root/usr/lib/x86_64-linux-gnu/gconv"
    cp -a /usr/lib/locale/C.utf8 "$root/usr/lib/locale/"
    local gconv=/usr/lib/x86_64-linux-gnu/gconv
    cp -a "$gconv"/{GBK.so,IBM850.so,gconv-modules,gconv-modules.cache} "$gconv/gconv-modules.d" \
        "$root$gconv/"
    echo "root:x:0:0::/root:/bin/sh" >"$root/etc/passwd"
    echo "user:x:1000:1000::/tmp:/bin/sh" >>"$root/etc/passwd"
    printf 'root:x:0:\nuser:x:1000:\n' >"$root/etc/group"
    ln -s /proc/self/mounts "$root/etc/mtab"
    printf '%s\n' "${guest_modules[@]}" >"$root/etc/stick-modules"
    cp "$sample" "$root/package/"
    install -m 0755 "$here/init" "$root/init"
    cp "$here/guest.sh" "$root/etc/stick-guest.sh"
    (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/base.cpio.gz"
}

# --- stick images ---------------------------------------------------------

# A sparse image of SIZE (truncate's units).
new_image() {
    rm -f "$1"
    truncate -s "$2" "$1"
}

# An MBR partition table: one "START_MIB SIZE_MIB TYPE" argument per partition.
partition() {
    local image=$1 spec start size type
    shift
    {
        echo "label: dos"
        for spec in "$@"; do
            read -r start size type <<<"$spec"
            echo "start=$((start * 2048)), size=$((size * 2048)), type=$type"
        done
    } | sfdisk -q "$image" >/dev/null
}

# Byte offset of partition N of IMAGE; 0 for 0 (the whole image, a superfloppy).
offset_of() {
    [[ $2 -eq 0 ]] && { echo 0; return; }
    sfdisk -d "$1" | awk -v p="$1$2" '$1 == p { sub(/,/, "", $4); print $4 * 512 }'
}

sectors_of() {
    if [[ $2 -eq 0 ]]; then
        echo $(($(stat -c %s "$1") / 512))
    else
        sfdisk -d "$1" | awk -v p="$1$2" '$1 == p { sub(/,/, "", $6); print $6 }'
    fi
}

# FAT of BITS (12, 16, 32) with LABEL on partition N (0: the whole image).
# mkfs.fat writes only ASCII labels; another (GBK bytes, as Chinese Windows
# writes them) replaces a stand-in in the boot sector and the root folder.
make_fat() {
    local image=$1 part=$2 bits=$3 label=$4 stand_in=LABEL_HERE_
    local offset sectors
    offset=$(offset_of "$image" "$part")
    sectors=$(sectors_of "$image" "$part")
    mkfs.fat -F "$bits" -n "$stand_in" --offset $((offset / 512)) "$image" $((sectors / 2)) \
        >"$dir/mkfs.log" 2>&1 || die "mkfs.fat: $(cat "$dir/mkfs.log")"
    local at
    for at in $(dd if="$image" bs=1M skip=$((offset / 1048576)) count=64 status=none |
        grep -obUa "$stand_in" | cut -d: -f1); do
        (LC_ALL=C; printf '%-11s' "$label") |
            dd of="$image" bs=1 seek=$((offset + at)) conv=notrunc status=none
    done
}

# The GBK bytes of a text, as Chinese Windows stores a label.
gbk() {
    printf '%s' "$1" | iconv -f UTF-8 -t GBK
}

# exFAT with LABEL on partition N, made on a scratch file and copied in.
make_exfat() {
    local image=$1 part=$2 label=$3 scratch=$dir/exfat.tmp
    local offset sectors
    offset=$(offset_of "$image" "$part")
    sectors=$(sectors_of "$image" "$part")
    new_image "$scratch" $((sectors * 512))
    mkfs.exfat -L "$label" "$scratch" >/dev/null
    dd if="$scratch" of="$image" bs=1M seek=$((offset / 1048576)) conv=notrunc,sparse status=none
    rm -f "$scratch"
}

# Puts a file with TEXT on partition N as NAME (mtools).
put_file() {
    local image=$1 part=$2 name=$3 text=$4
    printf '%s' "$text" >"$dir/put.tmp"
    mcopy -o -i "$image@@$(offset_of "$image" "$part")" "$dir/put.tmp" "::$name"
    rm -f "$dir/put.tmp"
}

# Shares the host's FOLDER read-only with the guest as 9p TAG (mount -t 9p TAG).
share() {
    qemu_args+=(-fsdev "local,id=$1,path=$2,security_model=none,readonly=on"
        -device "virtio-9p-pci,fsdev=$1,mount_tag=$1")
}

# A USB stick on the xhci controller; more words are usb-storage properties
# (removable=off) or drive options (readonly=on).
attach() {
    local id=$1 image=$2 removable=on drive_options=""
    shift 2
    local word
    for word in "$@"; do
        case $word in
            removable=*) removable=${word#removable=} ;;
            *) drive_options+=",$word" ;;
        esac
    done
    qemu_args+=(-drive "if=none,id=$id,format=raw,file=$image$drive_options"
        -device "usb-storage,id=usb-$id,bus=xhci.0,drive=$id,removable=$removable,serial=$id")
    disks=$((disks + 1))
}

# The guest's script for this boot, on standard input.
guest_script() {
    cat >"$dir/root/etc/stick-boot.sh"
}

# --- the boot ---------------------------------------------------------------

# Sends a monitor command (such as device_del usb-s1) to the running guest.
monitor() {
    echo "$*" >"$dir/monitor.in"
}

# Waits until the guest's console shows PATTERN; fails after the boot's time.
wait_for_console() {
    local pattern=$1 waited=0
    until grep -q -- "$pattern" "$dir/console.log" 2>/dev/null; do
        kill -0 "$qemu_pid" 2>/dev/null || return 1
        sleep 0.2
        waited=$((waited + 1))
        [[ $waited -lt $((boot_timeout * 5)) ]] || return 1
    done
}

start_guest() {
    (cd "$dir/root" && find . | cpio -o -H newc --quiet | gzip -1) >"$dir/boot.cpio.gz"
    local parts=()
    # Bulk files (a bench's package) go in uncompressed, which the guest
    # unpacks far faster than it inflates them, and first: the kernel takes
    # no uncompressed archive after a compressed one.
    if [[ -d $dir/bulk ]]; then
        (cd "$dir/bulk" && find . | cpio -o -H newc --quiet) >"$dir/bulk.cpio"
        parts+=("$dir/bulk.cpio")
    fi
    cat "${parts[@]}" "$work/base.cpio.gz" "$dir/boot.cpio.gz" >"$dir/initrd.gz"
    mkfifo "$dir/monitor.in" "$dir/monitor.out"
    local version
    version=$(cat "$kernel/ready")
    # no_timer_check: software emulation on a loaded machine now and then
    # fails the kernel's check that the timer interrupt works, and the boot.
    nice -n 10 timeout "$boot_timeout" qemu-system-x86_64 -M pc -accel tcg -m "${guest_memory:-512}" \
        -nodefaults -display none -no-reboot \
        -kernel "$kernel/boot/vmlinuz-$version" -initrd "$dir/initrd.gz" \
        -append "console=ttyS0 quiet panic=-1 no_timer_check stick.disks=$disks" \
        -serial "file:$dir/console.log" \
        -chardev "pipe,id=monitor,path=$dir/monitor" -mon chardev=monitor,mode=readline \
        -device qemu-xhci,id=xhci "${qemu_args[@]}" 2>"$dir/qemu.log" &
    qemu_pid=$!
    cat "$dir/monitor.out" >/dev/null &
    monitor_reader=$!
}

# Lines of the guest's report: "STICK: PASS case" and "STICK: FAIL case: why".
guest_report() {
    grep -a '^STICK: ' "$dir/console.log" | sed 's/^STICK: //;s/\r$//'
}

bad() {
    echo "  FAIL $*"
    problems=$((problems + 1))
}

good() {
    echo "  pass $*"
}

run_boot() {
    local boot=$1
    declare -F "prepare_$boot" >/dev/null || die "no boot named $boot (boots: ${all_boots[*]})"
    dir=$work/boot-$boot
    rm -rf "$dir"
    mkdir -p "$dir/root/etc"
    qemu_args=()
    disks=0
    problems=0
    guest_memory=512
    echo "stick: boot $boot"
    local started=$SECONDS
    "prepare_$boot"
    start_guest
    if declare -F "during_$boot" >/dev/null; then "during_$boot" || bad "$boot: the guest never reached its cue"; fi
    local status=0
    wait "$qemu_pid" || status=$?
    kill "$monitor_reader" 2>/dev/null || true
    wait "$monitor_reader" 2>/dev/null || true
    [[ $status -eq 0 ]] || bad "qemu ended with status $status ($(tail -n 2 "$dir/qemu.log"))"
    local line
    while IFS= read -r line; do
        case $line in
            PASS*) good "${line#PASS }" ;;
            FAIL*) bad "${line#FAIL }" ;;
        esac
    done < <(guest_report)
    guest_report | grep -q '^END$' || bad "the guest did not finish its script (see $dir/console.log)"
    "check_$boot"
    echo "stick: boot $boot: $((SECONDS - started)) s, $problems problems"
    if [[ $problems -eq 0 ]]; then
        rm -rf "$dir/root" "$dir"/*.img
    else
        failed=$((failed + 1))
    fi
}

# --- checks on the images after the power-off ------------------------------

# fsck.fat -n finds nothing on partition N; FAT type and label as given.
check_fat() {
    local image=$1 part=$2 bits=$3 label=$4 what=$5
    local offset sectors info
    offset=$(offset_of "$image" "$part")
    sectors=$(sectors_of "$image" "$part")
    info=$(blkid -p -O "$offset" -o value -s VERSION "$image" 2>/dev/null || true)
    [[ $info == "FAT$bits" ]] || bad "$what: not FAT$bits but '$info'"
    info=$(blkid -p -O "$offset" -o value -s LABEL "$image" 2>/dev/null || true)
    [[ $info == "$label" ]] || bad "$what: label '$info', not '$label'"
    local part_image=$image
    if [[ $part -ne 0 ]]; then
        part_image=$dir/fsck.img
        # In 1 MiB blocks: in sectors a 4 GiB partition takes far longer.
        dd if="$image" of="$part_image" bs=1M iflag=skip_bytes,count_bytes skip="$offset" \
            count=$((sectors * 512)) conv=sparse status=none
    fi
    local report
    if report=$(fsck.fat -n "$part_image" 2>&1) || only_label_refused "$label" "$report"; then
        good "$what: fsck.fat clean, FAT$bits, label $label"
    else
        bad "$what: fsck.fat -n: $(tail -n 3 <<<"$report")"
    fi
    [[ $part -eq 0 ]] || rm -f "$part_image"
}

# fsck.fat 4.2 takes every label byte above 0x7F for one below 0x20, so it
# calls a label as Chinese Windows writes it invalid: true when LABEL is such
# a label and that is all the REPORT finds.
only_label_refused() {
    local label=$1 report=$2
    [[ -n $(LC_ALL=C tr -d '\000-\177' <<<"$label") ]] || return 1
    ! grep -v -e '^fsck\.fat ' -e 'stored in root directory is not valid\.$' \
        -e '^ *Auto-removing label\.$' -e '^Leaving filesystem unchanged\.$' -e '^$' \
        -e ': [0-9]* files, [0-9]*/[0-9]* clusters$' <<<"$report" | grep -q .
}

# The files of partition N, name for name and byte for byte, are the folder
# EXPECTED. LEFTOVER, when given, names root files that may be there besides
# (a copy's own file that a pull cut short: whether it reached the stick
# depends on the moment of the pull).
check_tree() {
    local image=$1 part=$2 expected=$3 what=$4 leftover=${5:-} out=$dir/tree
    rm -rf "$out"
    mkdir -p "$out"
    mcopy -s -n -i "$image@@$(offset_of "$image" "$part")" '::*' "$out/" 2>"$dir/mcopy.log" || true
    [[ -z $leftover ]] || (cd "$out" && rm -f -- $leftover)
    if diff -r "$expected" "$out" >"$dir/diff.log" 2>&1; then
        good "$what: files and bytes as expected"
    else
        bad "$what: the files differ from $expected: $(head -n 5 "$dir/diff.log")"
    fi
    rm -rf "$out"
}

check_part_type() {
    local image=$1 part=$2 type=$3 what=$4 actual
    actual=$(sfdisk --part-type "$image" "$part" | tr -d " ")
    [[ $actual == "$type" ]] && good "$what: partition type $type" ||
        bad "$what: partition type $actual, not $type"
}

# What the package gives written onto a folder, made once per run.
expected_sample() {
    local folder=$work/expect/sample
    if [[ ! -d $folder ]]; then
        rm -rf "$folder.tmp"
        mkdir -p "$folder.tmp"
        "$cli" write "$sample" "$folder.tmp" >/dev/null 2>&1 || die "writing the sample to a folder failed"
        mv "$folder.tmp" "$folder"
    fi
    echo "$folder"
}

# EXPECTED plus the files given as NAME=TEXT, in a new folder.
expected_with() {
    local base=$1 folder=$2 pair
    shift 2
    rm -rf "$folder"
    cp -r "$base" "$folder"
    for pair in "$@"; do
        printf '%s' "${pair#*=}" >"$folder/${pair%%=*}"
    done
}

# The name packages (ostrel-stick-packages), made once per run.
names_packages() {
    local folder=$work/packages
    if [[ ! -f $folder/names4.rar || ! -f $folder/names5.rar || ! -f $folder/big.rar ||
        $packages -nt $folder/big.rar ]]; then
        "$packages" "$folder" >&2 || die "ostrel-stick-packages failed"
    fi
    echo "$folder"
}

# What the two name packages give written onto one folder, RAR 5 first.
expected_names() {
    # Not "packages": names_packages reads the program's path by that name.
    local folder=$work/expect/names made
    made=$(names_packages)
    if [[ ! -d $folder ]]; then
        rm -rf "$folder.tmp"
        mkdir -p "$folder.tmp"
        "$cli" write "$made/names5.rar" "$folder.tmp" >/dev/null 2>&1 &&
            "$cli" write "$made/names4.rar" "$folder.tmp" >/dev/null 2>&1 ||
            die "writing the name packages to a folder failed"
        mv "$folder.tmp" "$folder"
    fi
    echo "$folder"
}

# What big.rar gives written onto a folder, made once per run.
expected_big() {
    local folder=$work/expect/big package
    package=$(names_packages)/big.rar
    if [[ ! -d $folder || $package -nt $folder ]]; then
        rm -rf "$folder" "$folder.tmp"
        mkdir -p "$folder.tmp"
        "$cli" write "$package" "$folder.tmp" >/dev/null 2>&1 ||
            die "writing big.rar to a folder failed"
        mv "$folder.tmp" "$folder"
    fi
    echo "$folder"
}

# check_fat for a stick that lost its power or was pulled while mounted: the
# kernel set the dirty bit at the mount (and a later mount never clears a bit
# it found set), so that bit is allowed; whatever else fsck.fat finds is a
# fault. Checked on a copy with the bit cleared.
check_fat_unmounted() {
    local image=$1 part=$2 bits=$3 copy=$dir/unmounted.img at byte
    at=$(($(offset_of "$image" "$part") + (bits == 32 ? 65 : 37)))
    cp --sparse=always "$image" "$copy"
    byte=$(od -An -tu1 -j "$at" -N1 "$copy")
    printf "\\x$(printf %02x $((byte & ~1)))" | dd of="$copy" bs=1 seek="$at" conv=notrunc status=none
    check_fat "$copy" "${@:2}"
    rm -f "$copy"
}
