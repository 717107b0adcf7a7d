#include "platform/odbc/handles.h"

namespace vantyr::platform::odbc {

std::vector<DiagnosticRecord> readDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::vector<DiagnosticRecord> out;
    if (handle == SQL_NULL_HANDLE) return out;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLCHAR> text(1024);
        SQLRETURN rc = SQLGetDiagRec(type, handle, i, state, &native, text.data(),
                                     static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
            text.resize(static_cast<std::size_t>(length) + 1);
            rc = SQLGetDiagRec(type, handle, i, state, &native, text.data(), static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc)) break;
        std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - 1);
        out.push_back({reinterpret_cast<const char*>(state), static_cast<long>(native),
                       std::string(reinterpret_cast<const char*>(text.data()), n)});
    }
    return out;
}

}  // namespace vantyr::platform::odbc
