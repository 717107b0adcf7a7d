#!/usr/bin/env bash
# Run by hand: release 8.50's overwrite prompt (00145) through MessageBoxW
# under a virtual display, photographed into docs/com-850-overwrite-prompt.png
# and answered through the window (Cancel), after scripts/com.sh has built
# the DLLs. Installs Xvfb, xdotool, ImageMagick and a CJK font when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
packages=(xvfb xdotool imagemagick fonts-wqy-microhei)
missing=()
for p in "${packages[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if ((${#missing[@]})); then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[ -f build-com/x86_64/QxcaEndy850.dll ] || VANTYR_COM_TESTS=0 bash scripts/com.sh
[ -x build/vantyr ] || bash scripts/setup.sh

work=$root/build-com/screenshot
rm -rf "$work"; mkdir -p "$work"
win() { echo "Z:${1//\//\\}"; }
# The 64-bit loader (the wine wrapper prefers the 32-bit one when wine32 is installed).
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=:97
Xvfb :97 -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
sleep 2

$wine wineboot -i >/dev/null 2>&1
$wine regsvr32 /s "$(win "$root/build-com/x86_64/VantyrHost.dll")"
$wine regsvr32 /s "$(win "$root/build-com/x86_64/QxcaEndy850.dll")"
$wine reg add 'HKCR\CLSID\{484030E1-CFE3-4E5E-9484-CFE300BCFACA}\Host' /v DBEngine /d VantyrHost.DBEngine /f >/dev/null
# Wine draws the caption itself (there is no window manager on the virtual display).
$wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
# Chinese glyphs: link the dialog font to a CJK font, as a Chinese Windows does.
for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg"; do
  $wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" /t REG_MULTI_SZ \
    /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null
done

# A first run (boxes to a log) fills 2005; the second asks before overwriting it.
build/vantyr demo --data "$work/data" --release 8.50 >/dev/null
VANTYR_HOST_MESSAGE_LOG=$(win "$work/first.txt") $wine reg add \
  'HKCR\CLSID\{484030E1-CFE3-4E5E-9484-CFE300BCFACA}\Host' /v MessageBox /d VantyrHost.MessageService /f >/dev/null
VANTYR_HOST_MESSAGE_LOG=$(win "$work/first.txt") $wine cscript //nologo \
  "$(win "$root/tests/com/carry_over.vbs")" "$(win "$work/data")" 8.50 >/dev/null 2>&1
$wine reg delete 'HKCR\CLSID\{484030E1-CFE3-4E5E-9484-CFE300BCFACA}\Host' /v MessageBox /f >/dev/null

$wine cscript //nologo "$(win "$root/tests/com/carry_over.vbs")" "$(win "$work/data")" 8.50 \
  >"$work/second.txt" 2>&1 &
run=$!
window=""
for _ in $(seq 60); do
  window=$(xdotool search --onlyvisible --name '年末结转' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 1
done
[ -n "$window" ] || { echo "FAIL the prompt did not appear"; exit 1; }
sleep 1
import -window root "$work/screen.png"
convert "$work/screen.png" -trim +repage docs/com-850-overwrite-prompt.png
# Cancel through the window (Wine may recreate it while it settles: find it again each time).
for _ in $(seq 30); do
  kill -0 $run 2>/dev/null || break
  window=$(xdotool search --onlyvisible --name '年末结转' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && xdotool key --window "$window" Escape 2>/dev/null || true
  sleep 1
done
if kill -0 $run 2>/dev/null; then echo "FAIL the prompt was not answered"; exit 1; fi
tr -d '\r' <"$work/second.txt" | grep -qx 'SCRIPT-END' || { echo "FAIL the script did not finish"; exit 1; }
echo "ok   prompt 00145 shown, photographed (docs/com-850-overwrite-prompt.png) and answered with Cancel"
