#include "platform/sqlite/database.h"

#include <algorithm>

#include "platform/error.h"
#include "platform/sqlite/tokenizer.h"

namespace vantyr::platform::sqlite {
namespace {

// The value of a column of the first row, by name without regard to case.
Value fieldOf(const FirstRow& row, const std::string& name) {
    if (!row.values) throw Error(3021, "No current record.");
    for (std::size_t i = 0; i < row.columns.size(); ++i)
        if (sameName(row.columns[i], name)) return (*row.values)[i];
    throw Error(3265, "Item not found in this collection: no column '" + name + "'.");
}

Error notOpen() { return Error(3420, "Object invalid or no longer set: the database object is not open."); }

// The first row of a query; Edit, SetField and Update write it back.
class SqliteRecordset : public Recordset {
public:
    SqliteRecordset(std::shared_ptr<Session> session, FirstRow row) : session_(std::move(session)), row_(std::move(row)) {}

    bool Eof() override { return !row_.values.has_value(); }
    Value Field(const std::string& name) override { return fieldOf(row_, name); }
    void Edit() override {
        if (!row_.values) throw Error(3021, "No current record.");
        if (!row_.table) throw Error(3027, "Cannot update. Database or object is read-only.");
        editing_ = true;
        pending_.clear();
    }
    void SetField(const std::string& name, const Value& value) override {
        if (!editing_) throw Error(3020, "Update or CancelUpdate without AddNew or Edit.");
        Field(name);  // the column must exist
        pending_.emplace_back(name, value);
    }
    void Update() override {
        if (!editing_) throw Error(3020, "Update or CancelUpdate without AddNew or Edit.");
        session_->updateFirstRow(row_, pending_);
        for (const auto& [name, value] : pending_)
            for (std::size_t i = 0; i < row_.columns.size(); ++i)
                if (sameName(row_.columns[i], name)) (*row_.values)[i] = value;
        editing_ = false;
    }
    void Close() override { row_.values.reset(); }

private:
    std::shared_ptr<Session> session_;
    FirstRow row_;
    bool editing_ = false;
    std::vector<std::pair<std::string, Value>> pending_;
};

class SqliteTableDefinitions : public TableDefinitions {
public:
    SqliteTableDefinitions(std::shared_ptr<Session> session, std::string schema)
        : session_(std::move(session)), schema_(std::move(schema)) {}
    TableDefinition Item(const std::string& table) override { return session_->tableDefinition(schema_, table); }

private:
    std::shared_ptr<Session> session_;
    std::string schema_;
};

constexpr const char* kDataSource = "Data Source=";
constexpr const char* kCatalog = ";Initial Catalog=";

}  // namespace

void SqliteDatabase::Open(const std::string& key) {
    auto found = session_->directory().byKey(key);
    if (!found) throw Error(3024, "Could not find the account-year database of key '" + key + "'.");
    schema_ = session_->attach(*found);
    database_ = found;
}

void SqliteDatabase::Close() {
    database_.reset();
    schema_.clear();
}

const std::string& SqliteDatabase::schema() const {
    if (!database_) throw notOpen();
    return schema_;
}

std::int64_t SqliteDatabase::Execute(const std::string& sql, std::optional<int>) {
    return session_->execute(schema(), sql);
}

std::unique_ptr<Recordset> SqliteDatabase::OpenRecordset(const std::string& sql) {
    return std::make_unique<SqliteRecordset>(session_, session_->firstRow(schema(), sql));
}

std::shared_ptr<AdoConnection> SqliteDatabase::UnderlyingConnection() {
    schema();
    return std::make_shared<SqliteAdoConnection>(session_->directory(), database_->name);
}

std::unique_ptr<TableDefinitions> SqliteDatabase::Tables() {
    return std::make_unique<SqliteTableDefinitions>(session_, schema());
}

SqliteAdoConnection::SqliteAdoConnection(DataDirectory directory, std::string database)
    : connectionString_(kDataSource + directory.path().string() + kCatalog + database), options_(directory.options()) {}

void SqliteAdoConnection::Open(const std::string& connectionString, const std::string&, const std::string&, int) {
    if (session_) throw Error(3705, "Operation is not allowed when the object is open.");
    auto catalogAt = connectionString.find(kCatalog);
    if (connectionString.rfind(kDataSource, 0) != 0 || catalogAt == std::string::npos)
        throw Error(-2147467259, "Invalid connection string: " + connectionString);
    std::string dir = connectionString.substr(std::string(kDataSource).size(), catalogAt - std::string(kDataSource).size());
    std::string name = connectionString.substr(catalogAt + std::string(kCatalog).size());
    DataDirectory directory{std::filesystem::path(dir), options_};
    auto found = directory.byName(name);
    if (!found) throw Error(-2147467259, "Cannot open database \"" + name + "\" requested by the login.");
    directory_ = directory;
    database_ = found;
    connectionString_ = connectionString;
    if (host_ && host_->directory().path() == directory.path() && !host_->inTransaction())
        if (auto alias = host_->aliasOf(found->name)) {
            session_ = host_;
            schema_ = *alias;
            shared_ = true;
            return;
        }
    openOwn();
}

void SqliteAdoConnection::openOwn() {
    auto own = std::make_shared<Session>(*directory_);
    schema_ = own->attach(*database_);
    session_ = std::move(own);
    shared_ = false;
}

template <class F>
auto SqliteAdoConnection::onSession(F&& body) {
    if (!session_) throw Error(3704, "Operation is not allowed when the object is closed.");
    // the host's transaction is no place for statements that commit on their own
    if (shared_ && host_->inTransaction()) openOwn();
    if (!shared_) return body(*session_);
    struct Restore {
        SqliteAdoConnection& self;
        std::optional<std::string> hostSetting;
        ~Restore() { self.identityInsert_ = self.host_->exchangeIdentityInsert(std::move(hostSetting)); }
    } restore{*this, host_->exchangeIdentityInsert(identityInsert_)};
    return body(*session_);
}

void SqliteAdoConnection::Execute(const std::string& sql) {
    onSession([&](Session& s) { s.execute(schema_, sql); });
}

std::unique_ptr<Recordset> SqliteAdoConnection::OpenRecordset(const std::string& sql) {
    return onSession([&](Session& s) {
        return std::make_unique<SqliteRecordset>(session_, s.firstRow(schema_, sql));
    });
}

}  // namespace vantyr::platform::sqlite

