#include "upgrade/upgrade_session.h"

#include "platform/error.h"

namespace vantyr::upgrade {

void UpgradeSession::execute(const std::string& sql) {
    try {
        connection_.Execute(sql);
    } catch (const platform::Error& e) {
        // The upgrade passes over every failure of its own statements, never one of the storage.
        if (platform::isStorageFailure(e.number())) throw;
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
    } catch (const platform::Error& e) {
        // A guard that cannot be read counts as failed: nothing is inserted.
        if (platform::isStorageFailure(e.number())) throw;
        return std::nullopt;
    }
}

bool UpgradeSession::noneCounted(const std::string& sql) {
    std::unique_ptr<platform::AdoRecordset> rs;
    try {
        rs = newRecordset();
        rs->Open(sql, connection_, platform::kAdOpenForwardOnly, platform::kAdLockReadOnly);
    } catch (const platform::Error& e) {
        if (platform::isStorageFailure(e.number())) throw;
        return false;  // the query failed: nothing is inserted
    }
    bool insert = true;
    try {
        if (!rs->Eof()) {
            platform::Value first = rs->FieldAt(0);
            if (!first.isNull() && first.toDouble() > 0) insert = false;
        }
    } catch (const platform::Error& e) {
        if (platform::isStorageFailure(e.number())) throw;
        insert = false;  // a read that failed counts as a row found
    }
    passingOver([&] { rs->Close(); });
    return insert;
}

bool passingOver(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const platform::Error& e) {
        if (platform::isStorageFailure(e.number())) throw;  // the storage failed: the run ends
        return false;  // the upgrade passes over every failure of its own
    }
}

std::string crlfJoined(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "\r\n" : "") + lines[i];
    return out;
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
