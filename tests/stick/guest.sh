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
copy_begun() { ls -a "$1" | grep -q '\.part-'; }
