#!/usr/bin/env bash
# The COM tests under Wine, with real registration in a fresh prefix:
#   run_com_tests.sh <mingw build dir> <native vantyr> <work dir> <arch: win64|win32>
# Each case prints "ok" or "FAIL"; the last line counts them. Scripts end with
# a marker line that every case requires, since Wine's script host exits 0
# even after a script error.
set -uo pipefail
build=$(cd "$1" && pwd); vantyr=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); work=$3; arch=${4:-win64}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"; mkdir -p "$work"; work=$(cd "$work" && pwd)
export WINEPREFIX=$work/prefix WINEARCH=$arch WINEDEBUG=-all DISPLAY= WINEDLLOVERRIDES="mscoree,mshtml="
export VANTYR_HOST_MESSAGE_LOG
# The 64-bit loader for a 64-bit prefix: Debian's wine wrapper prefers the
# 32-bit one when wine32 is installed, whose programs see the 32-bit registry.
wine=${WINE:-wine}
if [ -z "${WINE:-}" ] && [ "$arch" = win64 ] && [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; fi
passed=0; failed=0

win() { echo "Z:${1//\//\\}"; }
ok() { echo "ok   $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1"; failed=$((failed + 1)); }
check() { local name=$1; shift; if "$@"; then ok "$name"; else fail "$name"; fi; }

host_key='HKCR\CLSID\{484030E1-CFE3-4E5E-9484-CFE300BCFACA}\Host'
clsid_key='HKCR\CLSID\{484030E1-CFE3-4E5E-9484-CFE300BCFACA}'
lib_key='HKCR\TypeLib\{6866D2BF-35FD-48B8-A92E-2CB2576C5C71}'
if850='HKCR\Interface\{8EC2832B-1643-42EF-A236-E7A76E6D1A7C}'
if861='HKCR\Interface\{3321898E-C354-4731-AB62-BCF90801CBBC}'

reg_set() { $wine reg add "$host_key" /v "$1" /d "$2" /f >/dev/null 2>&1; }
reg_has() { $wine reg query "$1" >/dev/null 2>&1; }
reg_lacks() { ! reg_has "$1"; }
has_lacks() { reg_has "$1" && reg_lacks "$2"; }
lacks_both() { reg_lacks "$1" && reg_lacks "$2"; }
reg_value() { $wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep -i "$2" | sed 's/.*REG_SZ[[:space:]]*//'; }
reg_default() { $wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | grep REG_SZ | sed 's/.*REG_SZ[[:space:]]*//'; }

register() {
  # the processes of an earlier script are gone first: nothing holds the keys the registration replaces
  wineserver -w 2>/dev/null || true
  $wine regsvr32 /s "$(win "$build/$1")" || { echo "regsvr32 $1 failed"; return 1; }
  # Vantyr's own transaction engine and boxes that write to the message log.
  reg_set DBEngine VantyrHost.DBEngine
  reg_set MessageBox VantyrHost.MessageService
  reg_set AdoConnection VantyrHost.Connection
  reg_set AdoRecordset VantyrHost.Recordset
}

# A fresh demo account: 2004 filled, 2005 empty.
demo() { rm -rf "$work/$1"; "$vantyr" demo --data "$work/$1" --release "$2" >/dev/null; }
sql() { sqlite3 "$work/$1/QXDATA_001_$2.db" "$3"; }
# Runs a script; its output is in $work/out.txt, its messages in $work/messages.txt.
run_script() {
  local script=$1; shift
  : >"$work/messages.txt"
  VANTYR_HOST_MESSAGE_LOG=$(win "$work/messages.txt")
  timeout 300 $wine cscript //nologo "$(win "$here/$script")" "$@" 2>&1 | tr -d '\r' >"$work/out.txt"
  grep -q '^SCRIPT-END$' "$work/out.txt" || { echo "---- $script did not finish:"; cat "$work/out.txt"; return 1; }
}
said() { grep -qxF "$1" "$work/out.txt"; }
shown() { grep -qF "$1" "$work/messages.txt"; }

echo "== prefix and registration ($arch)"
$wine wineboot -i >/dev/null 2>&1
$wine regsvr32 /s "$(win "$build/VantyrHost.dll")"; check "VantyrHost.dll registers" test $? -eq 0

register QxcaEndy850.dll
check "8.50 registers its class, in-process and apartment-threaded" \
  test "$(reg_value "$clsid_key\\InprocServer32" ThreadingModel)" = Apartment
check "8.50 server path" bash -c "[[ '$(reg_default "$clsid_key\\InprocServer32")' == *QxcaEndy850.dll ]]"
check "8.50 ProgID names the class" \
  test "$(reg_default 'HKCR\QxcaEndy.endyear\CLSID')" = "{484030E1-CFE3-4E5E-9484-CFE300BCFACA}"
check "8.50 type library 2.0 only" has_lacks "$lib_key\\2.0" "$lib_key\\2.1"
check "8.50 interface registered, 8.61's not" has_lacks "$if850" "$if861"
check "8.50 host defaults written" test "$(reg_value "$host_key" Database)" = VantyrHost.Database

demo d850 8.50
run_script carry_over.vbs "$(win "$work/d850")" 8.50
check "8.50 run ends" said "done"
check "8.50 success box" shown $'64\t结转\t结转工作已顺利完成！'
check "8.50 2005 carried" test "$(sql d850 2005 'select iendmonth, iendyear from ca_cbsys')" = "0|2005"
check "8.50 2004 marked closed" test "$(sql d850 2004 'select iendmonth from ca_cbsys')" = "13"
check "8.50 period rows carried" test "$(sql d850 2005 'select count(*) from ca_amoct')" -gt 0

run_script carry_over.vbs "$(win "$work/d850")" 8.50
check "8.50 asks before overwriting a filled year" shown $'65\t年末结转\t2004年度已进行过年末结转,继续该操作将会覆盖数据,是否继续?'

register QxcaEndy861.dll
check "8.61 replaces 8.50: type library 2.1 only" has_lacks "$lib_key\\2.1" "$lib_key\\2.0"
check "8.61 interface _endyear" test "$(reg_default "$if861")" = "_endyear"
check "8.61 keeps 8.50's interface as endyear___v0" test "$(reg_default "$if850")" = "endyear___v0"
check "8.61 server path" bash -c "[[ '$(reg_default "$clsid_key\\InprocServer32")' == *QxcaEndy861.dll ]]"
check "re-registration keeps the site's host classes" test "$(reg_value "$host_key" DBEngine)" = VantyrHost.DBEngine

demo d861 8.61
run_script carry_over.vbs "$(win "$work/d861")" 8.61
check "8.61 subYearend returns True" said "result True"
check "8.61 caLogin reads back the login" said "login account 001"
check "8.61 gOption reads 0 after a run without options" said "gOption 0"
check "8.61 gOption writes" said "gOption set 2"
check "8.61 GetOption on a fresh instance raises 91" bash -c "grep -q '^fresh GetOption error 91 ' '$work/out.txt'"
check "8.61 success box by key" shown $'64\t年末结转\t结转工作已顺利完成！'
check "8.61 2005 carried" test "$(sql d861 2005 'select iendmonth, iendyear from ca_cbsys')" = "0|2005"

demo login 8.61
run_script script_login.vbs "$(win "$work/login")" rewrite
check "script login: LoginQuery gets code 10 and the key" said "seen 10:0012004;10:0012005;"
check "script login: Open receives the rewritten key (no such database: 00141)" \
  shown $'64\t年末结转\t为使用后的第一年，不需要执行上年结转。'
check "script login: nothing written" test "$(sql login 2004 'select iendmonth from ca_cbsys')" = "12"
run_script script_login.vbs "$(win "$work/login")" false
check "script login answering False: 00137" shown $'48\t年末结转\t未找到上年数据库，不能执行上年结转.'
check "script login answering False: returns False" said "result False"
check "script login answering False: nothing written" test "$(sql login 2005 'select count(*) from ca_cbsys')" = "0"

reg_set Database VantyrHost.FaultyDatabase
demo fault 8.61
VANTYR_HOST_FAULT="3200:delete from ca_RptSYS " run_script carry_over.vbs "$(win "$work/fault")" 8.61
check "error 3200: returns False" said "result False"
check "error 3200: messages 00149 and 00150" \
  shown $'48\t年末结转\t本年度已录入成本数据， 不能再结转上年数据！\\r\\n如有必要，请先清空本年度数据库后再试。'
check "error 3200: rolled back" test "$(sql fault 2005 'select count(*) from ca_amoct')" = "0"
VANTYR_HOST_FAULT="-2147220991:delete from ca_SerPRI " run_script carry_over.vbs "$(win "$work/fault")" 8.61
check "error -2147220991: passed over, committed" said "result True"
check "error -2147220991: success box" shown $'64\t年末结转\t结转工作已顺利完成！'
check "error -2147220991: the rest carried" test "$(sql fault 2005 'select count(*) from ca_amoct')" -gt 0
reg_set Database VantyrHost.Database

demo ado 8.50
run_script ado.vbs "$(win "$work/ado")"
check "ADO stand-ins: a recordset on a new connection reads" said "iendmonth 11"
check "ADO stand-ins: Execute answers a query with a recordset" said "rows 1"
check "ADO stand-ins: the statement is written" test "$(sql ado 2004 'select iendmonth from ca_cbsys')" = "11"

echo "== C++ client"
: >"$work/messages.txt"; VANTYR_HOST_MESSAGE_LOG=$(win "$work/messages.txt")
demo client 8.61
$wine "$(win "$build/com_client_test.exe")" 861 "$(win "$work/client")" 2>&1 | tr -d '\r' | tee "$work/client.txt" | grep -v '^ok'
check "C++ client against 8.61" grep -q '^client: [0-9]* passed, 0 failed$' "$work/client.txt"
register QxcaEndy850.dll
demo client 8.50
$wine "$(win "$build/com_client_test.exe")" 850 "$(win "$work/client")" 2>&1 | tr -d '\r' | tee "$work/client.txt" | grep -v '^ok'
check "C++ client against 8.50" grep -q '^client: [0-9]* passed, 0 failed$' "$work/client.txt"

$wine regsvr32 /s /u "$(win "$build/QxcaEndy850.dll")"
check "unregister removes the class" reg_lacks "$clsid_key"
check "unregister removes the ProgID" reg_lacks 'HKCR\QxcaEndy.endyear'
check "unregister removes the type library" reg_lacks "$lib_key"
check "unregister removes the interfaces" lacks_both "$if850" "$if861"

wineserver -k 2>/dev/null || true
echo "com: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