namespace vantyr::platform::sqlite {

void SqliteAdoConnection::withSession(const std::function<void(Session&, const std::string&)>& body) {
    onSession([&](Session& s) { body(s, schema_); });
}

void SqliteAdoRecordset::Open(const std::string& sql, AdoConnection& connection, int cursorType, int lockType) {
    auto* own = dynamic_cast<SqliteAdoConnection*>(&connection);
    if (!own) throw Error(3001, "Arguments are of the wrong type: the connection is not one of this engine.");
    if (cursorType != kAdUnspecified) cursorType_ = cursorType;
    if (lockType != kAdUnspecified) lockType_ = lockType;
    connection_ = own;
    rest_.clear();
    own->withSession([&](Session& s, const std::string& schema) { row_ = s.firstRow(schema, sql, &rest_); });
    position_ = 0;
    empty_ = !row_->values.has_value();
    editing_ = Editing::None;
}

void SqliteAdoRecordset::requireOpen() const {
    if (!row_) throw Error(3704, "Operation is not allowed when the object is closed.");
}

bool SqliteAdoRecordset::Eof() {
    requireOpen();
    return !row_->values.has_value();
}

bool SqliteAdoRecordset::Bof() {
    requireOpen();
    return empty_;
}

void SqliteAdoRecordset::MoveNext() {
    requireOpen();
    if (!row_->values) throw Error(3021, "Either BOF or EOF is True, or the current record has been deleted.");
    if (position_ < rest_.size()) row_->values = std::move(rest_[position_]);
    else row_->values.reset();
    ++position_;
    editing_ = Editing::None;
    pending_.clear();
}

Value SqliteAdoRecordset::Field(const std::string& name) {
    requireOpen();
    return fieldOf(*row_, name);
}

Value SqliteAdoRecordset::FieldAt(int index) {
    requireOpen();
    return valueAt(row_->values, index);
}

void SqliteAdoRecordset::AddNew() {
    requireOpen();
    if (lockType_ == kAdLockReadOnly || !row_->table)
        throw Error(3251, "Current Recordset does not support updating.");
    editing_ = Editing::New;
    pending_.clear();
}

void SqliteAdoRecordset::SetField(const std::string& name, const Value& value) {
    requireOpen();
    if (lockType_ == kAdLockReadOnly || !row_->table) throw Error(3251, "Current Recordset does not support updating.");
    if (std::none_of(row_->columns.begin(), row_->columns.end(), [&](const std::string& c) { return sameName(c, name); }))
        throw Error(3265, "Item not found in this collection: no column '" + name + "'.");
    if (editing_ == Editing::None) {
        if (!row_->values) throw Error(3021, "Either BOF or EOF is True, or the current record has been deleted.");
        if (position_ > 0) throw Error(3251, "Current Recordset does not support updating rows after the first.");
        editing_ = Editing::Current;
        pending_.clear();
    }
    pending_.emplace_back(name, value);
}

void SqliteAdoRecordset::Update() {
    requireOpen();
    connection_->withSession([&](Session& s, const std::string&) {
        if (editing_ == Editing::New) s.insertRow(*row_->table, pending_);
        else if (editing_ == Editing::Current) s.updateFirstRow(*row_, pending_);
    });
    editing_ = Editing::None;
    pending_.clear();
}

void SqliteAdoRecordset::Close() {
    requireOpen();
    row_.reset();
    editing_ = Editing::None;
}

}  // namespace vantyr::platform::sqlite
