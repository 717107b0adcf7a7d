#include "platform/com/com_platform.h"

#include <array>
#include <map>

namespace vantyr::platform::com {

namespace {

Value read(Dispatch& object, const wchar_t* name) { return object.get(name).value(); }

std::array<VARIANT, 1> one(Variant& a) { return {*a.get()}; }

// A by-reference variant pointing at `target`.
VARIANT byRef(Variant& target) {
    VARIANT ref;
    VariantInit(&ref);
    V_VT(&ref) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&ref) = target.get();
    return ref;
}

// The database library's recordset; also ADO's, whose rows are changed
// without Edit and whose fields are the recordset's own.
class ComRecordset : public Recordset, public AdoRecordset {
public:
    ComRecordset(Dispatch recordset, bool ado) : rs_(std::move(recordset)), ado_(ado) {}

    bool Eof() override { return !read(rs_, L"EOF").equalsNumber(0); }
    bool Bof() override { return !read(rs_, L"BOF").equalsNumber(0); }
    void MoveNext() override { rs_.call(L"MoveNext"); }
    Value FieldAt(int index) override {
        Variant position(static_cast<long>(index));
        auto args = one(position);
        Variant field = rs_.object(L"Fields").call(L"Item", args);
        if (ComPtr<IDispatch> object = field.object()) return Dispatch(object).get(nullptr).value();
        return field.value();
    }
    Value Field(const std::string& name) override {
        Variant key(name);
        auto args = one(key);
        Variant field = rs_.object(L"Fields").call(L"Item", args);
        if (ComPtr<IDispatch> object = field.object()) return Dispatch(object).get(nullptr).value();
        return field.value();
    }
    void Edit() override {
        if (!ado_) rs_.call(L"Edit");
    }
    void SetField(const std::string& name, const Value& value) override {
        Variant key(name), v(value);
        std::array<VARIANT, 2> args{*key.get(), *v.get()};
        if (ado_) rs_.put(L"Collect", args);
        else rs_.object(L"UnderlyingRecordset").put(L"Collect", args);
    }
    void Update() override { rs_.call(L"Update"); }
    void Close() override { rs_.call(L"Close"); }

    void SetCursorLocation(int location) override { set(L"CursorLocation", location); }
    void SetCursorType(int type) override { set(L"CursorType", type); }
    void SetLockType(int type) override { set(L"LockType", type); }
    void Open(const std::string& sql, AdoConnection& connection, int cursorType, int lockType) override;
    void AddNew() override { rs_.call(L"AddNew"); }

private:
    void set(const wchar_t* name, long value) {
        Variant v(value);
        auto args = one(v);
        rs_.put(name, args);
    }

    Dispatch rs_;
    bool ado_;
};

class ComAdoConnection : public AdoConnection {
public:
    explicit ComAdoConnection(Dispatch connection) : connection_(std::move(connection)) {}
    std::string ConnectionString() override { return read(connection_, L"ConnectionString").toText(); }
    void Open(const std::string& connectionString, const std::string& userId, const std::string& password,
              int options) override {
        Variant text(connectionString), user(userId), secret(password), opts(static_cast<long>(options));
        std::array<VARIANT, 4> args{*text.get(), *user.get(), *secret.get(), *opts.get()};
        connection_.call(L"Open", args);
    }
    void Execute(const std::string& sql) override {
        Variant text(sql);
        auto args = one(text);
        connection_.call(L"Execute", args);
    }
    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override {
        Variant text(sql);
        auto args = one(text);
        return std::make_unique<ComRecordset>(connection_.object(L"Execute", args), true);
    }
    IDispatch* raw() const { return connection_.raw(); }

private:
    Dispatch connection_;
};

void ComRecordset::Open(const std::string& sql, AdoConnection& connection, int cursorType, int lockType) {
    auto* com = dynamic_cast<ComAdoConnection*>(&connection);
    if (!com) throw Error(kErrTypeMismatch, "Type mismatch: not an ADO connection");
    Variant text(sql), type(static_cast<long>(cursorType)), lock(static_cast<long>(lockType));
    Variant target;
    V_VT(target.get()) = VT_DISPATCH;
    V_DISPATCH(target.get()) = com->raw();
    com->raw()->AddRef();
    std::array<VARIANT, 4> args{*text.get(), *target.get(), *type.get(), *lock.get()};
    rs_.call(L"Open", args);
}

class ComTableDefinitions : public TableDefinitions {
public:
    explicit ComTableDefinitions(Dispatch definitions) : definitions_(std::move(definitions)) {}
    TableDefinition Item(const std::string& table) override {
        Variant name(table);
        auto args = one(name);
        Dispatch definition = definitions_.object(L"Item", args);
        TableDefinition result{table, {}};
        int count = read(definition, L"FieldCount").toInt16();
        for (int i = 0; i < count; ++i) {
            Variant position(static_cast<long>(i));
            auto at = one(position);
            result.fields.push_back(definition.get(L"FieldName", at).value().toText());
        }
        return result;
    }

private:
    Dispatch definitions_;
};

class ComDatabase : public Database {
public:
    explicit ComDatabase(Dispatch database) : db_(std::move(database)) {}

