# The boots of the stick harness (sourced by stick.sh). Each boot NAME has
# prepare_NAME (the stick images, attach, the guest's script) and check_NAME
# (the images after the power-off); during_NAME, where present, acts on the
# running guest. Several sticks share a boot: a boot costs far more than a job.

all_boots=(basic formats failures gui)

# A 1 GiB stick with one FAT32 partition written with 否, a 4 GiB superfloppy
# formatted with 是, a USB disk that reports a fixed medium, and a small FAT16
# stick that takes the two name packages (否): Chinese long names from RAR 5
# (UTF-8) and RAR 4 (GBK), and two entries that differ only in letter case,
# one file on FAT with the later bytes; an a.txt already there is that file
# too and keeps its spelling. A package with the name Q?.TXT, which FAT
# cannot hold, fails; OK.TXT beside it lands, nothing else.
prepare_basic() {
    new_image "$dir/one.img" 1G
    partition "$dir/one.img" "1 1023 c"
    make_fat "$dir/one.img" 1 32 STICK1
    put_file "$dir/one.img" 1 OLD.TXT "kept by 否"
    put_file "$dir/one.img" 1 BOOT.EXE "an older image"
    new_image "$dir/super.img" 4G
    make_fat "$dir/super.img" 0 32 SUPER
    put_file "$dir/super.img" 0 JUNK.TXT "gone after 是"
    new_image "$dir/fixed.img" 256M
    make_fat "$dir/fixed.img" 0 16 FIXED
    attach s1 "$dir/one.img"
    attach s2 "$dir/super.img"
    attach s3 "$dir/fixed.img" removable=off
    new_image "$dir/names.img" 64M
    make_fat "$dir/names.img" 0 16 NAMES
    put_file "$dir/names.img" 0 a.txt "older, lower case"
    attach s4 "$dir/names.img"
    mkdir -p "$dir/root/package"
    cp "$(names_packages)"/names[45].rar "$(names_packages)"/bad.rar "$dir/root/package/"
    guest_script <<'EOF'
desktop_mount "$(disk_of s1)1" STICK1 || fail mount STICK1
desktop_mount "$(disk_of s2)" SUPER || fail mount SUPER
desktop_mount "$(disk_of s3)" FIXED || fail mount FIXED
desktop_mount "$(disk_of s4)" NAMES || fail mount NAMES
cli drives drives
one=$(letter_of /media/user/STICK1)
super=$(letter_of /media/user/SUPER)
[ -n "$one" ] && [ -n "$super" ] && pass "drives: both sticks offered ($one $super)" ||
    fail drives "a stick is not offered"
[ -z "$(letter_of /media/user/FIXED)" ] && said drives "$(disk_of s3) on /media/user/FIXED is a USB disk with a fixed medium" &&
    pass "drives: the fixed USB disk is not offered, and said why" ||
    fail drives "the fixed USB disk is offered"
cli write-one write /package/T512-sample.rar "$one" && said write-one 升级成功！ &&
    pass "write (否) onto the partitioned stick" || fail write-one "status $status"
before=$(grep " /media/user/SUPER " /proc/mounts)
cli format-super write --format /package/T512-sample.rar "$super" &&
    said format-super 升级成功！ && pass "write --format (是) onto the superfloppy" ||
    fail format-super "status $status"
after=$(grep " /media/user/SUPER " /proc/mounts)
[ "$before" = "$after" ] && pass "是: mounted again in the same place with the same options" ||
    fail remount "before: $before; after: $after"
names=$(letter_of /media/user/NAMES)
cli names5 write /package/names5.rar "$names" && said names5 升级成功！ &&
    pass "write (否) of RAR 5 with UTF-8 names" || fail names5 "status $status"
cli names4 write /package/names4.rar "$names" && said names4 升级成功！ &&
    pass "write (否) of RAR 4 with GBK names" || fail names4 "status $status"
said names4 "3 files, 5023 bytes written" &&
    pass "A.TXT and a.txt: reported as the one file FAT holds" || fail names4-count "$(cat /tmp/names4.out)"
[ "$(ls /media/user/NAMES | grep -ci '^a\.txt$')" = 1 ] &&
    [ "$(cat /media/user/NAMES/a.txt)" = "the later one" ] &&
    pass "A.TXT and a.txt: one file, the later bytes" || fail case-names "$(ls /media/user/NAMES)"
! cli bad write /package/bad.rar "$names" && said bad 升级失败！ && ! said bad 升级成功！ &&
    said bad "${names}Q?.TXT" &&
    pass "Q?.TXT, a name FAT cannot hold: the job fails, naming the file" || fail bad "status $status"
eject STICK1
eject SUPER
eject FIXED
eject NAMES
EOF
}

