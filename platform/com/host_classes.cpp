#include "platform/com/host_classes.h"

#include "platform/com/automation.h"
#include "platform/com/registry.h"

namespace vantyr::platform::com {

HostClasses HostClasses::read(Release release, const std::wstring& hostKey) {
    auto value = [&](const wchar_t* name, const std::wstring& fallback) {
        std::wstring text = readText(hostKey, name).value_or(L"");
        if (text.empty()) text = fallback;
        return narrow(text.data(), text.size());
    };
    HostClasses classes;
    classes.database = value(L"Database", kDefaultDatabaseClass);
    classes.messageService = value(L"MessageService", kDefaultMessageServiceClass);
    classes.transactionEngine = value(L"DBEngine", release == Release::V850 ? L"DAO.DBEngine.35" : L"DAO.DBEngine.36");
    classes.adoConnection = value(L"AdoConnection", L"ADODB.Connection");
    classes.adoRecordset = value(L"AdoRecordset", L"ADODB.Recordset");
    classes.messageBox = value(L"MessageBox", L"");
    return classes;
}

}  // namespace vantyr::platform::com
