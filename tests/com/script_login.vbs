' A login object written as a script class (reached through IDispatchEx).
' Arguments: data directory, mode: "rewrite" (LoginQuery answers True and
' rewrites the by-reference key to account 999) or "false" (answers False).
Option Explicit

Class ScriptLogin
    Public AccountNo
    Public LoginYear
    Public Mode
    Public Seen
    Public Function LoginQuery(code, key)
        Seen = Seen & code & ":" & key & ";"
        If Mode = "rewrite" Then
            key = "999" & Mid(key, 4)
            LoginQuery = True
        Else
            LoginQuery = False
        End If
    End Function
End Class

Dim session, login, e
' The host's login session of this thread (the database objects open in it).
Set session = CreateObject("VantyrHost.Login")
session.DataDirectory = WScript.Arguments(0)
Set login = New ScriptLogin
login.AccountNo = "001"
login.LoginYear = "2005"
login.Mode = WScript.Arguments(1)
Set e = CreateObject("QxcaEndy.endyear")
Set e.caLogin = login
WScript.Echo "result " & e.subYearend
WScript.Echo "seen " & login.Seen
WScript.Echo "SCRIPT-END"