check_basic() {
    local written
    written=$(expected_sample)
    expected_with "$written" "$dir/expect-one" OLD.TXT="kept by 否"
    check_fat "$dir/one.img" 1 32 STICK1 "partitioned stick"
    check_tree "$dir/one.img" 1 "$dir/expect-one" "partitioned stick"
    check_fat "$dir/super.img" 0 32 SUPER "superfloppy"
    check_tree "$dir/super.img" 0 "$written" "superfloppy"
    check_fat "$dir/names.img" 0 16 NAMES "name packages"
    cp -r "$(expected_names)" "$dir/expect-names"
    mv "$dir/expect-names/A.TXT" "$dir/expect-names/a.txt"
    printf 'fine' >"$dir/expect-names/OK.TXT"
    check_tree "$dir/names.img" 0 "$dir/expect-names" "name packages (long names through mtools)"
}

# 是 on sticks as they are sold and used: one of two partitions; a FAT32
# partition of 1 GiB with a Chinese label in code page 936 (FAT16 after the
# format, the label kept byte for byte); an exFAT partition of 4 GiB with a
# Chinese label (FAT32 after the format, the label in code page 936); a small
# exFAT stick whose label is too long for FAT in code page 936 (dropped, and
# said). Each partition's type byte names the new FAT.
prepare_formats() {
    new_image "$dir/two.img" 1G
    partition "$dir/two.img" "1 511 6" "512 511 b"
    make_fat "$dir/two.img" 1 16 LEFT
    make_fat "$dir/two.img" 2 32 RIGHT
    put_file "$dir/two.img" 2 KEEP.TXT "the other partition"
    new_image "$dir/cn.img" 1G
    partition "$dir/cn.img" "1 1023 c"
    make_fat "$dir/cn.img" 1 32 "$(gbk 升级盘)"
    new_image "$dir/exfat.img" 4G
    partition "$dir/exfat.img" "1 4095 7"
    make_exfat "$dir/exfat.img" 1 大容量U盘
    new_image "$dir/long.img" 256M
    partition "$dir/long.img" "1 255 7"
    make_exfat "$dir/long.img" 1 我的大容量升级盘
    attach s1 "$dir/two.img"
    attach s2 "$dir/cn.img"
    attach s3 "$dir/exfat.img"
    attach s4 "$dir/long.img"
    guest_script <<'EOF'
desktop_mount "$(disk_of s1)1" LEFT || fail mount LEFT
desktop_mount "$(disk_of s2)1" CN || fail mount CN
desktop_mount "$(disk_of s3)1" EXFAT exfat || fail mount EXFAT
desktop_mount "$(disk_of s4)1" LONG exfat || fail mount LONG
cli drives drives
said drives "$(disk_of s1)2 is on removable media but not mounted" &&
    pass "drives: the unmounted partition is named, without a letter" ||
    fail drives "the unmounted partition is not named"
grep -q "^[A-Z]:.* $(disk_of s1)2 " /tmp/drives.out &&
    fail drives "the unmounted partition has a letter" ||
    pass "drives: only the mounted partition of the two is a drive"
for name in LEFT CN EXFAT LONG; do
    letter=$(letter_of /media/user/$name)
    cli format-$name write --format /package/T512-sample.rar "$letter" &&
        said format-$name 升级成功！ && pass "write --format (是) onto $name ($letter)" ||
        fail format-$name "status $status"
done
! said format-CN "is dropped" && ! said format-EXFAT "is dropped" &&
    pass "the Chinese labels: kept" || fail label "a Chinese label FAT holds is dropped"
said format-LONG "volume label of $(disk_of s4)1 is dropped" &&
    pass "a label too long for FAT: said to be dropped" || fail label "no word of the dropped label"
options=$(grep " /media/user/EXFAT " /proc/mounts)
case $options in
    *" vfat "*shortname=mixed*) pass "exFAT made FAT: mounted as a desktop mounts FAT ($options)" ;;
    *) fail remount-exfat "mounted as: $options" ;;
esac
[ -f /media/user/EXFAT/boot.exe ] && pass "the new FAT finds names whatever their case" ||
    fail case "boot.exe is not found beside BOOT.EXE"
eject LEFT
eject CN
eject EXFAT
eject LONG
EOF
}

