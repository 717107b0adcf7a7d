// VantyrHost.Database and its recordsets, table definitions and connection;
// VantyrHost.DBEngine; VantyrHost.FaultyDatabase.
#include <memory>
#include <optional>

#include "host/dispatch_object.h"
#include "host/host_classes.h"
#include "host/host_session.h"
#include "platform/sqlite/database.h"

namespace vantyr::host {

using platform::Error;

namespace {

// A recordset's Fields: Item(name) gives the value of the current row's
// column; an ADO recordset's also Item(position), counted from 0.
template <class Rowset>
class FieldsObject : public DispatchObject {
public:
    explicit FieldsObject(std::shared_ptr<Rowset> rs) : DispatchObject({L"Item"}), rs_(std::move(rs)) {}
    Variant invoke(DISPID, const Call& call) override {
        if constexpr (requires { rs_->FieldAt(0); }) {
            platform::Value key = call.value(0);
            if (!key.isText() && !key.isNull() && !key.isEmpty()) return Variant(rs_->FieldAt(key.toInt16()));
        }
        return Variant(rs_->Field(call.text(0)));
    }

private:
    std::shared_ptr<Rowset> rs_;
};

// The database library's recordset, which is also its own underlying ADO recordset.
class RecordsetObject : public DispatchObject {
public:
    explicit RecordsetObject(std::shared_ptr<platform::Recordset> rs)
        : DispatchObject({L"EOF", L"Fields", L"UnderlyingRecordset", L"Edit", L"Update", L"Close", L"Collect"}),
          rs_(std::move(rs)) {}
    Variant invoke(DISPID id, const Call& call) override {
        switch (id) {
        case 1: return boolResult(rs_->Eof());
        case 2:
            if (call.has(0)) return Variant(rs_->Field(call.text(0)));
            return objectResult(new FieldsObject<platform::Recordset>(rs_));
        case 3: AddRef(); return objectResult(this);
        case 4: rs_->Edit(); return {};
        case 5: rs_->Update(); return {};
        case 6: rs_->Close(); return {};
        default:
            if (call.isPut()) rs_->SetField(call.text(0), call.assigned());
            else return Variant(rs_->Field(call.text(0)));
            return {};
        }
    }

private:
    std::shared_ptr<platform::Recordset> rs_;
};

class TableDefObject : public DispatchObject {
public:
    explicit TableDefObject(platform::TableDefinition def)
        : DispatchObject({L"Name", L"FieldCount", L"FieldName"}), def_(std::move(def)) {}
    Variant invoke(DISPID id, const Call& call) override {
        switch (id) {
        case 1: return Variant(def_.name);
        case 2: return Variant(static_cast<long>(def_.FieldCount()));
        default: {
            int position = call.value(0).toInt16();
            if (position < 0 || position >= def_.FieldCount()) throw Error(9, "Subscript out of range");
            return Variant(def_.FieldName(position));
        }
        }
    }

private:
    platform::TableDefinition def_;
};

class TableDefinitionsObject : public DispatchObject {
public:
    explicit TableDefinitionsObject(std::unique_ptr<platform::TableDefinitions> defs)
        : DispatchObject({L"Item"}), defs_(std::move(defs)) {}
    Variant invoke(DISPID, const Call& call) override { return objectResult(new TableDefObject(defs_->Item(call.text(0)))); }

private:
    std::unique_ptr<platform::TableDefinitions> defs_;
};

// An ADO connection of the embedded engine: a database object's underlying
// connection, or a new one (VantyrHost.Connection) opened by connection string.
// Execute answers a query with a recordset, as ADO's does.
class ConnectionObject : public DispatchObject {
public:
    explicit ConnectionObject(std::shared_ptr<platform::AdoConnection> connection)
        : DispatchObject({L"ConnectionString", L"Open", L"Execute"}), connection_(std::move(connection)) {}
    Variant invoke(DISPID id, const Call& call) override {
        switch (id) {
        case 1: return Variant(connection_->ConnectionString());
        case 2:
            connection_->Open(call.text(0), call.has(1) ? call.text(1) : "", call.has(2) ? call.text(2) : "",
                              call.has(3) ? call.value(3).toInt16() : platform::kAdUnspecified);
            return {};
        default: {
            std::string sql = call.text(0);
            auto start = sql.find_first_not_of(" \t\r\n");
            if (start != std::string::npos && _strnicmp(sql.c_str() + start, "select", 6) == 0)
                return objectResult(new RecordsetObject(connection_->OpenRecordset(sql)));
            connection_->Execute(sql);
            return {};
        }
        }
    }
    platform::AdoConnection& connection() { return *connection_; }

private:
    std::shared_ptr<platform::AdoConnection> connection_;
};

// VantyrHost.Recordset: an ADO recordset opened on a VantyrHost connection.
class AdoRecordsetObject : public DispatchObject {
public:
    AdoRecordsetObject()
        : DispatchObject({L"CursorLocation", L"CursorType", L"LockType", L"Open", L"EOF", L"Fields", L"AddNew",
                          L"Collect", L"Update", L"Close", L"BOF", L"MoveNext"}),
          rs_(std::make_shared<platform::sqlite::SqliteAdoRecordset>()) {}
    Variant invoke(DISPID id, const Call& call) override {
        switch (id) {
        case 1: rs_->SetCursorLocation(call.assigned().toInt16()); return {};
        case 2: rs_->SetCursorType(call.assigned().toInt16()); return {};
        case 3: rs_->SetLockType(call.assigned().toInt16()); return {};
        case 4: {
            Variant target;
            VariantCopy(target.get(), call.slot(1));
            auto* connection = dynamic_cast<ConnectionObject*>(hostObject(target.object().get()));
            if (!connection) throw Error(3001, "Arguments are of the wrong type: not a VantyrHost connection");
            int type = call.has(2) ? call.value(2).toInt16() : platform::kAdUnspecified;
            int lock = call.has(3) ? call.value(3).toInt16() : platform::kAdUnspecified;
            rs_->Open(call.text(0), connection->connection(), type, lock);
            return {};
        }
        case 5: return boolResult(rs_->Eof());
        case 6:
            if (call.has(0)) return Variant(rs_->Field(call.text(0)));
            return objectResult(new FieldsObject<platform::AdoRecordset>(rs_));
        case 7: rs_->AddNew(); return {};
        case 8:
            if (call.isPut()) rs_->SetField(call.text(0), call.assigned());
            else return Variant(rs_->Field(call.text(0)));
            return {};
        case 9: rs_->Update(); return {};
        case 10: rs_->Close(); return {};
        case 11: return boolResult(rs_->Bof());
        default: rs_->MoveNext(); return {};
        }
    }

private:
    std::shared_ptr<platform::AdoRecordset> rs_;
};

// A statement containing `text` fails with `number` (VANTYR_HOST_FAULT="number:text").
struct Fault {
    long number = 0;
    std::string text;

