#!/bin/bash
# The emulated PC's tool (tools/vm32/vm32) as its callers meet it: a job's
# status comes back, a guest that cannot boot fails the run, an interrupt
# leaves no QEMU and no lock behind, a kernel update that cannot complete
# keeps the kernel that works, and what it cannot work with is said in one
# line. The cases boot the PC on a copy of the prepared one (build/vm32 or
# VM32_STATE, by hard links), with a stand-in apt on PATH where the
# kernel's download is under test.
set -uo pipefail

project=$(cd "$(dirname "$0")/../.." && pwd -P)
vm32=$project/tools/vm32/vm32
prepared=$(realpath -m -- "${VM32_STATE:-$project/build/vm32}")
state=$project/build/vm32-test
scratch=$project/build/vm32-test-scratch
failures=0

say() { echo "[vm32] $*"; }

if [ "$(id -u)" -ne 0 ]; then
    say "SKIPPED: the emulated PC runs as root only, and this is uid $(id -u)"
    [ "${CI:-}" != true ] || { say "FAILED: CI runs every test"; exit 1; }
    exit 0
fi

# One case: its name says what a caller would notice when it broke.
current=""
begin() { current=$1; case_failures=$failures; say "--- $current"; }
check() {
    local what=$1
    shift
    if "$@"; then return 0; fi
    say "FAIL $current: $what"
    failures=$((failures + 1))
    return 1
}
end() { [ "$failures" -ne "$case_failures" ] || say "PASS $current"; }
show() { sed 's/^/[vm32]   | /' "$@"; }

one_line_starting() {  # FILE TEXT: the file is one line, which starts with TEXT
    [ "$(wc -l <"$1")" -eq 1 ] && grep -q "^$2" "$1"
}

# A state of its own for the cases, sharing the prepared PC's files; vm32
# writes only new files there (renames, never in place), so the prepared
# PC stays as it is.
fresh_state() {
    rm -rf "$state"
    mkdir -p "$state"
    cp -al "$prepared/kernel" "$state/kernel"
    ln "$prepared/initramfs.gz" "$prepared/prefix.img" "$prepared/prefix.ready" "$state/"
}

# Stands in for apt: apt-cache names the kernel 9.9.9-test-amd64, and
# apt-get's download of it does what $1 says: offline (fails as with no
# network), hang, incomplete (a package without ext4), complete (the
# prepared kernel and drivers under the new version).
fake_apt() {
    local mode=$1
    rm -rf "$scratch/apt"
    mkdir -p "$scratch/apt"
    cat >"$scratch/apt/apt-cache" <<'EOF'
#!/bin/sh
echo "linux-image-amd64"
echo "  Depends: linux-image-9.9.9-test-amd64"
EOF
    cat >"$scratch/apt/apt-get" <<EOF
#!/bin/bash
set -e
[ "\$1" = download ] || exit 0
version=9.9.9-test-amd64
case $mode in
    offline)
        echo "E: Failed to fetch http://deb.debian.org/debian/pool/main/l/linux-signed-amd64/linux-image-\${version}_1_amd64.deb  Temporary failure resolving 'deb.debian.org'" >&2
        exit 100 ;;
    hang)
        echo \$\$ >"$scratch/apt/hanging"
        exec sleep 600 ;;
esac
root=\$(mktemp -d)
mkdir -p "\$root/DEBIAN" "\$root/boot" "\$root/lib/modules/\$version/kernel"
cp "$prepared/kernel/vmlinuz" "\$root/boot/vmlinuz-\$version"
echo CONFIG_IA32_EMULATION=y >"\$root/boot/config-\$version"
for module in \$(cat "$prepared/kernel/modules/order"); do
    [ $mode = incomplete ] && [ "\$module" = ext4.ko ] && continue
    xz -c "$prepared/kernel/modules/\$module" >"\$root/lib/modules/\$version/kernel/\$module.xz"
done
printf 'Package: linux-image-%s\nVersion: 1\nArchitecture: amd64\nMaintainer: vm32 test <root@localhost>\nDescription: a kernel for the test\n' "\$version" >"\$root/DEBIAN/control"
dpkg-deb --root-owner-group -Zgzip -b "\$root" "./linux-image-\${version}_1_amd64.deb" >/dev/null
rm -rf "\$root"
EOF
    chmod +x "$scratch/apt/apt-cache" "$scratch/apt/apt-get"
}