check_formats() {
    local written
    written=$(expected_sample)
    check_fat "$dir/two.img" 1 16 LEFT "first partition"
    check_tree "$dir/two.img" 1 "$written" "first partition"
    check_part_type "$dir/two.img" 1 6 "first partition"
    mkdir -p "$dir/expect-right"
    printf 'the other partition' >"$dir/expect-right/KEEP.TXT"
    check_fat "$dir/two.img" 2 32 RIGHT "second partition (not formatted)"
    check_tree "$dir/two.img" 2 "$dir/expect-right" "second partition (not formatted)"
    check_part_type "$dir/two.img" 2 b "second partition (not formatted)"
    check_fat "$dir/cn.img" 1 16 "$(gbk 升级盘)" "FAT32 stick with a Chinese label"
    check_tree "$dir/cn.img" 1 "$written" "FAT32 stick with a Chinese label"
    check_part_type "$dir/cn.img" 1 e "FAT32 stick with a Chinese label"
    check_fat "$dir/exfat.img" 1 32 "$(gbk 大容量U盘)" "exFAT stick"
    check_tree "$dir/exfat.img" 1 "$written" "exFAT stick"
    check_part_type "$dir/exfat.img" 1 c "exFAT stick"
    check_fat "$dir/long.img" 1 16 "" "small exFAT stick with a long label"
    check_part_type "$dir/long.img" 1 e "small exFAT stick with a long label"
}

# Sticks that fail a job, one after the other in one boot: a small stick
# that big.rar does not fit on (an older BIG2.BIN there stays whole), a
# write-protected stick (mounted read-only, as a desktop does; a write and a
# write --format fail), a stick pulled out while big.rar is copied onto it
# and plugged in again, and last a good stick, written and powered off hard
# right after "升级成功！" (no unmount, no sync). Each failure names its cause,
# leaves the package and the mounts as they were, and the next job works.
prepare_failures() {
    guest_memory=768
    new_image "$dir/full.img" 24M
    make_fat "$dir/full.img" 0 16 FULL
    put_file "$dir/full.img" 0 OLD.TXT "kept on the full stick"
    put_file "$dir/full.img" 0 BIG2.BIN "the older BIG2"
    new_image "$dir/locked.img" 32M
    make_fat "$dir/locked.img" 0 16 LOCKED
    put_file "$dir/locked.img" 0 OLD.TXT "kept on the locked stick"
    new_image "$dir/pull.img" 256M
    make_fat "$dir/pull.img" 0 32 PULL
    new_image "$dir/good.img" 64M
    make_fat "$dir/good.img" 0 16 GOOD
    attach s1 "$dir/full.img"
    attach s2 "$dir/locked.img" readonly=on
    attach s3 "$dir/pull.img"
    attach s4 "$dir/good.img"
    mkdir -p "$dir/root/package"
    cp "$(names_packages)/big.rar" "$dir/root/package/"
    guest_script <<'EOF'
desktop_mount "$(disk_of s1)" FULL || fail mount FULL
desktop_mount "$(disk_of s2)" LOCKED || fail mount LOCKED
desktop_mount "$(disk_of s3)" PULL || fail mount PULL
desktop_mount "$(disk_of s4)" GOOD || fail mount GOOD
package=$(md5sum /package/big.rar)
mounts=$(grep " /media/user/" /proc/mounts | sort)

full=$(letter_of /media/user/FULL)
! cli full write /package/big.rar "$full" && said full 升级失败！ && ! said full 升级成功！ &&
    pass "full stick: the job fails" || fail full "status $status"
said full "${full}BIG2.BIN" && said full 磁盘空间不足 &&
    pass "full stick: the message names the file and the cause" || fail full-message "see above"

locked=$(letter_of /media/user/LOCKED)
grep -q " /media/user/LOCKED vfat ro," /proc/mounts &&
    pass "write-protected stick: mounted read-only" || fail locked-mount "$(grep LOCKED /proc/mounts)"
! cli locked write /package/T512-sample.rar "$locked" && said locked 升级失败！ &&
    said locked "${locked}BOOT.EXE" && said locked 磁盘是只读的 &&
    [ "$(grep -c 移动目录操作失败 /tmp/locked.out)" = 1 ] &&
    pass "write-protected stick: the job fails, saying why once" || fail locked "status $status"
locked_mount=$(awk '$5 == "/media/user/LOCKED" { print $1 }' /proc/self/mountinfo)
! cli locked-format write --format /package/T512-sample.rar "$locked" &&
    said locked-format 升级失败！ && said locked-format write-protected &&
    [ "$(awk '$5 == "/media/user/LOCKED" { print $1 }' /proc/self/mountinfo)" = "$locked_mount" ] &&
    pass "write-protected stick: write --format refuses it before unmounting it" ||
    fail locked-format "status $status"
[ "$(grep " /media/user/" /proc/mounts | sort)" = "$mounts" ] &&
    pass "full and write-protected: every stick mounted as before" ||
    fail mounts "$(grep " /media/user/" /proc/mounts)"
eject FULL
eject LOCKED

pull=$(letter_of /media/user/PULL)
pulled=$(disk_of s3)
ostrel-cli write /package/big.rar "$pull" >/tmp/pull.out 2>&1 &
job=$!
wait_until 300 copy_begun /media/user/PULL && say "CUE pull" || fail pull "the copy never began"
wait_until 120 gone "$pulled" || fail pull "$pulled is still there"
wait_until 300 eval '! alive $job' || { fail pull "ostrel-cli hangs"; kill -9 $job; }
wait $job
status=$?
sed "s/^/pull| /" /tmp/pull.out
[ $status -ne 0 ] && said pull 升级失败！ && ! said pull 升级成功！ &&
    pass "pulled stick: the job fails" || fail pull "status $status"
said pull "${pull}BIG" && said pull 拔出 && pass "pulled stick: the message names the file and the cause" ||
    fail pull-message "see above"
# The desktop unmounts a stick that is gone; nothing of the job holds it.
umount /media/user/PULL && ! grep -q "^$pulled" /proc/mounts &&
    pass "pulled stick: unmounted cleanly, nothing left mounted" ||
    fail pull-mount "$(grep "^$pulled" /proc/mounts)"
rmdir /media/user/PULL
say "CUE replug"
wait_until 120 has_disk s3 && sleep 1 || fail replug "the stick did not come back"
desktop_mount "$(disk_of s3)" PULL || fail mount "PULL again"
cli replug write /package/T512-sample.rar "$(letter_of /media/user/PULL)" &&
    said replug 升级成功！ && pass "the stick plugged in again: the next job works" ||
    fail replug "status $status"
eject PULL
[ "$(md5sum /package/big.rar)" = "$package" ] && pass "the package is intact" ||
    fail package "big.rar changed"

cli good write /package/T512-sample.rar "$(letter_of /media/user/GOOD)" &&
    said good 升级成功！ && pass "a good stick after the failures" || fail good "status $status"
say END
say "CUE quit"
sleep 600
EOF
}

