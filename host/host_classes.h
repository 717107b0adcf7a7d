#pragma once
// Vantyr's own host classes, created by ProgID like the suite's:
//   VantyrHost.Login           DataDirectory, AccountNo, LoginYear; LoginQuery(10, key)
//                              answers from the files of the data directory
//   VantyrHost.Database        Open, Close, Execute, OpenRecordset, UnderlyingConnection,
//                              TableDefinitions over the embedded engine
//   VantyrHost.FaultyDatabase  the same, raising a chosen error number from
//                              statements that contain a chosen text (for tests)
//   VantyrHost.DBEngine        BeginTrans, CommitTrans, Rollback on the thread's session
//   VantyrHost.MessageService  GetString by key from the shipped texts; ShowMessage
//   VantyrHost.Connection,     ADO's Connection and Recordset over the embedded engine
//   VantyrHost.Recordset       (for release 8.50's upgrade where ADO cannot reach it)
#include <windows.h>

#include <string>
#include <vector>

namespace vantyr::host {

class DispatchObject;

struct HostClass {
    const wchar_t* progId;
    GUID clsid;
    DispatchObject* (*create)();
};

const std::vector<HostClass>& hostClasses();

DispatchObject* createLogin();
DispatchObject* createDatabase();
DispatchObject* createFaultyDatabase();
DispatchObject* createDBEngine();
DispatchObject* createMessageService();
DispatchObject* createConnection();
DispatchObject* createAdoRecordset();

}  // namespace vantyr::host
