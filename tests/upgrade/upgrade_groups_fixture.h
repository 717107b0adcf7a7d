#pragma once
// The upgrade's statement groups run on a real account-year database of the
// demo over the embedded engine's own ADO connection, with every statement
// sent and its failure recorded.
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/engine_fixture.h"
#include "upgrade/upgrade_session.h"

namespace vantyr::testing {

struct SentStatement {
    std::string sql;
    std::optional<std::string> error;   // the failure's description
};

// Forwards to the engine's connection and records what was sent.
class RecordingConnection : public platform::AdoConnection {
public:
    explicit RecordingConnection(std::unique_ptr<platform::AdoConnection> inner) : inner_(std::move(inner)) {}
    std::string ConnectionString() override { return inner_->ConnectionString(); }
    void Open(const std::string& connectionString, const std::string& userId = "", const std::string& password = "",
              int options = platform::kAdUnspecified) override {
        inner_->Open(connectionString, userId, password, options);
    }
    void Execute(const std::string& sql) override;
    std::unique_ptr<platform::Recordset> OpenRecordset(const std::string& sql) override {
        return inner_->OpenRecordset(sql);
    }
    platform::AdoConnection& inner() { return *inner_; }

    std::vector<SentStatement> sent;

private:
    std::unique_ptr<platform::AdoConnection> inner_;
};

using GroupFunction = void (*)(upgrade::UpgradeSession&);

class UpgradeGroupsFixture : public DemoFixture {
protected:
    std::ostringstream sink;
    std::istringstream none;
    cli::ConsoleMessages console{"en", cli::Confirm::Yes, sink, none, false};
    platform::sqlite::SqlitePlatform platform{directory, console, console};

    // The demo in release 8.50, with the suite's extended product structure
    // and report table in both years.
    void makeUpgradeDemo();
    // Runs the groups in order on the year's database; returns what was sent.
    std::vector<SentStatement> runGroups(const std::string& year, std::initializer_list<GroupFunction> groups);
    // Every statement group in the driver's order.
    std::vector<SentStatement> runAllGroups(const std::string& year);
    // The rows of a query on the year's database, each row's columns joined by '|'.
    std::vector<std::string> rows(const std::string& year, const std::string& sql);
    // Runs one statement on the year's database through the engine; the failure's description, if any.
    std::optional<std::string> tryExecute(const std::string& year, const std::string& sql);
};

// The failures among the statements sent.
std::vector<SentStatement> failures(const std::vector<SentStatement>& sent);

}  // namespace vantyr::testing
