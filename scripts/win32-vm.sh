#!/usr/bin/env bash
# An emulated 64-bit PC with Debian and Wine, 32-bit and 64-bit: there the shipped 32-bit
# Windows program runs as on 64-bit Windows. This machine's kernel runs no 32-bit code at
# all, so the PC is emulated in full (qemu-system-x86_64 without KVM).
#
#   scripts/win32-vm.sh build            makes the PC once, cached under build/win32-vm/
#   scripts/win32-vm.sh run SCRIPT [ARG...]
#                                        boots it (making it first where needed) and runs
#                                        SCRIPT with bash as root; exits with its exit code
#
# The project's folder is shared with the PC at the same path, so SCRIPT and what it
# reads and writes there have the same names inside. The PC's own disk is a snapshot:
# nothing written to it outlives the run. Its loopback ports named in TV_VM_FORWARD
# (blank-separated) lead to the same ports on this machine's loopback, so test servers
# started here answer at 127.0.0.1 inside as well. A run that exceeds TV_VM_LIMIT seconds
# (default 900) is stopped.
#
# Bookworm, as this machine: its kernel runs 32-bit code by default, its Wine (8.0) is the
# classic pair of wine64 and wine32, and its packages only receive fixes.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
suite=bookworm
mirror=http://deb.debian.org/debian
packages=(linux-image-amd64 kmod iproute2 procps socat)
wine_packages=(wine wine64 wine32:i386)

# The PC's first process, on its disk: mounts what Linux needs and the project's folder,
# then hands over to this script's guest part there, so that part changes without a new
# disk. Programs do not run from the share: Wine maps every .exe into memory, and pages
# mapped from it read as zeros (with or without 9p's mmap cache); jobs copy them first.
read -r -d '' guest_init <<'INIT' || true
#!/bin/bash
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
share=$(sed -n 's/.*tv\.share=\([^ ]*\).*/\1/p' /proc/cmdline)
mkdir -p "$share"
if modprobe 9pnet_virtio && modprobe 9p &&
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=mmap project "$share"; then
  exec bash "$share/scripts/win32-vm.sh" guest
fi
echo "tv-vm: the project's folder could not be mounted at $share"
echo o > /proc/sysrq-trigger
INIT

# Run once when the disk is made: Wine's prefix takes minutes under emulation.
read -r -d '' guest_prepare <<'PREPARE' || true
wine wineboot -i
wineserver -w
ls -d "$HOME/.wine/drive_c/Program Files (x86)" "$HOME/.wine/drive_c/windows/syswow64" >/dev/null
PREPARE

# The guest part, inside the PC: the network with the forwarded ports, one Wine server for
# the whole job (each start of one costs seconds under emulation), the job with its
# output on the console, its exit code, and the power off.
guest() {
  set +eu +o pipefail # whatever fails, the PC powers off with an exit code
  echo "tv-vm: up"
  export WINEDEBUG=-all
  hostname tvvm
  local job forward arg code dev
  for arg in $(cat /proc/cmdline); do
    case "$arg" in
      tv.job=*) job="${arg#tv.job=}" ;;
      tv.forward=*) forward="${arg#tv.forward=}" ;;
    esac
  done
  ip link set lo up
  for dev in /sys/class/net/*; do
    [ "$(basename "$dev")" = lo ] && continue
    ip link set "$(basename "$dev")" up
    ip addr add 10.0.2.15/24 dev "$(basename "$dev")"
    ip route add default via 10.0.2.2
    break
  done
  for port in ${forward//,/ }; do
    socat "TCP-LISTEN:$port,bind=127.0.0.1,fork,reuseaddr" "TCP:10.0.2.2:$port" &
  done
  [ -d "$HOME/.wine" ] && wineserver -p
  # Into a file, not a pipe: Wine's own processes outlive the job holding its output
  # open, and a terminal would receive Wine's cursor codes.
  : > /run/job.out
  tail -f /run/job.out &
  local tailer=$!
  code=0
  bash "$job" > /run/job.out 2>&1 || code=$?
  sleep 0.5
  kill "$tailer"
  wineserver -k 2>/dev/null || true
  echo "tv-vm: exit code $code"
  cd /
  sync
  umount "$root" 2>/dev/null || true
  mount -o remount,ro / 2>/dev/null || true
  echo o > /proc/sysrq-trigger
  sleep 10
}

key=$(printf '%s\n' "$suite" "${packages[*]}" "${wine_packages[*]}" "$guest_init" "$guest_prepare" |
  sha256sum | cut -c1-16)
machines="$root/build/win32-vm"
machine="$machines/$key"

# boot PC DISK_MODE JOB: boots the PC in folder PC; prints its console; fails unless the
# job ended with exit code 0. DISK_MODE: on (a snapshot) or off (written).
boot() {
  local pc="$1" snapshot="$2" job="$3" limit="${TV_VM_LIMIT:-900}"
  local append="root=/dev/vda rw console=ttyS0 panic=1 quiet init=/sbin/tv-init tv.job=$job tv.share=$root"
  local forward="${TV_VM_FORWARD:-}"
  [ -n "$forward" ] && append+=" tv.forward=${forward// /,}"
  local args=(-nodefaults -display none -serial stdio -no-reboot
    -accel tcg,tb-size=256 -cpu Haswell-v4 -smp 2 -m 2048
    -kernel "$pc/vmlinuz" -initrd "$pc/initrd.img"
    -drive "file=$pc/disk.img,if=virtio,format=raw,snapshot=$snapshot"
    -netdev user,id=net0 -device virtio-net-pci,netdev=net0
    -virtfs "local,path=$root,mount_tag=project,security_model=none")
  local console="$machines/console.txt" status attempt
  for attempt in 1 2; do
    : > "$console"
    # A PC that has not reached its job after two minutes hangs in its boot (seen once in
    # dozens): it is stopped and started once more.
    (sleep 120 && grep -q '^tv-vm: up' "$console" || pkill -f -- "-drive file=$pc/disk.img") \
      > /dev/null 2>&1 &
    local watchdog=$!
    set +e
    timeout -k 10 "$limit" qemu-system-x86_64 "${args[@]}" -append "$append" < /dev/null 2>&1 |
      grep --line-buffered -v "TCG doesn't support requested feature" | tee "$console"
    status=${PIPESTATUS[0]}
    set -e
    kill "$watchdog" 2>/dev/null || true
    grep -q '^tv-vm: up' "$console" && break
    echo "win32-vm: the emulated PC did not start its job (attempt $attempt)"
  done
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "win32-vm: the emulated PC did not finish within $limit s and was stopped"
    return 1
  fi
  local code
  code=$(sed -n 's/^tv-vm: exit code \([0-9]*\).*/\1/p' "$console" | tail -1)
  [ -n "$code" ] || { echo "win32-vm: the emulated PC ended without its job's exit code"; return 1; }
  return "$code"
}

