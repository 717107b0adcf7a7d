#!/usr/bin/env bash
# The COM tests against the i686 DLLs (the suite's desktop client is 32-bit),
# run by hand: too heavy for CI. Needs 32-bit Wine: adds the i386 architecture
# and installs wine32:i386. On a kernel that refuses 32-bit programs it also
# installs qemu-user-static (with wine32-preloader:i386) and registers qemu for
# i386 binaries through binfmt_misc. Then builds with scripts/com.sh and runs
# tests/com/ in a fresh win32 prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# Does this kernel run a 32-bit program? (A three-instruction i386 ELF that exits 7.)
runs_32bit() {
  local dir rc=0
  dir=$(mktemp -d)
  printf '.globl _start\n_start:\n movl $1,%%eax\n movl $7,%%ebx\n int $0x80\n' >"$dir/e.s"
  as --32 "$dir/e.s" -o "$dir/e.o" && ld -m elf_i386 "$dir/e.o" -o "$dir/e" && { "$dir/e" 2>/dev/null || rc=$?; }
  rm -rf "$dir"
  [ "$rc" -eq 7 ]
}

packages=(wine32:i386)
runs_32bit || packages+=(wine32-preloader:i386 qemu-user-static binfmt-support)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
missing=()
for p in "${packages[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if ! runs_32bit; then
  mountpoint -q /proc/sys/fs/binfmt_misc || $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  $SUDO update-binfmts --enable qemu-i386
  runs_32bit || { echo "32-bit programs still do not run: qemu-i386 is not registered"; exit 3; }
fi

VANTYR_COM_TESTS=0 bash scripts/com.sh
[ -x build/vantyr ] || bash scripts/setup.sh
bash tests/com/run_com_tests.sh build-com/i686 build/vantyr build-com/test-win32 win32
