' Carries 2004 into 2005 through QxcaEndy.endyear with a VantyrHost.Login.
' Arguments: data directory, release (8.50 or 8.61). Prints what it saw; the
' last line is the marker the test requires (the script host exits 0 even
' after a script error).
Option Explicit
Dim login, e, result, fresh
Set login = CreateObject("VantyrHost.Login")
login.DataDirectory = WScript.Arguments(0)
login.AccountNo = "001"
login.LoginYear = "2005"
Set e = CreateObject("QxcaEndy.endyear")
Set e.caLogin = login
WScript.Echo "login account " & e.caLogin.AccountNo
If WScript.Arguments(1) = "8.61" Then
    result = e.subYearend
    WScript.Echo "result " & result
    WScript.Echo "gOption " & e.gOption
    e.gOption = 2
    WScript.Echo "gOption set " & e.gOption
    Set fresh = CreateObject("QxcaEndy.endyear")
    On Error Resume Next
    fresh.GetOption
    WScript.Echo "fresh GetOption error " & Err.Number & " " & Err.Description
    On Error GoTo 0
Else
    e.subYearend
    WScript.Echo "done"
End If
WScript.Echo "SCRIPT-END"
