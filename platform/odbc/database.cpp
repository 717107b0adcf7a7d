#include "platform/odbc/database.h"

#include <algorithm>
#include <cctype>

#include "platform/error.h"
#include "platform/odbc/account_years.h"

namespace vantyr::platform::odbc {
namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

std::optional<std::size_t> columnOf(const FirstRow& row, const std::string& name) {
    for (std::size_t i = 0; i < row.columns.size(); ++i)
        if (sameName(row.columns[i], name)) return i;
    return std::nullopt;
}

Error noColumn(const std::string& name) { return Error(3265, "Item not found in this collection: no column '" + name + "'."); }

// The value of a column of the first row, by name without regard to case.
Value fieldOf(const FirstRow& row, const std::string& name) {
    if (!row.values) throw Error(3021, "No current record.");
    auto i = columnOf(row, name);
    if (!i) throw noColumn(name);
    return (*row.values)[*i];
}

void remember(FirstRow& row, const Assignments& assignments) {
    for (const auto& [name, value] : assignments)
        if (auto i = columnOf(row, name)) (*row.values)[*i] = value;
}

Error closed() { return Error(3704, "Operation is not allowed when the object is closed."); }

// The first row of a query; Edit, SetField and Update write it back through
// the session (row_statements.h says how the row is found again).
class OdbcRecordset : public Recordset {
public:
    OdbcRecordset(std::shared_ptr<Session> session, FirstRow row) : session_(std::move(session)), row_(std::move(row)) {}

    bool Eof() override { return !row_.values.has_value(); }
    Value Field(const std::string& name) override { return fieldOf(row_, name); }
    void Edit() override {
        if (!row_.values) throw Error(3021, "No current record.");
        if (!row_.table) throw Error(kErrReadOnly, "Cannot update. Database or object is read-only.");
        editing_ = true;
        pending_.clear();
    }
    void SetField(const std::string& name, const Value& value) override {
        if (!editing_) throw Error(3020, "Update or CancelUpdate without AddNew or Edit.");
        if (!columnOf(row_, name)) throw noColumn(name);
        pending_.emplace_back(name, value);
    }
    void Update() override {
        if (!editing_) throw Error(3020, "Update or CancelUpdate without AddNew or Edit.");
        session_->updateRow(row_, pending_);
        remember(row_, pending_);
        editing_ = false;
    }
    void Close() override { row_.values.reset(); }

private:
    std::shared_ptr<Session> session_;
    FirstRow row_;
    bool editing_ = false;
    Assignments pending_;
};

class OdbcTableDefinitions : public TableDefinitions {
public:
    OdbcTableDefinitions(std::shared_ptr<Session> session, std::string database)
        : session_(std::move(session)), database_(std::move(database)) {}
    TableDefinition Item(const std::string& table) override { return session_->tableDefinition(database_, table); }

private:
    std::shared_ptr<Session> session_;
    std::string database_;
};

}  // namespace

void OdbcDatabase::Open(const std::string& key) {
    auto found = databaseForKey(session_->databases(), key);
    if (!found) throw Error(3024, "Could not find the account-year database of key '" + key + "' on the server.");
    database_ = found;
}

const std::string& OdbcDatabase::database() const {
    if (!database_) throw Error(3420, "Object invalid or no longer set: the database object is not open.");
    return *database_;
}

std::int64_t OdbcDatabase::Execute(const std::string& sql, std::optional<int>) {
    return session_->execute(database(), sql);
}

std::unique_ptr<Recordset> OdbcDatabase::OpenRecordset(const std::string& sql) {
    return std::make_unique<OdbcRecordset>(session_, session_->firstRow(database(), sql));
}

std::shared_ptr<AdoConnection> OdbcDatabase::UnderlyingConnection() {
    return std::make_shared<OdbcAdoConnection>(session_->connectionStringFor(database()));
}

std::unique_ptr<TableDefinitions> OdbcDatabase::Tables() {
    return std::make_unique<OdbcTableDefinitions>(session_, database());
}

