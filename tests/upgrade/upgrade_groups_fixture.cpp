#include "tests/upgrade/upgrade_groups_fixture.h"

#include "platform/error.h"
#include "upgrade/statement_groups.h"

namespace vantyr::testing {
namespace {

// Opens the engine's recordset on the connection behind a recording one.
class UnwrappingRecordset : public platform::AdoRecordset {
public:
    explicit UnwrappingRecordset(std::unique_ptr<platform::AdoRecordset> inner) : inner_(std::move(inner)) {}
    void SetCursorLocation(int location) override { inner_->SetCursorLocation(location); }
    void SetCursorType(int type) override { inner_->SetCursorType(type); }
    void SetLockType(int type) override { inner_->SetLockType(type); }
    void Open(const std::string& sql, platform::AdoConnection& connection, int cursorType, int lockType) override {
        auto* recording = dynamic_cast<RecordingConnection*>(&connection);
        inner_->Open(sql, recording ? recording->inner() : connection, cursorType, lockType);
    }
    bool Eof() override { return inner_->Eof(); }
    bool Bof() override { return inner_->Bof(); }
    void MoveNext() override { inner_->MoveNext(); }
    platform::Value Field(const std::string& name) override { return inner_->Field(name); }
    platform::Value FieldAt(int index) override { return inner_->FieldAt(index); }
    void AddNew() override { inner_->AddNew(); }
    void SetField(const std::string& name, const platform::Value& value) override { inner_->SetField(name, value); }
    void Update() override { inner_->Update(); }
    void Close() override { inner_->Close(); }

private:
    std::unique_ptr<platform::AdoRecordset> inner_;
};

}  // namespace

void RecordingConnection::Execute(const std::string& sql) {
    sent.push_back({sql, std::nullopt});
    try {
        inner_->Execute(sql);
    } catch (const platform::Error& e) {
        sent.back().error = e.description();
        throw;
    }
}

void UpgradeGroupsFixture::makeUpgradeDemo() {
    makeDemo(Release::V850, 48);
    for (const char* year : {"2004", "2005"}) {
        for (const char* sql : {"if not exists (select * from sysobjects where name = 'ProductStructureEx') CREATE "
                                "TABLE ProductStructureEx (cPSPCode varchar(20) NOT NULL, cDepCode varchar(12))",
                                "if not exists (select * from sysobjects where name = 'Rpt_GlbDEF') CREATE TABLE "
                                "Rpt_GlbDEF (SystemID varchar(2), Name nvarchar(60), Type int, Cols int, IsBASE int)",
                                "delete from ProductStructureEx",
                                "insert into ProductStructureEx (cPSPCode, cDepCode) select cPSPCode, cDepCode from "
                                "productstructure"})
            ASSERT_EQ(tryExecute(year, sql), std::nullopt) << sql;
    }
}

std::vector<SentStatement> UpgradeGroupsFixture::runGroups(const std::string& year,
                                                           std::initializer_list<GroupFunction> groups) {
    auto db = platform.CreateDatabase();
    db->Open("001" + year);
    RecordingConnection connection(platform.CreateAdoConnection());
    connection.Open(db->UnderlyingConnection()->ConnectionString());
    upgrade::UpgradeSession session(connection, [this]() -> std::unique_ptr<platform::AdoRecordset> {
        return std::make_unique<UnwrappingRecordset>(platform.CreateAdoRecordset());
    });
    for (GroupFunction g : groups) g(session);
    db->Close();
    return connection.sent;
}

std::vector<SentStatement> UpgradeGroupsFixture::runAllGroups(const std::string& year) {
    std::vector<SentStatement> all;
    for (const auto& g : upgrade::statementGroups()) {
        auto sent = runGroups(year, {g.run});
        all.insert(all.end(), sent.begin(), sent.end());
    }
    return all;
}

std::vector<std::string> UpgradeGroupsFixture::rows(const std::string& year, const std::string& sql) {
    platform::sqlite::Connection db(file(year).string(), false);
    auto st = db.prepare(sql);
    std::vector<std::string> out;
    while (st.step()) {
        std::string row;
        for (int i = 0; i < st.columnCount(); ++i) {
            platform::Value v = st.column(i);
            row += (i ? "|" : "") + (v.isNull() ? std::string() : v.toText());
        }
        out.push_back(row);
    }
    return out;
}

std::optional<std::string> UpgradeGroupsFixture::tryExecute(const std::string& year, const std::string& sql) {
    auto db = platform.CreateDatabase();
    db->Open("001" + year);
    auto connection = platform.CreateAdoConnection();
    connection->Open(db->UnderlyingConnection()->ConnectionString());
    try {
        connection->Execute(sql);
    } catch (const platform::Error& e) {
        return e.description();
    }
    return std::nullopt;
}

std::vector<SentStatement> failures(const std::vector<SentStatement>& sent) {
    std::vector<SentStatement> out;
    for (const auto& s : sent)
        if (s.error) out.push_back(s);
    return out;
}

}  // namespace vantyr::testing
