#!/usr/bin/env bash
# Installs what the build needs (when missing) and builds Vantyr into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make libsqlite3-dev nlohmann-json3-dev libcli11-dev libgtest-dev sqlite3
          unixodbc-dev odbcinst libsqliteodbc)  # ODBC backend; SQLite's ODBC driver for its tests
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  # Another installation may hold the package lock: wait for it (up to ten
  # minutes) instead of failing at once.
  lock=(-o DPkg::Lock::Timeout=600)
  $SUDO apt-get "${lock[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get "${lock[@]}" install -y -qq "${missing[@]}" >/dev/null
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTYR_WERROR=${VANTYR_WERROR:-ON} >/dev/null
cmake --build build -j"$(nproc)"
echo "built: $(pwd)/build/vantyr"
