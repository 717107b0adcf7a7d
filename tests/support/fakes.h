#pragma once
// Stand-ins for the platform in tests: a scriptable login object, database
// objects that record every statement with the key they were opened with and
// the option word, scripted recordset answers, failure injection by statement,
// a recording transaction engine and recording message boxes.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ado.h"
#include "platform/error.h"
#include "platform/login.h"
#include "platform/platform.h"

namespace vantyr::testing {

using platform::Value;
using Row = std::map<std::string, Value>;  // column names in lower case

// One thing the component did, in order.
struct Event {
    std::string kind;     // "exec", "open", "close", "query", "edit", "set", "update", "begin", "commit", "rollback", "message"
    std::string object;   // the key the database object was opened with
    std::string text;
    std::optional<int> option;
};

struct Failure {
    long number;
    std::string description;
};

class FakeLogin : public platform::LoginObject {
public:
    std::string account = "001";
    std::string year = "2005";
    std::set<std::string> existing{"0012004", "0012005"};
    bool failAll = false;                       // every call raises
    std::function<void(Value&)> rewriteKey;     // the host rewrites the by-reference key
    int accountReads = 0, yearReads = 0;
    std::vector<std::string> queried;

    std::string AccountNo() override;
    std::string LoginYear() override;
    bool LoginQuery(int code, Value& key) override;
};

class FakeWorld;

class FakeDatabase : public platform::Database {
public:
    explicit FakeDatabase(FakeWorld& world) : world_(world) {}
    void Open(const std::string& key) override;
    void Close() override;
    std::int64_t Execute(const std::string& sql, std::optional<int> option) override;
    std::unique_ptr<platform::Recordset> OpenRecordset(const std::string& sql) override;
    std::shared_ptr<platform::AdoConnection> UnderlyingConnection() override;
    std::unique_ptr<platform::TableDefinitions> Tables() override;

private:
    FakeWorld& world_;
    std::string key_;
};

class FakeTransactions : public platform::TransactionEngine {
public:
    explicit FakeTransactions(FakeWorld& world) : world_(world) {}
    void BeginTrans() override;
    void CommitTrans() override;
    void Rollback() override;

private:
    FakeWorld& world_;
};

struct ShownMessage {
    std::string prompt;
    int buttons;
    std::string title;
};

class FakeMessages : public platform::MessageBox, public platform::MessageService {
public:
    explicit FakeMessages(FakeWorld& world) : world_(world) {}
    int answer = platform::kAnswerOk;    // for OK/Cancel prompts
    bool failShow = false;
    bool failGetString = false;
    std::optional<long> serviceAnswer;   // what the message service's box answers (release 8.61), else `answer`
    std::vector<ShownMessage> shown;
    std::vector<std::pair<std::string, std::vector<std::string>>> fetched;

    int Show(const std::string& prompt, int buttons, const std::string& title) override;
    std::string GetString(const std::string& key, int count, const std::vector<std::string>& args) override;
    long ShowMessage(const std::string& prompt, int buttons, const std::string& title, const std::string& helpFile,
                     int helpContext) override;

private:
    FakeWorld& world_;
};

// Everything the stand-ins share: the script and the journal.
class FakeWorld : public platform::Platform {
public:
    FakeWorld() : transactions(*this), messages(*this) {}

    // Scripted answers: rows returned per (key, sql); a missing script is an empty result.
    std::map<std::pair<std::string, std::string>, std::vector<Row>> results;
    // Failures per statement text (any object), or by predicate.
    std::map<std::string, Failure> failures;
    std::function<std::optional<Failure>(const std::string& key, const std::string& sql)> failWhen;
    std::map<std::string, std::vector<std::string>> tableColumns;  // per table name, previous year
    std::set<std::string> failingOpens;    // keys whose Open fails
    bool failTransactions = false;
    bool failCreateDatabase = false;       // CreateDatabase raises (the class cannot be created)

    std::vector<Event> journal;
    int databasesCreated = 0;

    std::unique_ptr<platform::Database> CreateDatabase() override;
    platform::TransactionEngine& ThreadTransactionEngine() override { return transactions; }
    platform::MessageService& ThreadMessageService() override { return messages; }
    platform::MessageBox& PlatformMessageBox() override { return messages; }
    // Release 8.50's upgrade creates ADO objects: through `ado` when a test gives
    // one, otherwise the class is not registered (the upgrade passes over that).
    platform::AdoFactory* ado = nullptr;
    // What UnderlyingConnection hands out (default: none).
    std::shared_ptr<platform::AdoConnection> underlying;
    std::unique_ptr<platform::AdoConnection> CreateAdoConnection() override {
        if (!ado) throw classNotRegistered();
        return ado->CreateAdoConnection();
    }
    std::unique_ptr<platform::AdoRecordset> CreateAdoRecordset() override {
        if (!ado) throw classNotRegistered();
        return ado->CreateAdoRecordset();
    }
    static platform::Error classNotRegistered() { return platform::Error(-2147221164, "Class not registered"); }

    void failIfScripted(const std::string& key, const std::string& sql);
    // The statements executed (kind "exec"), in order.
    std::vector<Event> executed() const;
    std::vector<std::string> kinds() const;

    FakeTransactions transactions;
    FakeMessages messages;
};

// Sets up a normal run: account 001, login 2005, previous year closed at 12,
// current year without state, CA_AmoCt and the stock tables closed at 12.
void scriptNormalRun(FakeWorld& world);

}  // namespace vantyr::testing
