#!/usr/bin/env bash
# ostrel-cli write on a real kernel's USB stick against the system tools, in
# the same guest and the same run: Debian's kernel under qemu (the stick
# harness, tests/stick), a FAT32 stick mounted as a desktop mounts it, a
# 200 MB package; the tools' side is unrar x + the job's fixed pauses (3 s
# and 5 ms per walked entry) + cp -r + sync. Prints both times and the ratio
# and exits 1 above 1.1. Not part of the tests: a run takes many minutes.
#
#   bench/stick.sh [BUILD_DIR]     (default build/default; RUNS=2 runs a side)
#
# Needs what the Stick test needs (README), unrar and python3, and about
# 1 GiB under BUILD_DIR/stick.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/default}
command -v unrar >/dev/null || { echo "stick.sh: unrar is missing" >&2; exit 2; }
export STICK_TIMEOUT=${STICK_TIMEOUT:-2400}
STICK_EXTRA_BOOTS=$here/stick_boot.sh exec "$here/../tests/stick/stick.sh" "$build" bench