build() {
  [ -f "$machine/disk.img" ] && return 0
  scripts/install-deps.sh qemu-system-x86 debootstrap e2fsprogs
  local started part="$machine.part"
  started=$(date +%s)
  rm -rf "$part" && mkdir -p "$part"
  echo "win32-vm: making the emulated PC ($suite with Wine) in $machine"
  local rootfs="$part/rootfs"
  debootstrap --variant=minbase --arch=amd64 --include="$(IFS=,; echo "${packages[*]}")" \
    "$suite" "$rootfs" "$mirror" > "$part/debootstrap.log" 2>&1 ||
    { tail -20 "$part/debootstrap.log"; return 1; }
  cp /etc/apt/apt.conf.d/99artifact-registry "$rootfs/etc/apt/apt.conf.d/" 2>/dev/null || true
  chroot "$rootfs" dpkg --add-architecture i386
  chroot "$rootfs" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive chroot "$rootfs" apt-get install -y -qq --no-install-recommends \
    "${wine_packages[@]}" > "$part/wine.log" 2>&1 || { tail -20 "$part/wine.log"; return 1; }
  chroot "$rootfs" apt-get clean
  printf '%s\n' "$guest_init" > "$rootfs/sbin/tv-init"
  chmod 755 "$rootfs/sbin/tv-init"
  cp "$rootfs"/boot/vmlinuz-* "$part/vmlinuz"
  cp "$rootfs"/boot/initrd.img-* "$part/initrd.img"
  mke2fs -q -t ext4 -d "$rootfs" "$part/disk.img" 8G
  rm -rf "$rootfs"
  echo "win32-vm: making Wine's prefix inside the PC"
  printf '%s\n' "$guest_prepare" > "$machines/prepare.sh"
  boot "$part" off "$machines/prepare.sh" > "$machines/prepare.txt" 2>&1 ||
    { tail -30 "$machines/prepare.txt"; return 1; }
  # Earlier PCs go: each takes gigabytes.
  find "$machines" -mindepth 1 -maxdepth 1 -type d ! -name "$key.part" -exec rm -rf {} +
  mv "$part" "$machine"
  echo "win32-vm: the emulated PC is ready after $(($(date +%s) - started)) s"
}

main() {
  case "${1:-}" in
    build) build ;;
    guest) guest ;;
    run)
      shift
      [ $# -ge 1 ] || { echo "usage: $0 run SCRIPT [ARG...]"; exit 2; }
      build
      local job="$machines/job.sh"
      printf '%q ' bash "$(realpath "$1")" "${@:2}" > "$job"
      boot "$machine" on "$job"
      ;;
    *)
      echo "usage: $0 build | run SCRIPT [ARG...]"
      exit 2
      ;;
  esac
}
main "$@"; exit # read whole before it runs (one line): editing the script meanwhile is safe
