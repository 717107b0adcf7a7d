' Vantyr's ADO stand-ins as release 8.50's upgrade uses them: a new
' connection opened with the connection string of a database object's
' underlying connection, a statement, and a read-only recordset.
' Argument: data directory. The last line is the marker the test requires.
Option Explicit
Dim login, db, conn, rs
Set login = CreateObject("VantyrHost.Login")
login.DataDirectory = WScript.Arguments(0)
Set db = CreateObject("VantyrHost.Database")
db.Open "0012004"
Set conn = CreateObject("VantyrHost.Connection")
conn.Open db.UnderlyingConnection.ConnectionString
conn.Execute "update ca_cbsys set iendmonth = 11"
Set rs = CreateObject("VantyrHost.Recordset")
rs.CursorLocation = 3
rs.Open "select iendmonth from ca_cbsys", conn, 0, 1
WScript.Echo "iendmonth " & rs.Fields.Item("iendmonth")
rs.Close
Set rs = conn.Execute("select count(*) as n from ca_cbsys")
WScript.Echo "rows " & rs.Fields("n")
db.Close
WScript.Echo "SCRIPT-END"
