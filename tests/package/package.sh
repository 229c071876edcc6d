#!/usr/bin/env bash
# The Debian package as a user meets it: built from a finished build folder,
# checked by lintian (no error), installed with apt-get; one upgrade of the
# sample written by /usr/bin/ostrel-cli onto a folder-backed drive and one by
# /usr/bin/ostrel offscreen, played by the tests' input driver, each the same
# files as the build's own ostrel-cli writes (the program's scratch data in
# the cache folder, none left); /usr/bin/ostrel started and ended with
# SIGTERM; then purged: no file of the package may be left. It installs into
# this machine, so CI runs it (.ci/run), not ctest; it refuses to run where
# ostrel is installed already and always purges its own.
#   tests/package/package.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: tests/package/package.sh BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
sample=$source_dir/samples/T512-sample.rar
export DEBIAN_FRONTEND=noninteractive

fail() {
  echo "package test: $*" >&2
  exit 1
}

if dpkg-query -W -f='${Status}' ostrel 2>/dev/null | grep -q ' installed$'; then
  fail "ostrel is installed on this machine already; this test would replace and then remove it"
fi

work=$(mktemp -d /tmp/ostrel-package-XXXXXX)
gui_pid=""
cleanup() {
  [ -z "$gui_pid" ] || kill -KILL "$gui_pid" 2>/dev/null || true
  if dpkg-query -W -f='${Status}' ostrel 2>/dev/null | grep -q ' installed$'; then
    apt-get remove --purge -y -qq ostrel >/dev/null 2>&1 || dpkg --purge ostrel >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

echo "== building the package"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >cpack.log 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/out/ostrel_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "cpack made no ostrel_<version>_amd64.deb"
deb=${debs[0]}
echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"

echo "== lintian"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E: ' "$work/lintian.log"; then fail "lintian reports errors"; fi

echo "== apt-get install"
(cd "$work/out" && apt-get install -y -qq "./$(basename "$deb")" >"$work/apt.log" 2>&1) ||
  { cat "$work/apt.log" >&2; fail "apt-get install failed"; }
dpkg -L ostrel >"$work/files"
for path in /usr/bin/ostrel /usr/bin/ostrel-cli /usr/libexec/ostrel/Ostrel \
  /usr/libexec/ostrel/产品升级说明书.pdf /usr/libexec/ostrel/ostrel-format-helper \
  /usr/share/applications/ostrel.desktop /usr/share/icons/hicolor/scalable/apps/ostrel.svg \
  /usr/share/polkit-1/actions/org.ostrel.format.policy; do
  [ -e "$path" ] || fail "the installed package has no $path"
done
grep -q '>/usr/libexec/ostrel/ostrel-format-helper<' /usr/share/polkit-1/actions/org.ostrel.format.policy ||
  fail "the polkit action does not name the installed helper"

echo "== /usr/bin/ostrel-cli write onto a folder-backed drive"
mkdir -p "$work/stick" "$work/reference"
OSTREL_DRIVES="E=$work/stick:size=4G" /usr/bin/ostrel-cli write "$sample" 'E:\' ||
  fail "the installed ostrel-cli write failed"
OSTREL_DRIVES="E=$work/reference:size=4G" "$build/src/cli/ostrel-cli" write "$sample" 'E:\' \
  >/dev/null 2>&1 || fail "the build's ostrel-cli write failed"
[ -n "$(ls -A "$work/stick")" ] || fail "nothing landed on the drive"
diff -r "$work/stick" "$work/reference" || fail "the installed ostrel-cli wrote other files"
(cd "$work/stick" && find . -type f | sort)

echo "== /usr/bin/ostrel: one upgrade, played by the tests' input driver"
# The installed program keeps its scratch data in the cache folder, never in
# /usr/libexec/ostrel, and removes it after the job.
driver=$build/tests/app/libostrel_input_driver.so
[ -f "$driver" ] || fail "no input driver in $build (tests/app)"
main='Brenlow(适用于T512/T508系列产品升级)'
printf '%s\t%s\t%s\t%s\n' \
  "$main" "" click 1001 \
  选择U盘 "" click 1007 \
  "$main" "" click 1000 \
  打开 "打开(&O) 取消" file "$sample" \
  "$main" "" click 1004 \
  提示对话框 是否格式化U盘？ click 1008 \
  升级 "" observe "" \
  提示对话框 升级成功！ click 1010 >"$work/script.txt"
mkdir -m 700 "$work/home" "$work/runtime" "$work/cache" "$work/gui-stick"
status=0
HOME=$work/home XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen \
  OSTREL_DRIVES="E=$work/gui-stick:size=1G" LD_PRELOAD=$driver \
  OSTREL_DRIVER_SCRIPT=$work/script.txt OSTREL_DRIVER_LOG=$work/driver.log \
  timeout -s KILL 90 /usr/bin/ostrel >"$work/gui.log" 2>&1 || status=$?
cat "$work/gui.log"
[ "$status" -eq 0 ] || { cat "$work/driver.log" >&2; fail "the driven upgrade ended with $status"; }
grep -qz '升级成功！.done' "$work/driver.log" || { cat "$work/driver.log" >&2; fail "the upgrade did not succeed"; }
diff -r "$work/gui-stick" "$work/reference" || fail "the installed program wrote other files"
[ -d "$work/cache/ostrel" ] || fail "no scratch folder $work/cache/ostrel was made"
[ -z "$(ls -A "$work/cache/ostrel")" ] || fail "scratch data left in $work/cache/ostrel: $(ls -A "$work/cache/ostrel")"
for name in Temp TEMP.TMP; do
  [ ! -e "/usr/libexec/ostrel/$name" ] || fail "the installed program wrote /usr/libexec/ostrel/$name"
done

echo "== /usr/bin/ostrel offscreen, ended with SIGTERM"
HOME=$work/home XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen \
  /usr/bin/ostrel >"$work/gui.log" 2>&1 &
gui_pid=$!
sleep 3
kill -0 "$gui_pid" 2>/dev/null || { cat "$work/gui.log" >&2; fail "/usr/bin/ostrel ended on its own"; }
kill -TERM "$gui_pid"
status=0
wait "$gui_pid" || status=$?
gui_pid=""
cat "$work/gui.log"
[ "$status" -eq 143 ] || fail "/usr/bin/ostrel ended with $status on SIGTERM, not 143"
if grep -q 'qtbase_zh_CN.qm' "$work/gui.log"; then fail "the installed program lacks Qt's Chinese texts"; fi

echo "== apt-get remove --purge"
apt-get remove --purge -y -qq ostrel >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get remove failed"; }
left=0
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # A folder stays when another package has files in it too.
  if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
  echo "left behind: $path" >&2
  left=1
done <"$work/files"
[ "$left" -eq 0 ] || fail "the purge left files of the package"
echo "package test: passed"
