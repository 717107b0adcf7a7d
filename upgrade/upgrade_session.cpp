#include "upgrade/upgrade_session.h"

#include "platform/error.h"

namespace vantyr::upgrade {

void UpgradeSession::execute(const std::string& sql) {
    try {
        connection_.Execute(sql);
    } catch (const platform::Error&) {
        // The upgrade passes over every failure of its own statements.
    }
}

void UpgradeSession::executeAll(std::initializer_list<std::string_view> statements) {
    for (std::string_view sql : statements) execute(std::string(sql));
}

std::optional<long> UpgradeSession::count(const std::string& sql, const std::string& field) {
    try {
        auto rs = newRecordset();
        rs->Open(sql, connection_, platform::kAdOpenForwardOnly, platform::kAdLockReadOnly);
        std::optional<long> result;
        if (!rs->Eof()) result = static_cast<long>(rs->Field(field).toDouble());
        rs->Close();
        return result;
    } catch (const platform::Error&) {
        // A guard that cannot be read counts as failed: nothing is inserted.
        return std::nullopt;
    }
}

std::string crlfLines(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (std::string_view line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace vantyr::upgrade
