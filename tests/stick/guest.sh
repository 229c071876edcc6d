# The guest's half of the stick harness (sourced by init): what a desktop
# does with a stick, and the lines the host reads from the console.

say() { echo "STICK: $*"; }
pass() { say "PASS $1"; }
fail() { say "FAIL $1: $2"; }

# The USB disks the host attached (stick.disks= on the command line).
wait_for_disks() {
    want=$(sed -n 's/.*stick\.disks=\([0-9]*\).*/\1/p' /proc/cmdline)
    i=0
    while [ "$(ls -d /sys/block/sd* 2>/dev/null | wc -l)" -lt "$want" ]; do
        i=$((i + 1))
        [ $i -lt 600 ] || { fail boot "only $(ls -d /sys/block/sd* | wc -l) of $want disks"; return 1; }
        sleep 0.2
    done
    # Partitions are read right after the disk appears.
    sleep 1
}

# The disk (/dev/sdX) of the USB stick the host attached with serial ID.
disk_of() {
    for block in /sys/block/sd*; do
        dir=$(readlink -f "$block/device")
        while [ "$dir" != / ] && [ ! -f "$dir/serial" ]; do dir=${dir%/*}; done
        [ "$(cat "$dir/serial" 2>/dev/null)" = "$1" ] && { echo "/dev/${block##*/}"; return; }
    done
    fail "disk_of" "no disk with serial $1"
}

# Mounts DEVICE as a desktop does, at /media/user/LABEL.
desktop_mount() {
    device=$1 label=$2 fstype=${3:-vfat}
    options=uid=1000,gid=1000,shortname=mixed,utf8,flush
    [ "$fstype" = exfat ] && options=uid=1000,gid=1000,iocharset=utf8,errors=remount-ro
    mkdir -p "/media/user/$label"
    mount -t "$fstype" -o "$options" "$device" "/media/user/$label"
}

# Unmounts as the desktop's eject does.
eject() { umount "/media/user/$1" && rmdir "/media/user/$1"; }

# The drive letter ostrel-cli gives the mount point (E:\), empty for none.
letter_of() {
    ostrel-cli drives 2>/dev/null | awk -v m="$1" '$NF == m { print $1 }'
}

# Runs ostrel-cli with the words after NAME; its output goes to
# /tmp/NAME.out and to the console (prefixed), its status is returned.
cli() {
    cli_name=$1
    shift
    ostrel-cli "$@" >"/tmp/$cli_name.out" 2>&1
    status=$?
    sed "s/^/$cli_name| /" "/tmp/$cli_name.out"
    return $status
}

# True when /tmp/NAME.out holds TEXT.
said() { grep -qF -- "$2" "/tmp/$1.out"; }

# --- the failures boot ------------------------------------------------------

# Runs the words after SECONDS until they succeed, at most SECONDS long.
wait_until() {
    limit=$(($1 * 5))
    shift
    i=0
    until "$@"; do
        i=$((i + 1))
        [ $i -lt $limit ] || return 1
        sleep 0.2
    done
}

has_disk() { [ -n "$(disk_of "$1" 2>/dev/null | grep '^/dev/')" ]; }
gone() { [ ! -e "/sys/block/${1##*/}" ]; }
alive() { kill -0 "$1" 2>/dev/null; }
copy_begun() { ls -a "$1" | grep -q '\.part$'; }

# --- the window program -----------------------------------------------------

# The host's /usr (9p, read-only) over the guest's own: Qt and what it loads.
mount_host_usr() {
    modprobe -a virtio_pci 9pnet_virtio 9p &&
        mount -t 9p -o ro,trans=virtio,version=9p2000.L,msize=262144 hostusr /usr || return 1
    # That hides /usr/bin/ostrel-cli.
    PATH=/opt/ostrel/bin:$PATH
}

# One step of the input driver's script.
step() { printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4"; }

# The steps of one upgrade onto the stick at MOUNT_POINT with the answer
# ANSWER (1010 是, 1008 否) to the format question; "format-fails" after it
# expects the box that says so. The result box's text is left to the log.
upgrade() {
    main="Brenlow(适用于T512/T508系列产品升级)"
    step "$main" "" click 1001
    step 选择U盘 "" select "$(letter_of "$1")"
    step 选择U盘 "" click 1007
    step "$main" "" click 1000
    step 打开 "" file /package/T512-sample.rar
    step "$main" "" click 1004
    step 提示对话框 是否格式化U盘？ click "$2"
    [ "$3" != format-fails ] || step 提示对话框 "" click 1010
    step 升级 "" observe
    step 提示对话框 "" click 1010
}

# Runs the window program offscreen, played by the input driver through the
# steps the words after NAME print; the driver's log goes to /tmp/NAME.log,
# both it and the program's output to the console (prefixed), the status is
# returned.
gui() {
    gui_name=$1
    shift
    "$@" >"/tmp/$gui_name.steps"
    mkdir -p -m 0700 /tmp/runtime
    QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/runtime \
        LD_PRELOAD=/opt/ostrel/lib/ostrel_input_driver.so \
        OSTREL_DRIVER_SCRIPT="/tmp/$gui_name.steps" OSTREL_DRIVER_LOG="/tmp/$gui_name.log" \
        timeout 300 /opt/ostrel/bin/Ostrel >"/tmp/$gui_name.out" 2>&1
    status=$?
    sed "s/^/$gui_name| /" "/tmp/$gui_name.log" "/tmp/$gui_name.out"
    return $status
}

# True when the driver saw the window CAPTION showing TEXT in the run NAME.
seen() { grep -qxF "$(printf 'seen %s\t%s' "$2" "$3")" "/tmp/$1.log"; }

# True when the driver reached its last step in the run NAME.
finished() { grep -qx done "/tmp/$1.log"; }
