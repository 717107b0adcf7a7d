#include "tests/support/fake_ado.h"

#include <algorithm>
#include <cctype>

namespace vantyr::testing {
namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

class FakeAdoConnection : public platform::AdoConnection {
public:
    FakeAdoConnection(FakeAdo& world, bool own) : world_(world), own_(own) {}
    ~FakeAdoConnection() override {
        if (own_) world_.record({"release", "", "connection", std::nullopt});
    }
    std::string ConnectionString() override { return world_.connectionString; }
    void Open(const std::string& cs, const std::string& user, const std::string& password, int options) override {
        world_.record({"open", "", cs + "|" + user + "|" + password + "|" + std::to_string(options), options});
        world_.failIfScripted("open", "open");
        open_ = true;
    }
    void Execute(const std::string& sql) override {
        world_.record({"exec", "", sql, std::nullopt});
        if (!open_) throw platform::Error(3704, "Operation is not allowed when the object is closed.");
        world_.failIfScripted("exec", sql);
    }
    std::unique_ptr<platform::Recordset> OpenRecordset(const std::string&) override {
        throw platform::Error(3001, "not used by the upgrade");
    }

private:
    FakeAdo& world_;
    bool own_;
    bool open_ = false;
};

class FakeAdoRecordset : public platform::AdoRecordset {
public:
    explicit FakeAdoRecordset(FakeAdo& world) : world_(world) {}
    void SetCursorLocation(int v) override { cursor("location", v); }
    void SetCursorType(int v) override { cursor("type", v); }
    void SetLockType(int v) override { cursor("lock", v); }
    void Open(const std::string& sql, platform::AdoConnection&, int cursorType, int lockType) override {
        world_.record({"query", std::to_string(cursorType) + "/" + std::to_string(lockType), sql, lockType});
        world_.failIfScripted("query", sql);
        auto it = world_.results.find(sql);
        rows_ = it == world_.results.end() ? std::vector<Row>{} : it->second;
        bof_ = rows_.empty();
        at_ = 0;
    }
    bool Eof() override { return at_ >= rows_.size(); }
    bool Bof() override { return bof_; }
    void MoveNext() override {
        if (Eof()) throw platform::Error(3021, "Either BOF or EOF is True.");
        ++at_;
    }
    platform::Value Field(const std::string& name) override {
        if (Eof()) throw platform::Error(3021, "Either BOF or EOF is True.");
        world_.failIfScripted("field", name);
        auto it = rows_[at_].find(lower(name));
        if (it == rows_[at_].end()) throw platform::Error(3265, "Item cannot be found in the collection.");
        return it->second;
    }
    platform::Value FieldAt(int index) override {
        if (Eof()) throw platform::Error(3021, "Either BOF or EOF is True.");
        world_.failIfScripted("field", std::to_string(index));
        auto it = rows_[at_].begin();
        std::advance(it, index);
        return it->second;
    }
    void AddNew() override {
        world_.record({"addnew", "", "", std::nullopt});
        world_.failIfScripted("addnew", "addnew");
    }
    void SetField(const std::string& name, const platform::Value& value) override {
        world_.record({"set", "", name + "=" + (value.isNull() ? "Null" : value.toText()), std::nullopt});
        world_.failIfScripted("set", "set:" + name);
    }
    void Update() override {
        world_.record({"update", "", "", std::nullopt});
        world_.failIfScripted("update", "update");
    }
    void Close() override { world_.record({"close", "", "", std::nullopt}); }

private:
    void cursor(const char* what, int value) {
        world_.record({"cursor", "", std::string(what) + "=" + std::to_string(value), value});
    }
    FakeAdo& world_;
    std::vector<Row> rows_;
    std::size_t at_ = 0;
    bool bof_ = true;
};

}  // namespace

std::unique_ptr<platform::AdoConnection> FakeAdo::CreateAdoConnection() {
    record({"create", "", "connection", std::nullopt});
    if (failCreate) throw platform::Error(-2147221164, "Class not registered");
    return std::make_unique<FakeAdoConnection>(*this, true);
}

std::unique_ptr<platform::AdoRecordset> FakeAdo::CreateAdoRecordset() {
    if (failCreate) throw platform::Error(-2147221164, "Class not registered");
    ++recordsets;
    return std::make_unique<FakeAdoRecordset>(*this);
}

void FakeAdo::failIfScripted(const std::string& kind, const std::string& text) {
    if (auto it = failures.find(text); it != failures.end())
        throw platform::Error(it->second.number, it->second.description);
    if (failWhen) {
        if (auto f = failWhen(kind, text)) throw platform::Error(f->number, f->description);
    }
}

void FakeAdo::record(Event event) {
    if (also) also->push_back(event);
    journal.push_back(std::move(event));
}

std::vector<std::string> FakeAdo::executed() const {
    std::vector<std::string> out;
    for (const auto& e : journal)
        if (e.kind == "exec") out.push_back(e.text);
    return out;
}

std::vector<Event> FakeAdo::of(const std::string& kind) const {
    std::vector<Event> out;
    for (const auto& e : journal)
        if (e.kind == kind) out.push_back(e);
    return out;
}

std::shared_ptr<platform::AdoConnection> FakeAdo::given() {
    auto connection = std::make_shared<FakeAdoConnection>(*this, false);
    return connection;
}

}  // namespace vantyr::testing
