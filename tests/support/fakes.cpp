#include "tests/support/fakes.h"

#include <algorithm>
#include <cctype>

namespace vantyr::testing {
namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// Number 0 stands for a failure that is not the platform's (a library's exception).
[[noreturn]] void raise(const Failure& f) {
    if (f.number == 0) throw std::runtime_error(f.description);
    throw platform::Error(f.number, f.description);
}

class FakeRecordset : public platform::Recordset {
public:
    FakeRecordset(FakeWorld& world, std::string key, std::string sql, std::vector<Row> rows)
        : world_(world), key_(std::move(key)), sql_(std::move(sql)), rows_(std::move(rows)) {}
    bool Eof() override { return rows_.empty(); }
    Value Field(const std::string& name) override {
        if (rows_.empty()) throw platform::Error(3021, "No current record.");
        auto it = rows_.front().find(lower(name));
        if (it == rows_.front().end()) throw platform::Error(3265, "Item not found in this collection.");
        return it->second;
    }
    void Edit() override {
        world_.failIfScripted(key_, "edit:" + sql_);
        world_.journal.push_back({"edit", key_, sql_, std::nullopt});
    }
    void SetField(const std::string& name, const Value& value) override {
        world_.failIfScripted(key_, "set:" + sql_);
        world_.journal.push_back({"set", key_, name + "=" + value.toText(), std::nullopt});
    }
    void Update() override {
        world_.failIfScripted(key_, "update:" + sql_);
        world_.journal.push_back({"update", key_, sql_, std::nullopt});
    }
    void Close() override {}

private:
    FakeWorld& world_;
    std::string key_, sql_;
    std::vector<Row> rows_;
};

class FakeTableDefinitions : public platform::TableDefinitions {
public:
    explicit FakeTableDefinitions(FakeWorld& world) : world_(world) {}
    platform::TableDefinition Item(const std::string& table) override {
        world_.failIfScripted("", "tabledef:" + table);
        auto it = world_.tableColumns.find(table);
        if (it == world_.tableColumns.end()) throw platform::Error(3265, "Item not found in this collection.");
        return {table, it->second};
    }

private:
    FakeWorld& world_;
};

}  // namespace

std::string FakeLogin::AccountNo() {
    ++accountReads;
    if (failAll) throw platform::Error(-2147417848, "The object invoked has disconnected from its clients.");
    return account;
}

std::string FakeLogin::LoginYear() {
    ++yearReads;
    if (failAll) throw platform::Error(-2147417848, "The object invoked has disconnected from its clients.");
    return year;
}

bool FakeLogin::LoginQuery(int code, Value& key) {
    if (failAll) throw platform::Error(-2147417848, "The object invoked has disconnected from its clients.");
    queried.push_back(key.toText());
    if (rewriteKey) rewriteKey(key);
    return code == platform::kQueryDatabaseExists && existing.count(key.toText()) > 0;
}

void FakeWorld::failIfScripted(const std::string& key, const std::string& sql) {
    auto it = failures.find(sql);
    if (it != failures.end()) raise(it->second);
    if (failWhen) {
        if (auto f = failWhen(key, sql)) raise(*f);
    }
}

std::unique_ptr<platform::Database> FakeWorld::CreateDatabase() {
    ++databasesCreated;
    if (failCreateDatabase) throw classNotRegistered();
    return std::make_unique<FakeDatabase>(*this);
}

std::vector<Event> FakeWorld::executed() const {
    std::vector<Event> out;
    for (const auto& e : journal)
        if (e.kind == "exec") out.push_back(e);
    return out;
}

std::vector<std::string> FakeWorld::kinds() const {
    std::vector<std::string> out;
    for (const auto& e : journal) out.push_back(e.kind);
    return out;
}

void FakeDatabase::Open(const std::string& key) {
    world_.journal.push_back({"open", key, key, std::nullopt});
    if (world_.failingOpens.count(key)) throw platform::Error(3151, "ODBC--connection failed.");
    key_ = key;
}

void FakeDatabase::Close() { world_.journal.push_back({"close", key_, "", std::nullopt}); }

std::int64_t FakeDatabase::Execute(const std::string& sql, std::optional<int> option) {
    world_.journal.push_back({"exec", key_, sql, option});
    world_.failIfScripted(key_, sql);
    return 0;
}

std::unique_ptr<platform::Recordset> FakeDatabase::OpenRecordset(const std::string& sql) {
    world_.journal.push_back({"query", key_, sql, std::nullopt});
    if (key_.empty()) throw platform::Error(3420, "Object invalid or no longer set.");
    world_.failIfScripted(key_, sql);
    auto it = world_.results.find({key_, sql});
    return std::make_unique<FakeRecordset>(world_, key_, sql,
                                           it == world_.results.end() ? std::vector<Row>{} : it->second);
}

std::shared_ptr<platform::AdoConnection> FakeDatabase::UnderlyingConnection() {
    world_.journal.push_back({"connection", key_, "", std::nullopt});
    return world_.underlying;
}

std::unique_ptr<platform::TableDefinitions> FakeDatabase::Tables() {
    return std::make_unique<FakeTableDefinitions>(world_);
}

void FakeTransactions::BeginTrans() {
    world_.journal.push_back({"begin", "", "", std::nullopt});
    if (world_.failTransactions) throw platform::Error(3034, "You tried to commit or rollback without BeginTrans.");
}
void FakeTransactions::CommitTrans() { world_.journal.push_back({"commit", "", "", std::nullopt}); }
void FakeTransactions::Rollback() { world_.journal.push_back({"rollback", "", "", std::nullopt}); }

int FakeMessages::Show(const std::string& prompt, int buttons, const std::string& title) {
    world_.journal.push_back({"message", "", prompt, buttons});
    if (failShow) throw platform::Error(-2147467259, "message box failed");
    shown.push_back({prompt, buttons, title});
    return buttons == platform::kOkCancelInformation ? answer : platform::kAnswerOk;
}

std::string FakeMessages::GetString(const std::string& key, int count, const std::vector<std::string>& args) {
    if (failGetString) throw platform::Error(-2147467259, "message service failed");
    fetched.emplace_back(key, args);
    std::string text = "[" + key.substr(key.size() - 5) + "]";
    for (int i = 0; i < count; ++i) text += "(" + args.at(static_cast<std::size_t>(i)) + ")";
    return text;
}

long FakeMessages::ShowMessage(const std::string& prompt, int buttons, const std::string& title,
                               const std::string&, int) {
    long shownAnswer = Show(prompt, buttons, title);
    return serviceAnswer ? *serviceAnswer : shownAnswer;
}

void scriptNormalRun(FakeWorld& world) {
    world.results[{"0012004", "select * from ca_cbsys "}] = {{{"iendmonth", Value(12)}, {"binitleft", Value(0)}}};
    for (const char* table : {"CA_AmoCt", "CA_EnMMC", "CA_EnMOM", "CA_EnMOP"}) {
        world.results[{"0012004", std::string("SELECT Max(iPeriod) AS PeriodOfMax FROM ") + table}] = {
            {{"periodofmax", Value(12)}}};
    }
    world.tableColumns["CA_DistrInput"] = {"cPPID", "cBatch", "iPeriod", "cpjhdwcb", "cpsjgs"};
    world.tableColumns["CA_OnPQu"] = {"cPPID", "iQuot", "iQuotMat", "autoid"};
}

}  // namespace vantyr::testing
