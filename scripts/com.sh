#!/usr/bin/env bash
# The COM deliverables: installs what is missing (mingw-w64, widl, Wine),
# fetches SQLite's source from Debian's source package (with a temporary
# source list, into build-com/, never committed), builds QxcaEndy850.dll,
# QxcaEndy861.dll and VantyrHost.dll for x86_64 and i686, checks that every
# DLL exports the four server entry points, and runs the COM tests under Wine
# (x86_64) in a fresh headless prefix. VANTYR_COM_TESTS=0 builds only.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-com

packages=(cmake make mingw-w64 mingw-w64-tools libwine-dev wine wine64 tcl dpkg-dev nlohmann-json3-dev sqlite3)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# SQLite's amalgamation (sqlite3.c, sqlite3.h) built from Debian's source package.
sqlite_source() {
  local dir=$out/sqlite
  [ -f "$dir/amalgamation/sqlite3.c" ] && return 0
  rm -rf "$dir"; mkdir -p "$dir/apt/parts" "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/amalgamation"
  local mirror suite
  mirror=$(grep -hoE '^(URIs:|deb) +https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null \
           | head -1 | awk '{print $2}' || true)
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "${mirror:-http://deb.debian.org/debian}" "$suite" >"$dir/apt/parts/sqlite-src.sources"
  : >"$dir/apt/empty.list"
  local apt=(apt-get -qq -o "Dir::Etc::sourcelist=$dir/apt/empty.list" -o "Dir::Etc::sourceparts=$dir/apt/parts"
             -o "Dir::State::lists=$dir/apt/lists" -o "Dir::Cache=$dir/apt/cache" -o APT::Sandbox::User=root)
  "${apt[@]}" update
  (cd "$dir" && "${apt[@]}" source sqlite3 >/dev/null)
  local src
  src=$(find "$dir" -maxdepth 1 -type d -name 'sqlite3-*' | head -1)
  (cd "$dir/amalgamation" && "$src/configure" --disable-tcl >/dev/null && make -s sqlite3.c >/dev/null)
  rm -rf "$dir/apt"
}

build() {
  local arch=$1
  cmake -S com -B "$out/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/com/mingw-toolchain.cmake" -DVANTYR_MINGW_ARCH="$arch" \
    -DVANTYR_SQLITE_SOURCE="$out/sqlite/amalgamation" -DVANTYR_WERROR="${VANTYR_WERROR:-ON}" >/dev/null
  cmake --build "$out/$arch" -j2
}

exports_ok() {
  local arch=$1 dll=$2 table
  table=$("$arch-w64-mingw32-objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
  for entry in DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer; do
    grep -qE "\] $entry\$" <<<"$table" || { echo "FAIL $dll does not export $entry"; return 1; }
  done
  echo "ok   $(basename "$dll") ($arch) exports the four entry points undecorated"
}

sqlite_source
for arch in x86_64 i686; do
  build "$arch"
  for dll in QxcaEndy850 QxcaEndy861 VantyrHost; do exports_ok "$arch" "$out/$arch/$dll.dll"; done
done

[ "${VANTYR_COM_TESTS:-1}" = 0 ] && exit 0
[ -x build/vantyr ] || bash scripts/setup.sh
bash tests/com/run_com_tests.sh "$out/x86_64" build/vantyr "$out/test-win64" win64