    static std::optional<Fault> fromEnvironment() {
        wchar_t buffer[1024];
        DWORD n = GetEnvironmentVariableW(L"VANTYR_HOST_FAULT", buffer, 1024);
        if (n == 0 || n >= 1024) return std::nullopt;
        std::string setting = platform::com::narrow(buffer, n);
        auto colon = setting.find(':');
        if (colon == std::string::npos) return std::nullopt;
        return Fault{std::stol(setting.substr(0, colon)), setting.substr(colon + 1)};
    }
};

class DatabaseObject : public DispatchObject {
public:
    explicit DatabaseObject(std::optional<Fault> fault)
        : DispatchObject({L"Open", L"Close", L"Execute", L"OpenRecordset", L"UnderlyingConnection",
                          L"TableDefinitions"}),
          fault_(std::move(fault)) {}

    Variant invoke(DISPID id, const Call& call) override {
        switch (id) {
        case 1:
            db_ = std::make_unique<platform::sqlite::SqliteDatabase>(HostSession::thread().session());
            db_->Open(call.text(0));
            return {};
        case 2: database().Close(); return {};
        case 3: {
            std::string sql = call.text(0);
            if (fault_ && sql.find(fault_->text) != std::string::npos)
                throw Error(fault_->number, "Injected failure of: " + sql);
            std::optional<int> option;
            if (call.has(1)) option = call.value(1).toInt16();
            database().Execute(sql, option);
            return {};
        }
        case 4: return objectResult(new RecordsetObject(database().OpenRecordset(call.text(0))));
        case 5: return objectResult(new ConnectionObject(database().UnderlyingConnection()));
        default: return objectResult(new TableDefinitionsObject(database().Tables()));
        }
    }

private:
    platform::Database& database() {
        if (!db_) throw Error(3420, "Object invalid or no longer set: the database is not open");
        return *db_;
    }

    std::optional<Fault> fault_;
    std::unique_ptr<platform::sqlite::SqliteDatabase> db_;
};

class DBEngineObject : public DispatchObject {
public:
    DBEngineObject() : DispatchObject({L"BeginTrans", L"CommitTrans", L"Rollback"}) {}
    Variant invoke(DISPID id, const Call&) override {
        auto session = HostSession::thread().session();
        switch (id) {
        case 1: session->begin(); break;
        case 2: session->commit(); break;
        default: session->rollback(); break;
        }
        return {};
    }
};

}  // namespace

DispatchObject* createDatabase() { return new DatabaseObject(std::nullopt); }
DispatchObject* createFaultyDatabase() { return new DatabaseObject(Fault::fromEnvironment()); }
DispatchObject* createDBEngine() { return new DBEngineObject(); }
DispatchObject* createConnection() {
    return new ConnectionObject(std::make_shared<platform::sqlite::SqliteAdoConnection>());
}
DispatchObject* createAdoRecordset() { return new AdoRecordsetObject(); }

}  // namespace vantyr::host