# The guest's cues: pull the stick, plug it in again, power off.
during_failures() {
    wait_for_console "CUE pull" || return 1
    monitor device_del usb-s3
    wait_for_console "CUE replug" || return 1
    monitor drive_add 0 "if=none,id=s3b,format=raw,file=$dir/pull.img"
    monitor device_add "usb-storage,id=usb-s3b,bus=xhci.0,drive=s3b,removable=on,serial=s3"
    wait_for_console "CUE quit" || return 1
    monitor quit
}

check_failures() {
    local written big
    written=$(expected_sample)
    big=$(expected_big)
    mkdir -p "$dir/expect-full" "$dir/expect-locked"
    cp "$big/BIG1.BIN" "$dir/expect-full/"
    printf 'the older BIG2' >"$dir/expect-full/BIG2.BIN"
    printf 'kept on the full stick' >"$dir/expect-full/OLD.TXT"
    printf 'kept on the locked stick' >"$dir/expect-locked/OLD.TXT"
    check_fat "$dir/full.img" 0 16 FULL "full stick"
    check_tree "$dir/full.img" 0 "$dir/expect-full" "full stick (the older BIG2.BIN whole)"
    check_fat "$dir/locked.img" 0 16 LOCKED "write-protected stick"
    check_tree "$dir/locked.img" 0 "$dir/expect-locked" "write-protected stick"
    check_fat_unmounted "$dir/pull.img" 0 32 PULL "pulled and plugged again"
    check_tree "$dir/pull.img" 0 "$written" "pulled and plugged again" '.BIG[0-9].BIN.part'
    check_fat_unmounted "$dir/good.img" 0 16 GOOD "powered off right after success"
    check_tree "$dir/good.img" 0 "$written" "powered off right after success"
}

