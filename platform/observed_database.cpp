#include "platform/observed_database.h"

#include <chrono>
#include <utility>

#include "platform/ado.h"

namespace vantyr::platform {
namespace {

using Clock = std::chrono::steady_clock;

StatementRecord makeRecord(const std::string& object, std::optional<int> option, const std::string& text) {
    StatementRecord record;
    record.object = object;
    record.option = option;
    record.text = text;
    return record;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs one operation; reports it as a failed statement record when it fails
// (an exception that is not the platform's as the internal error the run
// makes of it).
template <class F>
auto reportingFailure(RunObserver& observer, StatementRecord& record, Clock::time_point start, F&& operation) {
    auto failed = [&](const Error& error) {
        record.ms = msSince(start);
        record.outcome = StatementOutcome::Failed;
        record.error = error;
        observer.Statement(record);
    };
    try {
        return operation();
    } catch (const Error& e) {
        failed(e);
        throw;
    } catch (const std::exception& e) {
        failed(Error(kErrInternal, e.what()));
        throw;
    }
}

// Runs one operation and reports it as a statement record.
template <class F>
auto reportStatement(RunObserver& observer, StatementRecord record, F&& operation) {
    auto start = Clock::now();
    auto result = reportingFailure(observer, record, start, operation);
    record.ms = msSince(start);
    if constexpr (std::is_same_v<decltype(result), std::int64_t>) record.rows = result;
    observer.Statement(record);
    return result;
}

// A write: planned in a dry run (nothing is sent), otherwise sent and
// reported. Returns the rows the operation changed (0 when planned).
template <class F>
std::int64_t sendOrPlan(RunObserver& observer, SendMode mode, StatementRecord record, F&& operation) {
    if (mode == SendMode::Plan) {
        record.outcome = StatementOutcome::Planned;
        observer.Statement(record);
        return 0;
    }
    return reportStatement(observer, std::move(record), std::forward<F>(operation));
}

// A step of a recordset edit is in the record only when it fails, so that a
// failure the run passes over is there like a statement's.
template <class F>
void reportFailure(RunObserver& observer, StatementRecord record, F&& operation) {
    reportingFailure(observer, record, Clock::now(), operation);
}

class ObservedRecordset : public Recordset {
public:
    ObservedRecordset(std::unique_ptr<Recordset> inner, std::string object, std::string sql,
                      RunObserver& observer, SendMode mode)
        : inner_(std::move(inner)), object_(std::move(object)), sql_(std::move(sql)),
          observer_(observer), mode_(mode) {}

    bool Eof() override { return inner_->Eof(); }
    Value Field(const std::string& name) override { return inner_->Field(name); }
    void Edit() override {
        if (mode_ == SendMode::Send)
            reportFailure(observer_, rowRecord({}), [&] { inner_->Edit(); });
    }
    void SetField(const std::string& name, const Value& value) override {
        assignments_.emplace_back(name, value);
        if (mode_ == SendMode::Send) reportFailure(observer_, rowRecord({{name, value}}), [&] { inner_->SetField(name, value); });
    }
    // A record of a change to the current row (it has no statement text).
    StatementRecord rowRecord(std::vector<std::pair<std::string, Value>> assignments) const {
        StatementRecord record = makeRecord(object_, std::nullopt, "");
        record.rowUpdate = RowUpdate{sql_, std::move(assignments)};
        return record;
    }
    void Update() override {
        StatementRecord record = makeRecord(object_, std::nullopt, "");
        record.rowUpdate = RowUpdate{sql_, std::move(assignments_)};
        assignments_.clear();
        sendOrPlan(observer_, mode_, std::move(record), [&] {
            inner_->Update();
            return std::int64_t{1};
        });
    }
    void Close() override { inner_->Close(); }

private:
    std::unique_ptr<Recordset> inner_;
    std::string object_, sql_;
    std::vector<std::pair<std::string, Value>> assignments_;
    RunObserver& observer_;
    SendMode mode_;
};

class ObservedDatabase : public Database {
public:
    ObservedDatabase(std::unique_ptr<Database> inner, std::string object, RunObserver& observer, SendMode mode)
        : inner_(std::move(inner)), object_(std::move(object)), observer_(observer), mode_(mode) {}

    void Open(const std::string& key) override { inner_->Open(key); }
    void Close() override { inner_->Close(); }

    std::int64_t Execute(const std::string& sql, std::optional<int> option) override {
        StatementRecord record = makeRecord(object_, option, sql);
        return sendOrPlan(observer_, mode_, std::move(record), [&] { return inner_->Execute(sql, option); });
    }

    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override {
        StatementRecord record = makeRecord(object_, std::nullopt, sql);
        record.read = true;
        auto rs = reportStatement(observer_, std::move(record), [&] { return inner_->OpenRecordset(sql); });
        return std::make_unique<ObservedRecordset>(std::move(rs), object_, sql, observer_, mode_);
    }

    std::shared_ptr<AdoConnection> UnderlyingConnection() override { return inner_->UnderlyingConnection(); }
    std::unique_ptr<TableDefinitions> Tables() override { return inner_->Tables(); }

private:
    std::unique_ptr<Database> inner_;
    std::string object_;
    RunObserver& observer_;
    SendMode mode_;
};

class ObservedAdoConnection : public AdoConnection {
public:
    ObservedAdoConnection(std::unique_ptr<AdoConnection> inner, std::string object, RunObserver& observer, SendMode mode)
        : inner_(std::move(inner)), object_(std::move(object)), observer_(observer), mode_(mode) {}

    std::string ConnectionString() override { return inner_->ConnectionString(); }
    void Open(const std::string& connectionString, const std::string& userId, const std::string& password,
              int options) override {
        inner_->Open(connectionString, userId, password, options);
    }
    void Execute(const std::string& sql) override {
        StatementRecord record = makeRecord(object_, std::nullopt, sql);
        sendOrPlan(observer_, mode_, std::move(record), [&] {
            inner_->Execute(sql);
            return std::int64_t{0};  // the rows a statement of this connection changed are not known
        });
    }
    std::unique_ptr<Recordset> OpenRecordset(const std::string& sql) override {
        StatementRecord record = makeRecord(object_, std::nullopt, sql);
        record.read = true;
        return reportStatement(observer_, std::move(record), [&] { return inner_->OpenRecordset(sql); });
    }
    AdoConnection& inner() { return *inner_; }

private:
    std::unique_ptr<AdoConnection> inner_;
    std::string object_;
    RunObserver& observer_;
    SendMode mode_;
};

class ObservedAdoRecordset : public AdoRecordset {
public:
    ObservedAdoRecordset(std::unique_ptr<AdoRecordset> inner, std::string object, RunObserver& observer, SendMode mode)
        : inner_(std::move(inner)), object_(std::move(object)), observer_(observer), mode_(mode) {}

    void SetCursorLocation(int location) override { inner_->SetCursorLocation(location); }
    void SetCursorType(int type) override { inner_->SetCursorType(type); }
    void SetLockType(int type) override { inner_->SetLockType(type); }
    void Open(const std::string& sql, AdoConnection& connection, int cursorType, int lockType) override {
        auto* observed = dynamic_cast<ObservedAdoConnection*>(&connection);
        AdoConnection& target = observed ? observed->inner() : connection;
        sql_ = sql;
        StatementRecord record = makeRecord(object_, std::nullopt, sql);
        record.read = true;
        reportStatement(observer_, std::move(record), [&] {
            inner_->Open(sql, target, cursorType, lockType);
            return 0;
        });
    }
    bool Eof() override { return inner_->Eof(); }
    bool Bof() override { return inner_->Bof(); }
    void MoveNext() override { inner_->MoveNext(); }
    Value Field(const std::string& name) override { return inner_->Field(name); }
    Value FieldAt(int index) override { return inner_->FieldAt(index); }
    void AddNew() override {
        if (mode_ == SendMode::Send) inner_->AddNew();
        adding_ = true;
    }
    void SetField(const std::string& name, const Value& value) override {
        if (mode_ == SendMode::Send) inner_->SetField(name, value);
        assignments_ += (assignments_.empty() ? "" : ", ") + name + " = " +
                        (value.isNull() ? std::string("Null") : value.toText());
    }
    void Update() override {
        StatementRecord record = makeRecord(
            object_, std::nullopt,
            (adding_ ? "new row of \"" : "update of the current row of \"") + sql_ + "\": " + assignments_);
        assignments_.clear();
        adding_ = false;
        sendOrPlan(observer_, mode_, std::move(record), [&] {
            inner_->Update();
            return std::int64_t{1};
        });
    }
    void Close() override { inner_->Close(); }

private:
    std::unique_ptr<AdoRecordset> inner_;
    std::string object_, sql_, assignments_;
    RunObserver& observer_;
    SendMode mode_;
    bool adding_ = false;
};

class ObservedAdoFactory : public AdoFactory {
public:
    ObservedAdoFactory(AdoFactory& inner, std::string object, RunObserver& observer, SendMode mode)
        : inner_(inner), object_(std::move(object)), observer_(observer), mode_(mode) {}
    std::unique_ptr<AdoConnection> CreateAdoConnection() override {
        return std::make_unique<ObservedAdoConnection>(inner_.CreateAdoConnection(), object_, observer_, mode_);
    }
    std::unique_ptr<AdoRecordset> CreateAdoRecordset() override {
        return std::make_unique<ObservedAdoRecordset>(inner_.CreateAdoRecordset(), object_, observer_, mode_);
    }

private:
    AdoFactory& inner_;
    std::string object_;
    RunObserver& observer_;
    SendMode mode_;
};

class ObservedTransactions : public TransactionEngine {
public:
    ObservedTransactions(TransactionEngine& inner, RunObserver& observer, SendMode mode)
        : inner_(inner), observer_(observer), mode_(mode) {}
    void BeginTrans() override { bracket(TransactionEvent::Begin, [&] { inner_.BeginTrans(); }); }
    void CommitTrans() override { bracket(TransactionEvent::Commit, [&] { inner_.CommitTrans(); }); }
    void Rollback() override { bracket(TransactionEvent::Rollback, [&] { inner_.Rollback(); }); }

private:
    template <class F>
    void bracket(TransactionEvent event, F&& call) {
        if (mode_ == SendMode::Send) call();
        observer_.Transaction(event);
    }
    TransactionEngine& inner_;
    RunObserver& observer_;
    SendMode mode_;
};

}  // namespace

std::unique_ptr<Database> observeDatabase(std::unique_ptr<Database> inner, std::string objectName,
                                          RunObserver& observer, SendMode mode) {
    return std::make_unique<ObservedDatabase>(std::move(inner), std::move(objectName), observer, mode);
}

std::unique_ptr<AdoFactory> observeAdo(AdoFactory& inner, std::string objectName, RunObserver& observer,
                                       SendMode mode) {
    return std::make_unique<ObservedAdoFactory>(inner, std::move(objectName), observer, mode);
}

std::unique_ptr<TransactionEngine> observeTransactions(TransactionEngine& inner, RunObserver& observer,
                                                       SendMode mode) {
    return std::make_unique<ObservedTransactions>(inner, observer, mode);
}

}  // namespace vantyr::platform