void OdbcAdoConnection::Open(const std::string& connectionString, const std::string& userId,
                             const std::string& password, int /*options: always synchronous*/) {
    std::string full = connectionString;
    if (!userId.empty()) full += (full.empty() || full.back() == ';' ? "" : ";") + std::string("UID=") + userId;
    if (!password.empty()) full += (full.empty() || full.back() == ';' ? "" : ";") + std::string("PWD=") + password;
    session_ = std::make_shared<Session>(full);
    connectionString_ = connectionString;
}

std::shared_ptr<Session> OdbcAdoConnection::session() {
    if (!session_ && !connectionString_.empty()) Open(connectionString_);
    if (!session_) throw closed();
    return session_;
}

void OdbcAdoConnection::Execute(const std::string& sql) { session()->execute("", sql); }

std::unique_ptr<Recordset> OdbcAdoConnection::OpenRecordset(const std::string& sql) {
    auto s = session();
    return std::make_unique<OdbcRecordset>(s, s->firstRow("", sql));
}

void OdbcAdoRecordset::Open(const std::string& sql, AdoConnection& connection, int cursorType, int lockType) {
    auto* own = dynamic_cast<OdbcAdoConnection*>(&connection);
    if (!own) throw Error(3001, "Arguments are of the wrong type: the connection is not one of this backend.");
    if (cursorType != kAdUnspecified) cursorType_ = cursorType;
    if (lockType != kAdUnspecified) lockType_ = lockType;
    session_ = own->session();
    rest_.clear();
    row_ = session_->firstRow("", sql, &rest_);
    std::reverse(rest_.begin(), rest_.end());  // the next row at the back
    empty_ = !row_->values.has_value();
    moved_ = false;
    editing_ = Editing::None;
    pending_.clear();
}

void OdbcAdoRecordset::requireOpen() const {
    if (!row_) throw closed();
}

void OdbcAdoRecordset::requireUpdatable() const {
    requireOpen();
    if (lockType_ == kAdLockReadOnly || !row_->table || moved_)
        throw Error(3251, "Current Recordset does not support updating.");
}

bool OdbcAdoRecordset::Eof() {
    requireOpen();
    return !row_->values.has_value();
}

bool OdbcAdoRecordset::Bof() {
    requireOpen();
    return empty_;
}

void OdbcAdoRecordset::MoveNext() {
    requireOpen();
    if (!row_->values) throw Error(3021, "Either BOF or EOF is True, or the current record has been deleted.");
    moved_ = true;
    if (rest_.empty()) {
        row_->values.reset();
        return;
    }
    row_->values = std::move(rest_.back());
    rest_.pop_back();
}

Value OdbcAdoRecordset::Field(const std::string& name) {
    requireOpen();
    return fieldOf(*row_, name);
}

Value OdbcAdoRecordset::FieldAt(int index) {
    requireOpen();
    return valueAt(row_->values, index);
}

void OdbcAdoRecordset::AddNew() {
    requireUpdatable();
    editing_ = Editing::New;
    pending_.clear();
}

void OdbcAdoRecordset::SetField(const std::string& name, const Value& value) {
    requireUpdatable();
    if (!columnOf(*row_, name)) throw noColumn(name);
    if (editing_ == Editing::None) {
        if (!row_->values) throw Error(3021, "Either BOF or EOF is True, or the current record has been deleted.");
        editing_ = Editing::Current;
        pending_.clear();
    }
    pending_.emplace_back(name, value);
}

void OdbcAdoRecordset::Update() {
    requireOpen();
    if (editing_ == Editing::New) {
        session_->insertRow(*row_, pending_);
    } else if (editing_ == Editing::Current) {
        session_->updateRow(*row_, pending_);
        remember(*row_, pending_);
    }
    editing_ = Editing::None;
    pending_.clear();
}

void OdbcAdoRecordset::Close() {
    requireOpen();
    row_.reset();
    editing_ = Editing::None;
}

}  // namespace vantyr::platform::odbc
