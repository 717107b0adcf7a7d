#include "upgrade/upgrade_ca_schema.h"

#include <utility>
#include <vector>

#include "platform/error.h"
#include "upgrade/statement_groups.h"

namespace vantyr::upgrade {
namespace {

using platform::Value;

constexpr const char* kVersionQuery = "select * from accinformation where csysid='CA' and cname='Version'";
constexpr const char* kSchemaVersion = "8500000";

const std::vector<std::pair<const char*, Value>>& versionRowFields() {
    static const std::vector<std::pair<const char*, Value>> kFields{
        {"cSysID", Value("CA")},        {"cID", Value("18")},           {"cName", Value("Version")},
        {"cCaption", Value("版本")},     {"cType", Value("Text")},       {"cvalue", Value(kSchemaVersion)},
        {"cDefault", Value(kSchemaVersion)}, {"bVisible", Value(true)}, {"bEnable", Value(true)}};
    return kFields;
}

std::unique_ptr<platform::AdoConnection> openUpgradeConnection(platform::AdoFactory& ado,
                                                               const std::shared_ptr<platform::AdoConnection>& given) {
    if (!given) throw platform::Error::objectNotSet();
    std::string connectionString = given->ConnectionString();
    auto own = ado.CreateAdoConnection();
    own->Open(connectionString, "", "", platform::kAdUnspecified);
    return own;
}

}  // namespace

void StampVersion(UpgradeSession& session) {
    std::unique_ptr<platform::AdoRecordset> rs;
    if (!passingOver([&] { rs = session.newRecordset(); })) return;
    passingOver([&] { rs->SetCursorLocation(platform::kAdUseClient); });
    passingOver([&] { rs->SetCursorType(platform::kAdOpenDynamic); });
    passingOver([&] { rs->SetLockType(platform::kAdLockOptimistic); });
    bool opened = passingOver([&] {
        rs->Open(kVersionQuery, session.connection(), platform::kAdUnspecified, platform::kAdUnspecified);
    });
    if (!opened) return;  // the Version row cannot be read: nothing is stamped
    bool eof = false;
    if (!passingOver([&] { eof = rs->Eof(); })) return;
    if (eof) {
        passingOver([&] { rs->AddNew(); });
        for (const auto& [name, value] : versionRowFields()) passingOver([&] { rs->SetField(name, value); });
        passingOver([&] { rs->Update(); });
    } else {
        Value stored;
        bool read = passingOver([&] { stored = rs->Field("cvalue"); });
        // A textual comparison: "861" sorts after "8500000"; Null is left alone.
        bool lower = false;
        if (read && !stored.isNull()) passingOver([&] { lower = stored.toText() < kSchemaVersion; });
        if (lower) {
            passingOver([&] { rs->SetField("cvalue", Value(kSchemaVersion)); });
            passingOver([&] { rs->Update(); });
        }
    }
    passingOver([&] { rs->Close(); });
}

void UpgradeCaSchema(platform::AdoFactory& ado, const std::shared_ptr<platform::AdoConnection>& connection,
                     platform::RunObserver* groups) {
    try {
        std::unique_ptr<platform::AdoConnection> own;
        // Nothing can succeed on a connection that did not open: the upgrade ends here.
        try {
            own = openUpgradeConnection(ado, connection);
        } catch (const platform::Error&) {
            return;
        }
        UpgradeSession session(*own, [&ado] { return ado.CreateAdoRecordset(); });
        if (groups) groups->Step(0, static_cast<int>(statementGroups().size()), "Version stamp");
        StampVersion(session);
        for (const auto& group : statementGroups()) {
            if (groups) groups->Step(group.number, static_cast<int>(statementGroups().size()), group.name);
            passingOver([&] { group.run(session); });
        }
    } catch (const platform::Error&) {
        throw;  // a storage failure, which the upgrade never passes over: the run ends on it
    } catch (const std::exception&) {
        // Not the platform's own failure (memory, a library): the upgrade still raises nothing.
    }
}

}  // namespace vantyr::upgrade