# The window program itself, offscreen, played by the input driver as a user
# plays it: the stick from the chooser, the package, Start, the format
# question, the result box. 否 onto a FAT16 superfloppy (a VERSION.TXT there
# is replaced, KEEP.TXT stays); 是 onto a 4 GiB FAT32 stick (emptied, FAT32
# again, mounted again where it was, written); 是 onto a stick that a process
# sits in: the format fails and says so, and the job, which runs whatever the
# format did, writes beside the user's files (ostrel-cli write --format, asked
# first, fails and writes nothing).
prepare_gui() {
    guest_memory=768
    new_image "$dir/keep.img" 64M
    make_fat "$dir/keep.img" 0 16 KEEP
    put_file "$dir/keep.img" 0 VERSION.TXT "an older version"
    put_file "$dir/keep.img" 0 KEEP.TXT "kept by 否"
    new_image "$dir/big.img" 4G
    partition "$dir/big.img" "1 4095 c"
    make_fat "$dir/big.img" 1 32 BIG
    put_file "$dir/big.img" 1 JUNK.TXT "gone after 是"
    new_image "$dir/busy.img" 64M
    make_fat "$dir/busy.img" 0 16 BUSY
    put_file "$dir/busy.img" 0 MINE.TXT "the user's, kept"
    attach s1 "$dir/keep.img"
    attach s2 "$dir/big.img"
    attach s3 "$dir/busy.img"
    # Qt's libraries, plugins, fonts and translations are far too many to
    # copy into the initramfs: the guest mounts the host's /usr read-only
    # over its own, and the program and the driver come alone.
    share hostusr /usr
    add_bare_program "$gui" /opt/ostrel/bin/Ostrel
    add_bare_program "$driver" /opt/ostrel/lib/ostrel_input_driver.so
    mkdir -p "$dir/root/var/cache"
    cp -r /etc/fonts "$dir/root/etc/"
    cp -r /var/cache/fontconfig "$dir/root/var/cache/"
    guest_script <<'EOF'
mount_host_usr || fail usr "the host's /usr is not mounted"
desktop_mount "$(disk_of s1)" KEEP || fail mount KEEP
desktop_mount "$(disk_of s2)1" BIG || fail mount BIG
desktop_mount "$(disk_of s3)" BUSY || fail mount BUSY

gui keep upgrade /media/user/KEEP 1008
seen keep 提示对话框 升级成功！ && finished keep && pass "否 onto the superfloppy: 升级成功！" ||
    fail keep "status $status"

before=$(grep " /media/user/BIG " /proc/mounts)
gui big upgrade /media/user/BIG 1010
seen big 提示对话框 升级成功！ && finished big && ! seen big 提示对话框 格式化U盘失败！ &&
    pass "是 onto the FAT32 stick: 升级成功！" || fail big "status $status"
after=$(grep " /media/user/BIG " /proc/mounts)
[ "$before" = "$after" ] && pass "是: mounted again in the same place with the same options" ||
    fail remount "before: $before; after: $after"

(cd /media/user/BUSY && exec sleep 600) &
holder=$!
before=$(grep " /media/user/BUSY " /proc/mounts)
! cli busy-cli write --format /package/T512-sample.rar "$(letter_of /media/user/BUSY)" &&
    said busy-cli "nothing written" && ! said busy-cli 升级成功！ &&
    pass "write --format onto a busy stick: fails and writes nothing" || fail busy-cli "status $status"
gui busy upgrade /media/user/BUSY 1010 format-fails
seen busy 提示对话框 格式化U盘失败！ && finished busy &&
    pass "是 onto a busy stick: the format fails and says so" || fail busy "status $status"
seen busy 提示对话框 升级成功！ && pass "busy stick: the job writes beside the user's files" ||
    fail busy-result "no 升级成功！"
after=$(grep " /media/user/BUSY " /proc/mounts)
[ "$before" = "$after" ] && pass "busy stick: still mounted as it was" ||
    fail busy-mount "before: $before; after: $after"
kill $holder
wait $holder
eject KEEP
eject BIG
eject BUSY
EOF
}

check_gui() {
    local written
    written=$(expected_sample)
    expected_with "$written" "$dir/expect-keep" KEEP.TXT="kept by 否"
    check_fat "$dir/keep.img" 0 16 KEEP "否 onto the superfloppy"
    check_tree "$dir/keep.img" 0 "$dir/expect-keep" "否 onto the superfloppy"
    check_fat "$dir/big.img" 1 32 BIG "是 onto the FAT32 stick"
    check_tree "$dir/big.img" 1 "$written" "是 onto the FAT32 stick"
    expected_with "$written" "$dir/expect-busy" MINE.TXT="the user's, kept"
    check_fat "$dir/busy.img" 0 16 BUSY "是 onto the busy stick"
    check_tree "$dir/busy.img" 0 "$dir/expect-busy" "是 onto the busy stick"
}
