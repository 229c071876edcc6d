#!/usr/bin/env bash
# The Linux path on a real kernel: Debian's own kernel boots under qemu
# (software emulation) with USB sticks on an xhci controller, each mounted as
# a desktop mounts it; ostrel-cli lists, formats and writes them, and after
# the power-off the host reads every stick image back: fsck.fat, the FAT
# type, the label, and the tree and bytes against the same package written
# onto a folder.
#
#   tests/stick/stick.sh BUILD_DIR [BOOT...]     (default: every boot)
#
# The kernel is fetched with apt-get download into BUILD_DIR/stick and
# unpacked there, never installed. Exit 77 (skipped) only where qemu cannot
# start; STICK_TIMEOUT sets the seconds one boot may take (default 600).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=$(realpath "${1:?usage: stick.sh BUILD_DIR [BOOT...]}")
shift
work=$build/stick
cli=$build/src/cli/ostrel-cli
helper=$build/src/drive/ostrel-format-helper
packages=$build/tests/stick/ostrel-stick-packages
gui=$build/src/app/Ostrel
driver=$build/tests/app/libostrel_input_driver.so
sample=$source_dir/samples/T512-sample.rar
boot_timeout=${STICK_TIMEOUT:-600}
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8

. "$here/host.sh"
. "$here/boots.sh"
# More boots from elsewhere (bench/stick.sh's), runnable by name only.
[[ -z ${STICK_EXTRA_BOOTS:-} ]] || . "$STICK_EXTRA_BOOTS"

for program in "$cli" "$helper" "$packages" "$gui" "$driver"; do
    [[ -x $program ]] || die "no $program (build ostrel-stick-packages, which brings the others)"
done
qemu_starts || skip "qemu-system-x86_64 cannot start a machine here"
mkdir -p "$work"
fetch_kernel
build_initramfs

boots=("$@")
[[ ${#boots[@]} -gt 0 ]] || boots=("${all_boots[@]}")
failed=0
for boot in "${boots[@]}"; do
    run_boot "$boot"
done
echo "stick: $((${#boots[@]} - failed)) of ${#boots[@]} boots passed"
[[ $failed -eq 0 ]]