    void Open(const std::string& key) override {
        Variant text(key);
        auto args = one(text);
        db_.call(L"Open", args);
    }
    void Close() override { db_.call(L"Close"); }
    std::int64_t Execute(const std::string& sql, std::optional<int> option) override {
        Variant text(sql), word(static_cast<long>(option.value_or(0)));
        std::array<VARIANT, 2> args{*text.get(), *word.get()};
        db_.call(L"Execute", std::span<VARIANT>(args.data(), option ? 2 : 1));
        return -1;
    }
    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override {
        Variant text(sql);
        auto args = one(text);
        return std::make_unique<ComRecordset>(db_.object(L"OpenRecordset", args), false);
    }
    std::shared_ptr<AdoConnection> UnderlyingConnection() override {
        return std::make_shared<ComAdoConnection>(db_.object(L"UnderlyingConnection"));
    }
    std::unique_ptr<TableDefinitions> Tables() override {
        return std::make_unique<ComTableDefinitions>(db_.object(L"TableDefinitions"));
    }

private:
    Dispatch db_;
};

class ComTransactionEngine : public TransactionEngine {
public:
    explicit ComTransactionEngine(Dispatch engine) : engine_(std::move(engine)) {}
    void BeginTrans() override { engine_.call(L"BeginTrans"); }
    void CommitTrans() override {
        Variant options(0L);
        auto args = one(options);
        engine_.call(L"CommitTrans", args);
    }
    void Rollback() override { engine_.call(L"Rollback"); }

private:
    Dispatch engine_;
};

class ComMessageService : public MessageService {
public:
    explicit ComMessageService(Dispatch service) : service_(std::move(service)) {}

    std::string GetString(const std::string& key, int count, const std::vector<std::string>& args) override {
        SAFEARRAYBOUND bound{static_cast<ULONG>(args.size()), 0};
        SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
        if (!array) throw Error(kErrOutOfMemory, "Out of memory");
        for (LONG i = 0; i < static_cast<LONG>(args.size()); ++i) {
            Variant text(args[static_cast<std::size_t>(i)]);
            SafeArrayPutElement(array, &i, text.get());
        }
        Variant arrayValue;
        V_VT(arrayValue.get()) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(arrayValue.get()) = array;
        Variant name(key), n(static_cast<long>(count));
        std::array<VARIANT, 3> params{*name.get(), *n.get(), byRef(arrayValue)};
        return service_.call(L"GetString", params).value().toText();
    }
    long ShowMessage(const std::string& prompt, int buttons, const std::string& title, const std::string& helpFile,
                     int helpContext) override {
        Variant p(prompt), b(static_cast<long>(buttons)), t(title), h(helpFile), c(static_cast<long>(helpContext));
        std::array<VARIANT, 5> params{*p.get(), *b.get(), *t.get(), *h.get(), *c.get()};
        return static_cast<long>(service_.call(L"ShowMessage", params).value().toDouble());
    }

private:
    Dispatch service_;
};

// Release 8.50's box: the platform's MessageBoxW on the active window.
class Win32MessageBox : public MessageBox {
public:
    int Show(const std::string& prompt, int buttons, const std::string& title) override {
        std::wstring p = widen(prompt), t = widen(title);
        return MessageBoxW(GetActiveWindow(), p.c_str(), t.c_str(), static_cast<UINT>(buttons) | MB_TASKMODAL);
    }
};

// Release 8.50's box shown through a host class named by the site.
class ServiceMessageBox : public MessageBox {
public:
    explicit ServiceMessageBox(std::string progId) : progId_(std::move(progId)) {}
    int Show(const std::string& prompt, int buttons, const std::string& title) override {
        ComMessageService service(Dispatch::create(progId_));
        return static_cast<int>(service.ShowMessage(prompt, buttons, title, "", 0));
    }

private:
    std::string progId_;
};

// The per-thread objects, one per class name; never released.
template <class T>
T& perThread(const std::string& progId) {
    static thread_local std::map<std::string, T*> objects;
    T*& object = objects[progId];
    if (!object) object = new T(Dispatch::create(progId));
    return *object;
}

}  // namespace

std::string ComLogin::AccountNo() { return read(login_, L"AccountNo").toText(); }
std::string ComLogin::LoginYear() { return read(login_, L"LoginYear").toText(); }

bool ComLogin::LoginQuery(int code, Value& key) {
    Variant number(static_cast<long>(code)), text(key);
    std::array<VARIANT, 2> args{*number.get(), byRef(text)};
    Value answer = login_.call(L"LoginQuery", args).value();
    key = text.value();
    return !answer.equalsNumber(0);
}

std::unique_ptr<Database> ComPlatform::CreateDatabase() {
    return std::make_unique<ComDatabase>(Dispatch::create(classes_.database));
}

TransactionEngine& ComPlatform::ThreadTransactionEngine() {
    return perThread<ComTransactionEngine>(classes_.transactionEngine);
}

MessageService& ComPlatform::ThreadMessageService() { return perThread<ComMessageService>(classes_.messageService); }

MessageBox& ComPlatform::PlatformMessageBox() {
    if (!box_) {
        if (classes_.messageBox.empty()) box_ = std::make_unique<Win32MessageBox>();
        else box_ = std::make_unique<ServiceMessageBox>(classes_.messageBox);
    }
    return *box_;
}

std::unique_ptr<AdoConnection> ComPlatform::CreateAdoConnection() {
    return std::make_unique<ComAdoConnection>(Dispatch::create(classes_.adoConnection));
}

std::unique_ptr<AdoRecordset> ComPlatform::CreateAdoRecordset() {
    return std::make_unique<ComRecordset>(Dispatch::create(classes_.adoRecordset), true);
}

}  // namespace vantyr::platform::com
