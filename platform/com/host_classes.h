#pragma once
// Which host classes the component creates. The suite's database library and
// message service have no fixed class names, so a site names them under the
// component's registry key (HKCR\CLSID\{class id}\Host); registration writes
// Vantyr's own host classes there as defaults and keeps what a site wrote.
// The transaction engine and ADO have fixed names, which the same key may
// override (a site without DAO, or a test):
//
//   Database        the database library's database class
//   MessageService  release 8.61's message service
//   DBEngine        default DAO.DBEngine.35 (8.50) or DAO.DBEngine.36 (8.61)
//   AdoConnection   default ADODB.Connection
//   AdoRecordset    default ADODB.Recordset
//   MessageBox      a class with ShowMessage that shows release 8.50's boxes
//                   instead of the platform's MessageBoxW (empty: MessageBoxW)
#include <string>

#include "shell/release.h"

namespace vantyr::platform::com {

inline constexpr const wchar_t* kDefaultDatabaseClass = L"VantyrHost.Database";
inline constexpr const wchar_t* kDefaultMessageServiceClass = L"VantyrHost.MessageService";

struct HostClasses {
    std::string database;
    std::string messageService;
    std::string transactionEngine;
    std::string adoConnection;
    std::string adoRecordset;
    std::string messageBox;

    // The names in force for the release, read from `hostKey` (a path under
    // HKEY_CLASSES_ROOT) with the defaults where a value is missing.
    static HostClasses read(Release release, const std::wstring& hostKey);
};

}  // namespace vantyr::platform::com
