# The boots of the stick harness (sourced by stick.sh). Each boot NAME has
# prepare_NAME (the stick images, attach, the guest's script) and check_NAME
# (the images after the power-off); during_NAME, where present, acts on the
# running guest. Several sticks share a boot: a boot costs far more than a job.

all_boots=(basic)

# A 1 GiB stick with one FAT32 partition written with 否, a 4 GiB superfloppy
# formatted with 是, and a USB disk that reports a fixed medium.
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
    guest_script <<'EOF'
for label in STICK1 SUPER FIXED; do
    desktop_mount "$(device_of $label)" $label || fail mount "$label"
done
cli drives drives
one=$(letter_of /media/user/STICK1)
super=$(letter_of /media/user/SUPER)
[ -n "$one" ] && [ -n "$super" ] && pass "drives: both sticks offered ($one $super)" ||
    fail drives "a stick is not offered"
[ -z "$(letter_of /media/user/FIXED)" ] && pass "drives: the fixed USB disk is not offered" ||
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
eject STICK1
eject SUPER
eject FIXED
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
}