with_fake_apt() { PATH="$scratch/apt:$PATH" VM32_STATE="$state" "$@"; }
kernel_in_use() { cat "$state/kernel/ready"; }
nothing_half_made() { [ ! -e "$state/kernel.new" ] && [ ! -e "$state/kernel.old" ]; }
lock_free() { flock -n "$state/lock" true; }
no_qemu_left() { ! pgrep -f "$state/kernel/vmlinuz" >/dev/null; }
gone_within() {  # PID SECONDS
    local deadline=$((SECONDS + $2))
    while kill -0 "$1" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

say "testing $vm32 on a copy of $prepared in $state, natively on this machine (QEMU TCG)"
"$vm32" prepare || { say "FAIL: the emulated PC cannot be prepared"; exit 1; }
old=$(cat "$prepared/kernel/ready")
rm -rf "$scratch"
mkdir -p "$scratch"

begin "the_job_status_comes_back_and_a_complete_new_kernel_replaces_the_old"
fresh_state
fake_apt complete
with_fake_apt "$vm32" prepare >"$scratch/out" 2>"$scratch/err"
check "prepare succeeds with a complete new kernel" [ $? -eq 0 ] || show "$scratch/err"
check "the new kernel is in use" [ "$(kernel_in_use)" = 9.9.9-test-amd64 ]
check "nothing half-made is left" nothing_half_made
with_fake_apt "$vm32" run --timeout 300 -- sh -c 'echo "guest kernel $(uname -r)"; exit 7' >"$scratch/out" 2>"$scratch/err"
code=$?
check "the job's status 7 is vm32's, not $code" [ "$code" -eq 7 ] || show "$scratch/err"
check "the guest booted the new kernel's files and ran the job" grep -q "^guest kernel $old" "$scratch/out"
end

# An update that cannot complete: the stand-in apt in MODE, and the reason
# vm32 must give.
update_keeps_the_kernel_that_works() {
    local mode=$1 reason=$2
    fresh_state
    fake_apt "$mode"
    with_fake_apt "$vm32" prepare >"$scratch/out" 2>"$scratch/err"
    check "prepare succeeds" [ $? -eq 0 ] || show "$scratch/err"
    check "it says that it keeps $old, and why" \
        grep -q "^vm32: cannot fetch the kernel 9.9.9-test-amd64 ($reason); keeping the kernel $old\$" "$scratch/err" ||
        show "$scratch/err"
    check "the kernel in use is still $old" [ "$(kernel_in_use)" = "$old" ]
    check "its files are those that worked" cmp -s "$state/kernel/vmlinuz" "$prepared/kernel/vmlinuz"
    check "nothing half-made is left" nothing_half_made
}

begin "an_offline_kernel_update_keeps_the_kernel_that_works"
update_keeps_the_kernel_that_works offline "apt-get download .*Temporary failure resolving.*"
end

begin "an_incomplete_new_kernel_does_not_replace_the_old"
update_keeps_the_kernel_that_works incomplete "the kernel 9.9.9-test-amd64 has no driver ext4"
end

begin "a_download_that_hangs_ends_within_its_bound"
fresh_state
fake_apt hang
started=$SECONDS
VM32_APT_TIMEOUT=3 with_fake_apt "$vm32" prepare >"$scratch/out" 2>"$scratch/err"
code=$?
check "prepare succeeds on the old kernel (status $code)" [ "$code" -eq 0 ] || show "$scratch/err"
check "it gave up on apt within 3 s and a margin ($((SECONDS - started)) s)" [ $((SECONDS - started)) -lt 30 ]
check "the hanging apt is gone" gone_within "$(cat "$scratch/apt/hanging")" 5
check "the kernel in use is still $old" [ "$(kernel_in_use)" = "$old" ]
end

begin "an_interrupt_during_apt_ends_vm32_and_apt_at_once"
fresh_state
fake_apt hang
rm -f "$scratch/apt/hanging"
PATH="$scratch/apt:$PATH" VM32_STATE=$state env --default-signal=INT,HUP,TERM "$vm32" prepare >"$scratch/out" 2>"$scratch/err" &
pid=$!
for _ in $(seq 100); do [ -s "$scratch/apt/hanging" ] && break; sleep 0.1; done
check "apt was called" [ -s "$scratch/apt/hanging" ]
kill -TERM "$pid"
check "vm32 ends within 5 s of SIGTERM, not at apt's bound" gone_within "$pid" 5
wait "$pid"
code=$?
check "its status says SIGTERM (143, not $code)" [ "$code" -eq 143 ]
check "the hanging apt is gone" gone_within "$(cat "$scratch/apt/hanging" 2>/dev/null || echo 0)" 10
check "the lock is free" lock_free
end

for signal in INT:2 TERM:15 HUP:1; do
    name=${signal%:*}
    number=${signal#*:}
    begin "SIG${name}_stops_the_guest_and_frees_the_lock_at_once"
    fresh_state
    # Started from a script, a background job ignores SIGINT unless told, and
    # under nohup SIGHUP too: both back to their defaults, as at a terminal.
    VM32_STATE=$state env --default-signal=INT,HUP,TERM "$vm32" run -- sleep 600 >"$scratch/out" 2>"$scratch/err" &
    pid=$!
    qemu=""
    for _ in $(seq 600); do
        qemu=$(pgrep -f "^qemu-system-x86_64 .*$state/kernel/vmlinuz" | head -n 1)
        [ -n "$qemu" ] && break
        sleep 0.1
    done
    if check "QEMU started" [ -n "$qemu" ]; then
        check "QEMU does not hold the lock's descriptor" \
            sh -c "! ls -l /proc/$qemu/fd | grep -q '$state/lock'"
        sleep 3
        kill -"$name" "$pid"
        check "vm32 ends within 15 s of SIG$name" gone_within "$pid" 15
        check "the lock is free at once" lock_free
        check "no QEMU of it is left" no_qemu_left
        wait "$pid"
        code=$?
        check "its status says SIG$name ($((128 + number)), not $code)" [ "$code" -eq $((128 + number)) ]
        check "it says it was interrupted" grep -q "^vm32: interrupted by SIG$name" "$scratch/err"
    fi
    # What a broken vm32 left running is ended here, by its own PID.
    kill -KILL "$pid" 2>/dev/null
    [ -z "$qemu" ] || kill -KILL "$qemu" 2>/dev/null
    end
done

begin "an_interrupt_while_another_run_holds_the_lock_ends_the_wait_at_once"
fresh_state
# Another run's lock: held by a process that ends when killed.
(flock 8 && exec sleep 120) 8>"$state/lock" &
holder=$!
sleep 0.5
VM32_STATE=$state env --default-signal=INT,HUP,TERM "$vm32" run -- true >"$scratch/out" 2>"$scratch/err" &
pid=$!
sleep 2
check "vm32 waits for the lock" kill -0 "$pid"
kill -INT "$pid"
check "vm32 ends within 3 s of SIGINT" gone_within "$pid" 3
wait "$pid"
code=$?
check "its status says SIGINT (130, not $code)" [ "$code" -eq 130 ]
check "no QEMU was started" no_qemu_left
kill -KILL "$pid" "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
end

begin "a_guest_that_cannot_boot_fails_the_run"
fresh_state
rm "$state/initramfs.gz"
head -c 65536 /dev/urandom | gzip >"$state/initramfs.gz"
VM32_STATE=$state "$vm32" run --timeout 300 -- true >"$scratch/out" 2>"$scratch/err"
code=$?
check "the run fails (status $code)" [ "$code" -ne 0 ]
check "it says the guest gave no result" grep -q "^vm32: the guest gave no result" "$scratch/err" || show "$scratch/err"
end

begin "each_setting_it_cannot_work_with_is_one_line"
rm -rf "$scratch/paths"
mkdir -p "$scratch/paths"
outside=$(mktemp -u /tmp/vm32-outside.XXXXXX)
VM32_STATE=$outside "$vm32" run -- true >"$scratch/out" 2>"$scratch/err"
check "a state folder outside the project fails" [ $? -ne 0 ]
check "in one line saying so" one_line_starting "$scratch/err" "vm32: the state folder '$outside' (VM32_STATE) lies outside the project" ||
    show "$scratch/err"
check "and nothing is made there" [ ! -e "$outside" ]
for place in "with blank" "with,comma"; do
    mkdir -p "$scratch/paths/$place/tools/vm32"
    cp "$vm32" "$scratch/paths/$place/tools/vm32/"
    "$scratch/paths/$place/tools/vm32/vm32" run -- true >"$scratch/out" 2>"$scratch/err"
    check "a project path $place fails" [ $? -ne 0 ]
    check "in one line saying so" one_line_starting "$scratch/err" "vm32: the project's path '$scratch/paths/$place' holds a blank or a comma" ||
        show "$scratch/err"
    check "and nothing is made there" [ ! -e "$scratch/paths/$place/build" ]
done
setpriv --reuid=65534 --regid=65534 --clear-groups "$vm32" run -- true >"$scratch/out" 2>"$scratch/err"
check "a user other than root fails" [ $? -ne 0 ]
check "in one line saying that it needs root, and why" one_line_starting "$scratch/err" "vm32: runs as root only: .*passthrough" ||
    show "$scratch/err"
end

begin "the_smoke_set_fails_on_a_test_the_suite_lacks_and_without_the_prepared_prefix"
(cd "$project" && tools/vm32/smoke Motion.IsTheSameUnderWindowsAsOnLinux Motion.NoSuchTest) >"$scratch/out" 2>"$scratch/err"
check "a name the suite lacks fails the smoke set" [ $? -ne 0 ]
check "naming the test" grep -q "has no test Motion.NoSuchTest\$" "$scratch/err" || show "$scratch/err"
(cd "$project" && WINEPREFIX=$scratch/no-prefix tools/vm32/smoke Motion.IsTheSameUnderWindowsAsOnLinux) >"$scratch/out" 2>"$scratch/err"
check "a prefix that vm32 did not prepare fails the smoke set" [ $? -ne 0 ]
check "saying so" grep -q "^smoke: the Wine prefix $scratch/no-prefix is missing or not current" "$scratch/err" || show "$scratch/err"
end

rm -rf "$state" "$scratch"
if [ "$failures" -ne 0 ]; then
    say "FAILED: $failures checks"
    exit 1
fi
say "all cases passed"
